#!/usr/bin/env python3
"""What one WebSocket peer can do to the service program: a push wait that never ends, clients
that stop reading, descriptors run out, upgrade requests left half-sent. Each scenario runs the
real program on loopback, started as service_process_test.py starts it.
Usage: ws_peer_test.py --program lumarin --library libvantel.so [unittest args]"""
import argparse
import os
import resource
import socket
import struct
import sys
import threading
import time
import unittest

import service_process_test as service

# Longer than any bounded wait below: a wait that ran out failed.
ANSWER_WAIT = 20


def text_frame(text):
    """A client's masked text frame (the zero mask leaves the payload as it is)."""
    payload = text.encode("latin-1")
    size = len(payload)
    header = bytes([0x81, 0x80 | size]) if size < 126 else bytes([0x81, 0xFE]) + struct.pack(">H", size)
    return header + b"\0\0\0\0" + payload


def receive_exactly(peer, count):
    data = b""
    while len(data) < count:
        piece = peer.recv(count - len(data))
        if not piece:
            raise ConnectionError("closed")
        data += piece
    return data


def next_text(peer):
    """The payload of the next frame the service sends."""
    first, second = receive_exactly(peer, 2)
    size = second & 0x7F
    if size == 126:
        size = struct.unpack(">H", receive_exactly(peer, 2))[0]
    elif size == 127:
        size = struct.unpack(">Q", receive_exactly(peer, 8))[0]
    return receive_exactly(peer, size).decode("utf-8")


def wait_for_answer(peer, name):
    """The next answer that carries `name`, within ANSWER_WAIT seconds; those of other
    commands are passed over."""
    deadline = time.monotonic() + ANSWER_WAIT
    prefix = '{"name":"%s",' % name
    while True:
        peer.settimeout(max(deadline - time.monotonic(), 0.001))
        answer = next_text(peer)
        if answer.startswith(prefix):
            return answer


def answer_to(peer, request, name):
    peer.sendall(text_frame(request))
    return wait_for_answer(peer, name)


def receive_until(peer, end):
    data = b""
    while end not in data:
        piece = peer.recv(4096)
        if not piece:
            break
        data += piece
    return data


def eventually(condition, attempts=200):
    for _ in range(attempts):
        if condition():
            return True
        time.sleep(0.05)
    return False


def upgraded(port, receive_buffer=None):
    """An upgraded connection; a small receive buffer makes a client that stops reading stall
    the service's sends sooner."""
    if receive_buffer is None:
        return service.websocket_upgrade(port)
    peer = socket.socket()
    peer.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
    peer.settimeout(5)
    peer.connect(("127.0.0.1", port))
    peer.sendall(b"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                 b"Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n")
    assert receive_exactly(peer, 12) == b"HTTP/1.1 101"
    return peer


def ended_by_service(peer):
    """Reads what the service sent until it closed the connection; False when it stays open."""
    peer.settimeout(ANSWER_WAIT)
    try:
        while peer.recv(65536):
            pass
        return True
    except ConnectionResetError:
        return True
    except socket.timeout:
        return False


def process_files(process, name):
    return os.path.join("/proc", str(process.pid), name)


def open_descriptors(process):
    return len(os.listdir(process_files(process, "fd")))


def resident_kib(process):
    with open(process_files(process, "status")) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS")


class WsPeer(service.ServiceTestCase):
    def start_service(self, preexec=None):
        self.http, self.https, self.websocket = service.free_ports(3)
        self.folder = service.ServiceFolder(self.root, {"http": self.http, "https": self.https,
                                                        "websocket": self.websocket}, log="1")
        process = self.folder.start(preexec=preexec)
        self.processes.append(process)
        self.assertEqual(self.folder.start_lines(process), service.START_LINES)
        # The WebSocket server's trace lines would fill the pipe and stop it: a thread reads
        # them, and stop() reads the error stream only.
        output, process.stdout = process.stdout, None
        drain = threading.Thread(target=output.read)
        drain.start()
        self.addCleanup(output.close)
        self.addCleanup(drain.join, 60)
        return process

    def logged(self, text):
        with open(os.path.join(self.folder.temp, "server_debug.log"), "rb") as log:
            return text in log.read()

    def test_an_endless_push_wait_ends_with_close_push_and_with_the_service(self):
        process = self.start_service()
        page = upgraded(self.websocket)
        open_push = '{"name":"openPush","interval":"2147483647"}'
        answer_to(page, open_push, "openPush")
        # Its first read begun (no reader: it fails), the push thread waits the interval.
        self.assertTrue(eventually(lambda: self.logged(b"enter dll readCard")))
        self.assertEqual(answer_to(page, '{"name":"closePush"}', "closePush"),
                         '{"name":"closePush","resultFlag":0,"errorMsg":"已关闭推送"}')
        upgraded(self.websocket).close()
        # Push mode waiting again does not hold the service's end.
        answer_to(page, open_push, "openPush")
        self.assertEqual(service.stop(process), (0, ""))
        page.close()

    def test_clients_that_stop_reading_hold_up_no_other_client(self):
        process = self.start_service()
        honest = upgraded(self.websocket)
        stalled = [upgraded(self.websocket, receive_buffer=4096) for _ in range(4)]
        # Answers of about 6 KiB each (the name's control bytes come back escaped) go to every
        # client: far more than a client that stops reading and its connection can hold.
        flood = text_frame('{"name":"%s"}' % ("\x01" * 900)) * 1200
        sender = threading.Thread(target=honest.sendall, args=(flood + text_frame('{"name":"honest"}'),))
        sender.start()
        try:
            self.assertIn('"resultFlag":-2', wait_for_answer(honest, "honest"))
        finally:
            sender.join(60)
        upgraded(self.websocket).close()
        for peer in stalled:
            self.assertTrue(ended_by_service(peer))
            peer.close()
        honest.close()
        self.assertEqual(service.stop(process), (0, ""))

    def test_the_listener_serves_again_once_descriptors_are_free(self):
        limit = 64
        process = self.start_service(
            preexec=lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (limit, limit)))
        # The last few wait in the listener's queue beside a full descriptor table, and each
        # accept of them fails.
        clients = [service.connect(self.websocket)
                   for _ in range(limit - open_descriptors(process) + 3)]
        time.sleep(0.5)
        for peer in clients:
            peer.close()
        upgraded(self.websocket).close()
        self.assertEqual(service.stop(process), (0, ""))

    def test_connections_idle_after_a_long_upgrade_request_hold_little_memory(self):
        process = self.start_service()
        # Joined over 64 full receives, then answered.
        request = (b"GET / HTTP/1.1\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nX-Pad: "
                   + b"p" * (64 * 1024) + b"\r\n\r\n")
        before = resident_kib(process)
        clients = []
        for _ in range(200):
            peer = service.connect(self.websocket)
            peer.sendall(request)
            self.assertTrue(receive_until(peer, b"\r\n\r\n").startswith(b"HTTP/1.1 101"))
            clients.append(peer)
        grown = resident_kib(process) - before
        self.assertLess(grown, 200 * 64 // 4, "KiB grown for 200 idle connections")
        for peer in clients:
            peer.close()
        self.assertEqual(service.stop(process), (0, ""))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--library", required=True)
    service.ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
