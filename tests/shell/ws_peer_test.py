#!/usr/bin/env python3
"""What one WebSocket peer can do to the service program: a push wait that never ends, clients
that stop reading, floods, descriptors run out, long upgrade requests, connections that never
upgrade, terminal escapes. The real program on loopback, started as service_process_test.py
starts it.
Usage: ws_peer_test.py --program lumarin --library libvantel.so [unittest args]"""
import os
import re
import select
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


def text_frame(text, mask=b"\0\0\0\0"):
    """A client's text frame, masked with `mask`."""
    payload = bytes(byte ^ mask[i % 4] for i, byte in enumerate(text.encode("latin-1")))
    length = bytes([0x80 | len(payload)]) if len(payload) < 126 else struct.pack(">BH", 0xFE, len(payload))
    return b"\x81" + length + mask + payload


def read_frame(peer):
    """The payload of the next frame from the service, as text."""
    length = receive_exactly(peer, 2)[1]
    if length >= 126:
        length = int.from_bytes(receive_exactly(peer, 2 if length == 126 else 8), "big")
    return receive_exactly(peer, length).decode("utf-8")


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
        answer = read_frame(peer)
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


def split_frames(held):
    """The payloads (as text) of the whole frames from the service at the start of `held`, and
    the bytes after them."""
    payloads = []
    start = 0
    while len(held) - start >= 2:
        length, header = held[start + 1], 2
        if length >= 126:
            header = 4 if length == 126 else 10
            if len(held) - start < header:
                break
            length = int.from_bytes(held[start + 2:start + header], "big")
        if len(held) - start < header + length:
            break
        payloads.append(held[start + header:start + header + length].decode("utf-8"))
        start += header + length
    return payloads, held[start:]


class Listener(threading.Thread):
    """Reads every frame that a client gets as it comes, so that the client keeps up, and
    notes the names of the answers in order (a name up to its first escape)."""

    def __init__(self, peer):
        super().__init__()
        self.peer = peer
        self.names = []
        self.answers = {}
        self.arrived = threading.Condition()
        self.ended = False
        self.start()

    def run(self):
        self.peer.settimeout(ANSWER_WAIT)
        held = b""
        try:
            while True:
                piece = self.peer.recv(1 << 20)
                if not piece:
                    break
                held += piece
                answers, held = split_frames(held)
                with self.arrived:
                    for answer in answers:
                        name = answer[len('{"name":"'):].split('"', 1)[0].split("\\", 1)[0]
                        self.names.append(name)
                        self.answers[name] = answer
                    self.arrived.notify_all()
        except OSError:
            pass
        with self.arrived:
            self.ended = True
            self.arrived.notify_all()

    def wait_for(self, name, deadline):
        """The answer named `name`, if it comes before `deadline` (time.monotonic)."""
        with self.arrived:
            self.arrived.wait_for(lambda: name in self.answers or self.ended,
                                  max(deadline - time.monotonic(), 0))
            return self.answers.get(name)

    def end(self):
        try:
            self.peer.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.join(ANSWER_WAIT)
        self.peer.close()


class LogLines:
    """Counts the lines of a growing log that hold a text, reading only what was added."""

    def __init__(self, path, text):
        self.path, self.text = path, text
        self.read, self.partial, self.counted = 0, b"", 0

    def count(self):
        if os.path.exists(self.path):
            with open(self.path, "rb") as log:
                log.seek(self.read)
                added = log.read()
            self.read += len(added)
            lines = (self.partial + added).split(b"\n")
            self.partial = lines.pop()
            self.counted += sum(self.text in line for line in lines)
        return self.counted


