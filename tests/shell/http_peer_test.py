#!/usr/bin/env python3
"""What one peer does to the HTTP listener of the service program, over loopback: it cannot
exhaust it, spin it or grow its memory without bound, and the service still ends cleanly.
Usage: http_peer_test.py --program lumarin --library libvantel.so [--sanitized] [unittest args]"""
import argparse
import os
import re
import socket
import sys
import threading
import time
import unittest

import service_process_test as service

SANITIZED = False
# The connections one listener serves at once.
CAP = 128
NOT_FOUND = b"GET /nothing HTTP/1.1\r\n\r\n"
# A route that needs no reader: its answer passes through all the answer buffers.
MUTE = b"GET /api/Kestor_Mute?ISMUTE=true HTTP/1.1\r\n\r\n"


def cpu_seconds(pid):
    """The processor time the process has used, user and system."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"VmRSS:\s+(\d+)", status.read()).group(1))


def whole_answer(peer):
    answer = b""
    while b"\r\n\r\n" not in answer or len(answer.split(b"\r\n\r\n", 1)[1]) < int(
            re.search(rb"Content-Length: (\d+)", answer).group(1)):
        more = peer.recv(65536)
        if not more:
            break
        answer += more
    return answer


def closed_at_once(peer):
    """Whether the service closes the connection without a word."""
    try:
        return peer.recv(1) == b""
    except socket.timeout:
        return False


def served_again(port):
    for _ in range(100):
        try:
            if service.http_status(port) == service.NO_ROUTE:
                return True
        except OSError:
            pass
        time.sleep(0.05)
    return False


class HttpPeer(service.ServiceTestCase):
    def service(self, log="0", **options):
        """A running service and its HTTP port."""
        http, https, websocket = service.free_ports(3)
        self.folder = service.ServiceFolder(
            self.root, {"http": http, "https": https, "websocket": websocket}, log=log)
        return self.start(self.folder, **options), http

    def ask(self, port, request):
        """A new connection, left open, and the answer to its request (empty when none came
        within 2 s)."""
        peer = service.connect(port)
        self.addCleanup(peer.close)
        peer.sendall(request)
        peer.settimeout(2)
        try:
            return peer, whole_answer(peer)
        except socket.timeout:
            return peer, b""

    def served(self, port, request):
        """A connection whose request has been answered, left open."""
        peer, answer = self.ask(port, request)
        self.assertTrue(answer.startswith(
            b"HTTP/1.1 200 OK" if request == MUTE else service.NO_ROUTE))
        return peer

    def test_out_of_descriptors_accepting_pauses_and_serves_again_once_they_are_free(self):
        process, port = self.service(descriptors=64)
        held, answer = [], b"answered"
        while answer and len(held) < 100:
            peer, answer = self.ask(port, NOT_FOUND)
            held.append(peer)
        # The last waits in the listener's queue while every accept fails.
        self.assertEqual(answer, b"")
        before = cpu_seconds(process.pid)
        time.sleep(1)
        self.assertLess(cpu_seconds(process.pid) - before, 0.3)
        for peer in held:
            peer.close()
        self.assertTrue(served_again(port))
        self.assertEqual(service.stop(process), (0, ""))

    def test_idle_connections_after_a_request_each_hold_little_memory(self):
        if SANITIZED:
            self.skipTest("a sanitizer's runtime keeps freed memory for itself")
        process, port = self.service()
        # The first answer brings in what the service keeps for good (the reader library's).
        idle = [self.served(port, MUTE)]
        before = resident_kib(process.pid)
        idle += [self.served(port, MUTE) for _ in range(50)]
        # Holding its answer buffers, each one took about 700 KiB.
        self.assertLess((resident_kib(process.pid) - before) / 50, 128)
        self.assertEqual(service.stop(process), (0, ""))

    def test_connections_beyond_the_cap_are_closed_at_once_and_logged(self):
        process, port = self.service(log="1")
        served = [self.served(port, NOT_FOUND) for _ in range(CAP)]
        with service.connect(port) as refused:
            self.assertTrue(closed_at_once(refused))
        served.pop().close()
        self.assertTrue(served_again(port))
        self.assertEqual(service.stop(process), (0, ""))
        with open(os.path.join(self.folder.temp, "server_debug.log"), "rb") as log:
            self.assertIn(b": connection refused: 128 connections open\n", log.read())

    def test_a_storm_of_connections_closed_at_once_leaves_the_service_serving(self):
        process, port = self.service()

        def storm():
            for _ in range(100):
                try:
                    # A full queue of the listener drops the peer's SYN: no wait for its
                    # second try.
                    socket.create_connection(("127.0.0.1", port), timeout=0.2).close()
                except OSError:
                    pass

        self.run_together([storm] * 4)
        self.assertEqual(service.http_status(port), service.NO_ROUTE)
        self.assertEqual(service.stop(process), (0, ""))

    def test_sigterm_while_fifty_clients_send_requests_ends_the_service_cleanly(self):
        process, port = self.service()
        answers = threading.Semaphore(0)
        ended = threading.Event()

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


def main():
    global SANITIZED
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--sanitized", action="store_true")
    service.ARGS, rest = parser.parse_known_args()
    SANITIZED = service.ARGS.sanitized
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
