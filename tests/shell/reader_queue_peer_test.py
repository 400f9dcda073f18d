#!/usr/bin/env python3
"""Requests queued for the reader behind a card read that takes long, and the service told to
end meanwhile: the read in progress is finished and answered, nothing queued behind it runs,
and the service ends. The real program with the simulated reader's card in a private pcscd.
Usage: reader_queue_peer_test.py --program lumarin --library libvantel.so
--simulated-reader simulated_reader [unittest args]"""
import base64
import concurrent.futures
import json
import os
import signal
import subprocess
import sys
import threading
import time

import service_process_test as service
import ws_peer_test as ws

# Every kind of card operation waits for the same reader: each is queued several times.
QUEUED_PATHS = ["/api/connect", "/api/readCard", "/api/getSAMID", "/api/Kestor_Mute?ISMUTE=true"]
QUEUED_EACH = 25
REFUSED_BODY = '{"resultFlag":-1,"errorMsg":"端口打开失败"}'.encode()
REFUSED = (b"HTTP/1.1 200 OK\r\nContent-Type: text/json;charset=UTF-8\r\nContent-Length: %d\r\n"
           b"Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Origin:*\r\n"
           b"Access-Control-Allow-Private-Network: true\r\n\r\n%s"
           % (len(REFUSED_BODY), REFUSED_BODY))
# A hang guard only: each wait below normally ends at once.
HANG_GUARD = 60


def answer_or_close(peer):
    """What the service sent before it waited again or closed the connection: a short answer
    comes in one piece."""
    peer.settimeout(HANG_GUARD)
    try:
        return peer.recv(4096)
    except OSError:
        return b""


def masked_text_frame(text):
    """A short text frame and its payload as masked, which the service traces up to the first
    zero byte: the mask has none."""
    masked = bytes(byte ^ 1 for byte in text.encode())
    return b"\x81" + bytes([0x80 | len(masked)]) + b"\x01" * 4 + masked, masked


def named_answers(peer, count):
    """The next `count` WebSocket answers, by their names."""
    peer.settimeout(HANG_GUARD)
    answers = {}
    while len(answers) < count:
        length = ws.receive_exactly(peer, 2)[1]
        if length >= 126:
            length = int.from_bytes(ws.receive_exactly(peer, 2 if length == 126 else 8), "big")
        answer = ws.receive_exactly(peer, length).decode("utf-8")
        answers[json.loads(answer)["name"]] = answer
    return answers


