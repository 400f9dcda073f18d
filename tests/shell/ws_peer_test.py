#!/usr/bin/env python3
"""What one WebSocket peer can do to the service program: a push wait that never ends, clients
that stop reading, descriptors run out, long upgrade requests. The real program on loopback,
started as service_process_test.py starts it.
Usage: ws_peer_test.py --program lumarin --library libvantel.so [unittest args]"""
import os
import socket
import struct
import sys
import threading
import time

import service_process_test as service

# Far longer than any answer takes, in a sanitizer build on a loaded machine too (the flood
# below takes about 7 s in a plain build, three times that under ASan); a wait that runs out
# fails. A service held up by its stalled clients needs hours for the flood.
ANSWER_WAIT = 60
# The WebSocket connections the service serves at once.
MOST_CONNECTIONS = 256


def text_frame(text):
    """A client's text frame, masked with zeros."""
    payload = text.encode("latin-1")
    length = bytes([0x80 | len(payload)]) if len(payload) < 126 else struct.pack(">BH", 0xFE, len(payload))
    return b"\x81" + length + b"\0\0\0\0" + payload


def receive_exactly(peer, count):
    data = b""
    while len(data) < count:
        piece = peer.recv(count - len(data))
        if not piece:
            raise ConnectionError("closed by the service")
        data += piece
    return data


def wait_for_answer(peer, name):
    """The next answer that carries `name`, others passed over; at most ANSWER_WAIT seconds."""
    deadline = time.monotonic() + ANSWER_WAIT
    while True:
        peer.settimeout(max(deadline - time.monotonic(), 0.001))
        length = receive_exactly(peer, 2)[1]
        if length >= 126:
            length = int.from_bytes(receive_exactly(peer, 2 if length == 126 else 8), "big")
        answer = receive_exactly(peer, length).decode("utf-8")
        if answer.startswith('{"name":"%s",' % name):
            return answer


def answer_to(peer, request, name):
    peer.sendall(text_frame(request))
    return wait_for_answer(peer, name)


def stalling_client(port):
    """An upgraded client that will not read: its small receive buffer fills soon."""
    peer = socket.socket()
    peer.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    peer.settimeout(5)
    peer.connect(("127.0.0.1", port))
    return service.websocket_upgrade(port, peer)


def read_until_closed(peer):
    """Reads what the service sent until it closes the connection; a time-out fails."""
    peer.settimeout(ANSWER_WAIT)
    try:
        while peer.recv(65536):
            pass
    except ConnectionResetError:
        pass


def process_entry(process, name):
    return os.path.join("/proc", str(process.pid), name)


def resident_kib(process):
    with open(process_entry(process, "status")) as status:
        return next(int(line.split()[1]) for line in status if line.startswith("VmRSS:"))


class WsPeer(service.ServiceTestCase):
    def start_service(self, descriptors=None):
        self.websocket, http, https = service.free_ports(3)
        self.folder = service.ServiceFolder(
            self.root, {"http": http, "https": https, "websocket": self.websocket}, log="1")
        process = self.folder.start(descriptors=descriptors)
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
        page = service.websocket_upgrade(self.websocket)
        open_push = '{"name":"openPush","interval":"2147483647"}'
        answer_to(page, open_push, "openPush")
        # Once its first read has begun (no reader: it fails), the push thread waits the interval.
        for _ in range(200):
            if self.logged(b"enter dll readCard"):
                break
            time.sleep(0.05)
        self.assertEqual(answer_to(page, '{"name":"closePush"}', "closePush"),
                         '{"name":"closePush","resultFlag":0,"errorMsg":"已关闭推送"}')
        service.websocket_upgrade(self.websocket).close()
        # Push mode waiting again does not hold the service's end.
        answer_to(page, open_push, "openPush")
        self.assertEqual(service.stop(process), (0, ""))
        page.close()

    def test_clients_that_stop_reading_hold_up_no_other_client(self):
        process = self.start_service()
        honest = service.websocket_upgrade(self.websocket)
        stalled = [stalling_client(self.websocket) for _ in range(4)]
        # Answers of about 6 KiB each (the name's control bytes come back escaped) go to every
        # client: far more than a client that stops reading and its connection can hold.
        flood = text_frame('{"name":"%s"}' % ("\x01" * 900)) * 1200 + text_frame('{"name":"honest"}')
        sender = threading.Thread(target=honest.sendall, args=(flood,))
        sender.start()
        try:
            self.assertIn('"resultFlag":-2', wait_for_answer(honest, "honest"))
        finally:
            sender.join(60)
        service.websocket_upgrade(self.websocket).close()
        for peer in stalled:
            read_until_closed(peer)
            peer.close()
        honest.close()
        self.assertEqual(service.stop(process), (0, ""))

    def test_the_listener_serves_again_once_descriptors_are_free(self):
        limit = 64
        process = self.start_service(descriptors=limit)
        # The last few wait in the listener's queue beside a full descriptor table, and each
        # accept of them fails.
        clients = [service.connect(self.websocket)
                   for _ in range(limit - len(os.listdir(process_entry(process, "fd"))) + 3)]
        time.sleep(0.5)
        for peer in clients:
            peer.close()
        service.websocket_upgrade(self.websocket).close()
        self.assertEqual(service.stop(process), (0, ""))

    def test_as_many_connections_as_served_hold_little_memory_and_more_are_refused(self):
        process = self.start_service()
        # Joined over 64 full receives, then answered.
        request = (b"GET / HTTP/1.1\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nX-Pad: "
                   + b"p" * (64 * 1024) + b"\r\n\r\n")
        before = resident_kib(process)
        clients = []
        for _ in range(MOST_CONNECTIONS):
            clients.append(service.connect(self.websocket))
            clients[-1].sendall(request)
            self.assertTrue(clients[-1].recv(4096).startswith(b"HTTP/1.1 101"))
        if not service.sanitized_program():
            self.assertLess(resident_kib(process) - before, MOST_CONNECTIONS * 64 // 4, "KiB grown")
        with service.connect(self.websocket) as refused:
            read_until_closed(refused)
        self.assertTrue(self.logged(b"WebSocket connection refused"))
        for peer in clients:
            peer.close()
        self.assertEqual(service.stop(process), (0, ""))


if __name__ == "__main__":
    service.main()
