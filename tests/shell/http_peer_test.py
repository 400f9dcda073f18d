#!/usr/bin/env python3
"""One peer against the service's HTTP and HTTPS listeners over loopback: it cannot exhaust or
spin them, hold up another peer or grow the memory without bound, and the service still ends
cleanly.
Usage: http_peer_test.py --program lumarin --library libvantel.so [unittest args]"""
import os
import re
import socket
import ssl
import threading
import time

import service_process_test as service

CAP = 128  # connections one listener serves at once
NOT_FOUND = b"GET /nothing HTTP/1.1\r\n\r\n"
# Far longer than any answer takes, under a sanitizer on a loaded machine too; a service held
# up by its idle peers made honest clients wait past a minute.
ANSWER_WAIT = 30
# Needs no reader, and its answer passes through all the answer buffers.
MUTE = b"GET /api/Kestor_Mute?ISMUTE=true HTTP/1.1\r\n\r\n"


def proc(pid, name):
    with open(f"/proc/{pid}/{name}") as file:
        return file.read()


def cpu_seconds(pid):
    fields = proc(pid, "stat").rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def served_again(port):
    for _ in range(100):
        try:
            if service.http_status(port) == service.NO_ROUTE:
                return True
        except OSError:
            time.sleep(0.05)
    return False


def honest_status(port, tls=False):
    """The status line of an honest client's answer, TLS handshake first when `tls`."""
    peer = socket.create_connection(("127.0.0.1", port), timeout=ANSWER_WAIT)
    if tls:
        context = ssl.create_default_context()
        context.check_hostname = False
        context.verify_mode = ssl.CERT_NONE
        peer = context.wrap_socket(peer)
    with peer:
        peer.sendall(NOT_FOUND)
        return peer.recv(4096).split(b"\r\n", 1)[0]


def closed_by_service(peer):
    try:
        return peer.recv(1) == b""
    except ConnectionResetError:
        return True


class Squatters:
    """`count` peers that each hold a connection to `port` without ever sending a whole
    request: silent, or one byte every `drip` seconds. A peer whose connection the service
    closes connects again unless `once`."""

    def __init__(self, port, count, drip=None, once=False):
        self.lock = threading.Lock()
        self.connected = self.closed = 0
        self.ended = threading.Event()
        self.threads = [threading.Thread(target=self.squat, args=(port, drip, once))
                        for _ in range(count)]
        for thread in self.threads:
            thread.start()

    def count(self, name):
        with self.lock:
            setattr(self, name, getattr(self, name) + 1)

    def squat(self, port, drip, once):
        while not self.ended.is_set():
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=5) as peer:
                    self.count("connected")
                    peer.settimeout(drip or 0.2)
                    while not self.ended.is_set():
                        try:
                            if closed_by_service(peer):
                                self.count("closed")
                                break
                        except socket.timeout:
                            if drip:
                                peer.sendall(b"G")
            except OSError:
                time.sleep(0.01)
            if once:
                return

    def wait(self, name, count):
        for _ in range(ANSWER_WAIT * 20):
            if getattr(self, name) >= count:
                return True
            time.sleep(0.05)
        return False

    def stop(self):
        self.ended.set()
        for thread in self.threads:
            thread.join(60)