def numbered(names, letter):
    """The numbers of the names `letter` followed by digits, in their order."""
    return [int(name[1:]) for name in names if re.fullmatch(letter + r"\d+", name)]


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
        # them into self.console, and stop() reads the error stream only.
        output, process.stdout = process.stdout, None
        self.console = []
        self.drain = threading.Thread(target=lambda: self.console.append(output.read()))
        self.drain.start()
        self.addCleanup(output.close)
        self.addCleanup(self.drain.join, 60)
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

    def test_as_many_connections_as_served_hold_little_memory_and_the_idlest_gives_way(self):
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
        # One more is served all the same: the client idle longest gives way to it.
        service.websocket_upgrade(self.websocket).close()
        read_until_closed(clients[0])
        self.assertTrue(self.logged(b"WebSocket connection closed for a new one"))
        for peer in clients:
            peer.close()
        self.assertEqual(service.stop(process), (0, ""))

    def test_connections_that_never_upgrade_give_way_to_one_that_does(self):
        process = self.start_service()
        # Every place taken: half the peers send nothing, half drip a frame that never ends, and
        # each one closed by the service comes back at once.
        endless = b"\x81\xfe\x03\xe8\x01\x02\x03\x04" + b"d" * 1000
        holders = [service.connect(self.websocket) for _ in range(MOST_CONNECTIONS)]
        dripped = [0] * len(holders)
        stop = threading.Event()

        def hold():
            while not stop.wait(0.2):
                for index in select.select(holders, [], [], 0)[0]:
                    index = holders.index(index)
                    try:
                        closed = holders[index].recv(4096) == b""
                    except OSError:
                        closed = True
                    if closed:
                        holders[index].close()
                        holders[index] = service.connect(self.websocket)
                        dripped[index] = 0
                for index in range(1, len(holders), 2):
                    try:
                        holders[index].send(endless[dripped[index]:dripped[index] + 1])
                        dripped[index] += 1
                    except OSError:
                        pass

        holding = threading.Thread(target=hold)
        holding.start()
        try:
            honest = service.websocket_upgrade(self.websocket)
            self.assertEqual(answer_to(honest, '{"name":"honest"}', "honest"),
                             '{"name":"honest","resultFlag":-2,"errorMsg":"不支持的功能"}')
            honest.close()
        finally:
            stop.set()
            holding.join(ANSWER_WAIT)
        for peer in holders:
            peer.close()
        self.assertEqual(service.stop(process), (0, ""))

    def test_a_connection_without_a_whole_upgrade_request_in_time_is_closed(self):
        process = self.start_service()
        silent = service.connect(self.websocket)
        dripping = service.connect(self.websocket)
        dripping.sendall(b"\x81\xfe\x03")  # a frame that never ends
        for peer in (silent, dripping):
            read_until_closed(peer)
            peer.close()
        self.assertTrue(self.logged(b"WebSocket connection closed: no upgrade request within"))
        self.assertEqual(service.stop(process), (0, ""))

    def test_a_stalled_client_renewed_beside_a_flood_holds_up_no_answer(self):
        process = self.start_service()
        honest = Listener(service.websocket_upgrade(self.websocket))
        flooder = Listener(service.websocket_upgrade(self.websocket))
        closed_stalled = LogLines(os.path.join(self.folder.temp, "server_debug.log"),
                                  b"WebSocket connection closed: 8 answers waited for it")
        sent = []

        def flood():
            # Numbered answers of about 6 KiB each (the name's control bytes come back escaped),
            # more than the service handles at once; the next batch when this one is answered.
            batch = range(len(sent), len(sent) + 40)
            flooder.peer.sendall(b"".join(
                text_frame('{"name":"f%d%s"}' % (number, "\x01" * 900)) for number in batch))
            sent.extend(batch)
            self.assertIsNotNone(flooder.wait_for("f%d" % batch[-1], deadline))

        stalled = []
        rounds = 16
        # Hang guard: a round takes a fraction of a second; one held up by its stalled client
        # takes seconds.
        deadline = time.monotonic() + ANSWER_WAIT
        try:
            for round in range(rounds):
                # A fresh client that never reads, upgraded during the flood, and flooded until
                # the service has closed it.
                stalled.append(stalling_client(self.websocket))
                flood()
                honest.peer.sendall(text_frame('{"name":"h%d"}' % round))
                while closed_stalled.count() == round:
                    flood()
                self.assertEqual(honest.wait_for("h%d" % round, deadline),
                                 '{"name":"h%d","resultFlag":-2,"errorMsg":"不支持的功能"}' % round)
            # Each client that kept up got every answer, in order.
            for listener in (honest, flooder):
                self.assertIsNotNone(listener.wait_for("f%d" % sent[-1], deadline))
                self.assertEqual(numbered(listener.names, "f"), sent)
                self.assertEqual(numbered(listener.names, "h"), list(range(rounds)))
            for peer in stalled:
                read_until_closed(peer)
        finally:
            for peer in stalled:
                peer.close()
            honest.end()
            flooder.end()
        self.assertEqual(service.stop(process), (0, ""))

    def test_peer_text_reaches_the_console_with_its_control_bytes_escaped(self):
        process = self.start_service()
        page = service.connect(self.websocket)
        page.sendall(b"GET / HTTP/1.1\r\nX-Title: \x1b]0;taken\x07\x1b[2J\r\n"
                     b"Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n")
        self.assertTrue(page.recv(4096).startswith(b"HTTP/1.1 101"))
        # A frame's masking key is the page's choice, and reaches the console as it was sent.
        page.sendall(text_frame('{"name":"x"}', mask=b"\x1b[2J"))
        wait_for_answer(page, "x")
        page.close()
        self.assertEqual(service.stop(process), (0, ""))
        self.drain.join(ANSWER_WAIT)
        console = self.console[0]
        self.assertIn(b"GET / HTTP/1.1\\x0d\\x0aX-Title: \\x1b]0;taken\\x07\\x1b[2J\\x0d\\x0a", console)
        self.assertIn(b"\x81\x8c\\x1b[2J", console)
        # Line ends are the console's own (CR LF in the Windows build); no other control byte.
        self.assertEqual(re.findall(rb"[\x00-\x09\x0b\x0c\x0e-\x1f\x7f]", console), [])


if __name__ == "__main__":
    service.main()
