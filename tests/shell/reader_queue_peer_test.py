#!/usr/bin/env python3
"""Requests queued for the reader behind a card read that takes long, and the service told to
end meanwhile: the read in progress is finished and answered, nothing queued behind it runs,
and the service ends. The real program with the simulated reader's card in a private pcscd.
Usage: reader_queue_peer_test.py --program lumarin --library libvantel.so
--simulated-reader simulated_reader [unittest args]"""
import argparse
import base64
import concurrent.futures
import json
import os
import signal
import subprocess
import sys
import threading
import time
import unittest

import service_process_test as service
import ws_peer_test as ws

# Every kind of card operation waits for the same reader: each is queued several times.
QUEUED_PATHS = ["/api/connect", "/api/readCard", "/api/getSAMID", "/api/Kestor_Mute?ISMUTE=true"]
QUEUED_EACH = 25
REFUSED_BODY = '{"resultFlag":-1,"errorMsg":"端口打开失败"}'.encode()
REFUSED = (b"HTTP/1.1 200 OK\r\nContent-Type: text/json;charset=UTF-8\r\nContent-Length: %d\r\n"
           b"Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Origin:*\r\n"
           b"Access-Control-Allow-Private-Network: true\r\n\r\n%s") % (len(REFUSED_BODY), REFUSED_BODY)
# A hang guard only: each wait below normally ends at once.
HANG_GUARD = 60


def read_line(stream, what):
    """The next line of a helper process; a process that says nothing for long is a failure."""
    got = []
    reader = threading.Thread(target=lambda: got.append(stream.readline()))
    reader.start()
    reader.join(HANG_GUARD)
    if not got or not got[0]:
        raise AssertionError(f"no {what}")
    return got[0].strip()


def http_answer(peer):
    """One whole answer of the request loop (headers and Content-Length bytes), or what came
    before the service closed the connection."""
    peer.settimeout(HANG_GUARD)
    data = b""
    while b"\r\n\r\n" not in data or len(data) < body_end(data):
        try:
            piece = peer.recv(65536)
        except OSError:
            break
        if not piece:
            break
        data += piece
    return data


def body_end(data):
    head, _, _ = data.partition(b"\r\n\r\n")
    length = next((int(line.split(b":")[1]) for line in head.split(b"\r\n")
                   if line.lower().startswith(b"content-length:")), 0)
    return len(head) + 4 + length


class ReaderQueuePeer(service.ServiceTestCase):
    def start_reader(self):
        """The simulated reader, its reads held until released: its pcscd socket."""
        reader = subprocess.Popen([ARGS.simulated_reader, "--hold-reads"], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.end_reader, reader)
        lines = {}
        while "CARD_PHOTO" not in lines:
            name, _, value = read_line(reader.stdout, "card in the simulated reader").partition("=")
            lines[name] = value
        self.photo = bytes.fromhex(lines["CARD_PHOTO"])
        return reader, lines["PCSCLITE_CSOCK_NAME"]

    @staticmethod
    def end_reader(reader):
        if not reader.stdin.closed:
            reader.stdin.close()  # a read still held is answered
        reader.terminate()
        reader.wait(HANG_GUARD)
        reader.stdout.close()

    def start_service(self, socket_name):
        self.http, https, websocket = service.free_ports(3)
        self.folder = service.ServiceFolder(
            self.root, {"http": self.http, "https": https, "websocket": websocket}, log="1")
        process = self.start(self.folder, PCSCLITE_CSOCK_NAME=socket_name)
        # The WebSocket server's trace lines must not fill the pipe and stop it.
        output, process.stdout = process.stdout, None
        drain = threading.Thread(target=output.read)
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

    def test_at_a_stop_the_read_in_progress_is_answered_and_the_requests_behind_it_refused(self):
        reader, socket_name = self.start_reader()
        process, websocket = self.start_service(socket_name)
        page = service.websocket_upgrade(websocket)
        self.addCleanup(page.close)
        page.sendall(ws.text_frame('{"name":"readCard"}'))
        self.assertEqual(read_line(reader.stdout, "card read"), "HOLDING")

        # Side by side: one after another, the listener's short queue makes some wait a second.
        with concurrent.futures.ThreadPoolExecutor(16) as pool:
            queued = list(pool.map(self.ask, QUEUED_PATHS * QUEUED_EACH))
        # Each request is logged as it goes to its handler, where it waits for the reader.
        paths = [b" " + path.split("?")[0].encode() + b"\n" for path in QUEUED_PATHS]
        self.wait_for(lambda: sum(self.log().count(path) for path in paths) == len(queued),
                      "requests not handled")

        process.send_signal(signal.SIGTERM)
        # No listener: the stop has begun. Only then does the reader answer the read.
        self.wait_for(lambda: not service.listening(self.http), "still listening")
        reader.stdin.close()  # this read and any later one go on at once

        answer = json.loads(ws.wait_for_answer(page, "readCard"))
        self.assertEqual((answer["resultFlag"], answer["resultContent"]["partyName"]), (0, "张三"))
        self.assertEqual(answer["resultContent"]["identityPhotoSrc"],
                         base64.b64encode(self.photo).decode())
        # Each is refused, or closed unanswered when the process ended before its refusal
        # went out: none is run.
        for number, peer in enumerate(queued):
            self.assertIn(http_answer(peer), (REFUSED, b""), f"request {number}")
        try:
            _, errors = process.communicate(timeout=HANG_GUARD)
        except subprocess.TimeoutExpired:
            raise AssertionError("the service did not end")
        self.assertEqual((process.returncode, errors), (0, b""))
        # The page's read ran, and nothing after it.
        log = self.log()
        self.assertEqual((log.count(b"enter dll readCard"), log.count(b"enter dxconnect")), (1, 0))


ARGS = None


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--simulated-reader", required=True)
    ARGS, rest = parser.parse_known_args()
    service.ARGS = ARGS
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