class HttpPeer(service.ServiceTestCase):
    def service(self, **options):
        http, https, websocket = service.free_ports(3)
        self.https = https
        self.folder = service.ServiceFolder(
            self.root, {"http": http, "https": https, "websocket": websocket}, log="1")
        return self.start(self.folder, **options), http

    def ask(self, port, request):
        """A new connection to `port`, left open, or the connection `port` if it is one, and the
        answer to its request (empty when none came within 2 s, or when the service closed the
        connection)."""
        peer = port
        if isinstance(port, int):
            peer = service.connect(port)
            self.addCleanup(peer.close)
        peer.sendall(request)
        peer.settimeout(2)
        try:
            return peer, peer.recv(4096)
        except socket.timeout:
            return peer, b""

    def test_out_of_descriptors_accepting_pauses_and_serves_again_once_they_are_free(self):
        process, port = self.service(descriptors=64)
        held, answer = [], b"answered"
        while answer and len(held) < 100:
            peer, answer = self.ask(port, NOT_FOUND)
            held.append(peer)
        self.assertEqual(answer, b"")  # it waits in the queue while every accept fails
        before = cpu_seconds(process.pid)
        time.sleep(1)
        self.assertLess(cpu_seconds(process.pid) - before, 0.3)
        for peer in held:
            peer.close()
        self.assertTrue(served_again(port))
        self.assertEqual(service.stop(process), (0, ""))

    def test_idle_connections_hold_little_and_the_one_idle_longest_gives_way_beyond_the_cap(self):
        process, port = self.service()
        rss = lambda: int(re.search(r"VmRSS:\s+(\d+)", proc(process.pid, "status")).group(1))
        # The first answer brings in what the service keeps for good (the reader library's).
        served = [self.ask(port, MUTE)]
        before = rss()
        served += [self.ask(port, MUTE) for _ in range(CAP - 1)]
        self.assertTrue(all(answer.startswith(b"HTTP/1.1 200 OK") for _, answer in served))
        if not service.sanitized_program():
            # Holding its answer buffers, each one took about 700 KiB.
            self.assertLess((rss() - before) / (CAP - 1), 64)
        _, answer = self.ask(port, MUTE)
        self.assertTrue(answer.startswith(b"HTTP/1.1 200 OK"))
        self.assertTrue(closed_by_service(served[0][0]))
        self.assertEqual(self.ask(served[1][0], MUTE)[1], answer)  # the next stays served
        served.pop()[0].close()
        self.assertTrue(served_again(port))
        self.assertEqual(service.stop(process), (0, ""))
        with open(os.path.join(self.folder.temp, "server_debug.log"), "rb") as log:
            self.assertIn(b": connection cut off for a new one: 128 connections open\n", log.read())

    def test_https_peers_that_never_begin_their_handshake_hold_up_no_honest_client(self):
        process, _ = self.service()
        squatters = Squatters(self.https, 5)
        self.addCleanup(squatters.stop)
        self.assertTrue(squatters.wait("connected", 5))
        for _ in range(3):
            self.assertEqual(honest_status(self.https, tls=True), service.NO_ROUTE)

    def test_a_listener_full_of_idle_peers_makes_room_for_an_honest_client(self):
        process, http = self.service()
        for port, tls in ((http, False), (self.https, True)):
            with self.subTest(tls=tls):
                squatters = Squatters(port, CAP)
                self.addCleanup(squatters.stop)
                self.assertTrue(squatters.wait("connected", CAP))
                for _ in range(3):
                    self.assertEqual(honest_status(port, tls), service.NO_ROUTE)
                self.assertGreater(squatters.closed, 0)
                squatters.stop()
        self.assertEqual(service.stop(process), (0, ""))

    def test_a_request_not_whole_in_time_is_closed_and_an_idle_page_is_left_alone(self):
        process, http = self.service()
        page, answer = self.ask(http, NOT_FOUND)
        squatters = [Squatters(port, 2, drip, once=True)
                     for port in (http, self.https) for drip in (None, 3)]
        for each in squatters:
            self.addCleanup(each.stop)
        for each in squatters:
            self.assertTrue(each.wait("closed", 2))
        self.assertEqual(self.ask(page, NOT_FOUND)[1], answer)
        self.assertEqual(service.stop(process), (0, ""))

    def test_after_a_storm_of_connections_sigterm_under_load_ends_the_service_cleanly(self):
        process, port = self.service()
        answers, ended = threading.Semaphore(0), threading.Event()

        def storm():
            for _ in range(100):
                try:  # a full listener queue drops the SYN: no wait for a second try
                    socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
                except OSError:
                    pass

        def client():
            while not ended.is_set():
                try:
                    with socket.create_connection(("127.0.0.1", port), timeout=5) as peer:
                        while not ended.is_set():
                            peer.sendall(NOT_FOUND)
                            if not peer.recv(4096):
                                break
                            answers.release()
                except OSError:
                    time.sleep(0.01)

        def load_then_stop():
            try:
                if all(answers.acquire(timeout=30) for _ in range(500)):
                    result.append(service.stop(process))
            finally:
                ended.set()

        self.run_together([storm] * 4)
        self.assertTrue(served_again(port))
        result = []
        self.run_together([client] * 50 + [load_then_stop])
        self.assertEqual(result, [(0, "")])

    def run_together(self, bodies):
        threads = [threading.Thread(target=body) for body in bodies]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(60)
        self.assertFalse(any(thread.is_alive() for thread in threads))


if __name__ == "__main__":
    service.main()