class ReaderQueuePeer(service.ServiceTestCase):
    def start_reader(self):
        """The simulated reader, its reads held until released: its pcscd socket."""
        self.reader = subprocess.Popen([service.ARGS.simulated_reader, "--hold-reads"],
                                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        # A reader that says nothing for long is ended, and with it each wait for its lines.
        watchdog = threading.Timer(HANG_GUARD, self.reader.kill)
        watchdog.start()
        self.addCleanup(self.end_reader, watchdog)
        lines = dict(self.reader.stdout.readline().strip().partition("=")[::2] for _ in range(2))
        self.photo = bytes.fromhex(lines["CARD_PHOTO"])
        return lines["PCSCLITE_CSOCK_NAME"]

    def end_reader(self, watchdog):
        watchdog.cancel()
        if not self.reader.stdin.closed:
            self.reader.stdin.close()  # a read still held is let go
        self.reader.terminate()
        self.reader.wait(HANG_GUARD)
        self.reader.stdout.close()

    def assert_read_held(self):
        self.assertEqual(self.reader.stdout.readline(), "HOLDING\n")

    def start_service(self, socket_name):
        self.http, https, websocket = service.free_ports(3)
        self.folder = service.ServiceFolder(
            self.root, {"http": self.http, "https": https, "websocket": websocket}, log="1")
        process = self.start(self.folder, PCSCLITE_CSOCK_NAME=socket_name)
        # The WebSocket server's trace lines (each received message among them) are kept: they
        # must not fill the pipe and stop it.
        output, process.stdout = process.stdout, None
        self.traces = []
        drain = threading.Thread(
            target=lambda: self.traces.extend(iter(lambda: output.read1(65536), b"")))
        drain.start()
        self.addCleanup(output.close)
        self.addCleanup(drain.join, HANG_GUARD)
        return process, websocket

    def ask(self, path):
        """A new connection, left open, that has sent a request for `path`."""
        peer = service.connect(self.http)
        self.addCleanup(peer.close)
        peer.sendall(f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode())
        return peer

    def log(self):
        with open(os.path.join(self.folder.temp, "server_debug.log"), "rb") as log:
            return log.read()

    def wait_for(self, condition, what):
        deadline = time.monotonic() + HANG_GUARD
        while not condition():
            self.assertLess(time.monotonic(), deadline, what)
            time.sleep(0.02)

    def stop_while_held(self, process):
        """Tells the service to end while the reader holds a read; lets the read go on once
        the stop has begun (no listener any more)."""
        process.send_signal(signal.SIGTERM)
        self.wait_for(lambda: not service.listening(self.http), "still listening")
        self.reader.stdin.close()  # this read and any later one go on at once

    def assert_ends_cleanly(self, process):
        try:
            _, errors = process.communicate(timeout=HANG_GUARD)
        except subprocess.TimeoutExpired:
            raise AssertionError("the service did not end")
        self.assertEqual((process.returncode, errors), (0, b""))

    def assert_card_read(self, answer):
        self.assertEqual((answer["resultFlag"], answer["resultContent"]["partyName"]), (0, "张三"))
        self.assertEqual(answer["resultContent"]["identityPhotoSrc"],
                         base64.b64encode(self.photo).decode())

    def test_at_a_stop_the_read_in_progress_is_answered_and_the_requests_behind_it_refused(self):
        process, websocket = self.start_service(self.start_reader())
        page = service.websocket_upgrade(websocket)
        self.addCleanup(page.close)
        page.sendall(ws.text_frame('{"name":"readCard"}'))
        self.assert_read_held()

        # Side by side: one after another, the listener's short queue makes some wait a second.
        with concurrent.futures.ThreadPoolExecutor(16) as pool:
            queued = list(pool.map(self.ask, QUEUED_PATHS * QUEUED_EACH))
        # Each request is logged as it goes to its handler, where it waits for the reader.
        paths = [b" " + path.split("?")[0].encode() + b"\n" for path in QUEUED_PATHS]
        self.wait_for(lambda: sum(self.log().count(path) for path in paths) == len(queued),
                      "requests not handled")

        self.stop_while_held(process)
        self.assert_card_read(json.loads(ws.wait_for_answer(page, "readCard")))
        # Each is refused, or closed unanswered when the process ended before its refusal
        # went out: none is run.
        for number, peer in enumerate(queued):
            self.assertIn(answer_or_close(peer), (REFUSED, b""), f"request {number}")
        self.assert_ends_cleanly(process)
        # The page's read ran, and nothing after it.
        log = self.log()
        self.assertEqual((log.count(b"enter dll readCard"), log.count(b"enter dxconnect")),
                         (1, 0))

    def test_at_a_stop_a_push_read_in_progress_is_sent_and_a_command_behind_it_refused(self):
        process, websocket = self.start_service(self.start_reader())
        page = service.websocket_upgrade(websocket)
        self.addCleanup(page.close)
        ws.answer_to(page, '{"name":"openPush","interval":"2147483647"}', "openPush")
        self.assert_read_held()
        # Taken by the thread that handles every WebSocket message, which then waits.
        frame, masked = masked_text_frame('{"name":"getSAMID"}')
        page.sendall(frame)
        self.wait_for(lambda: masked in b"".join(self.traces), "command not received")

        self.stop_while_held(process)
        answers = named_answers(page, 2)
        self.assert_card_read(json.loads(answers["PushWithOutImg"]))
        self.assertEqual(answers["getSAMID"],
                         '{"name":"getSAMID","resultFlag":-1,"errorMsg":"端口打开失败"}')
        self.assert_ends_cleanly(process)


if __name__ == "__main__":
    service.main("--simulated-reader")
