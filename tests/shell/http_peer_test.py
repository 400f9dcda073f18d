#!/usr/bin/env python3
"""One peer against the service's HTTP listener over loopback: it cannot exhaust or spin it
or grow its memory without bound, and the service still ends cleanly.
Usage: http_peer_test.py --program lumarin --library libvantel.so [unittest args]"""
import os
import re
import socket
import threading
import time

import service_process_test as service

CAP = 128  # connections one listener serves at once
NOT_FOUND = b"GET /nothing HTTP/1.1\r\n\r\n"
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


class HttpPeer(service.ServiceTestCase):
    def service(self, **options):
        http, https, websocket = service.free_ports(3)
        self.folder = service.ServiceFolder(
            self.root, {"http": http, "https": https, "websocket": websocket}, log="1")
        return self.start(self.folder, **options), http

    def ask(self, port, request):
        """A new connection, left open, and the answer to its request (empty when none came
        within 2 s, or when the service closed the connection)."""
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

    def test_idle_connections_hold_little_and_those_beyond_the_cap_are_closed_at_once(self):
        process, port = self.service()
        rss = lambda: int(re.search(r"VmRSS:\s+(\d+)", proc(process.pid, "status")).group(1))
        # The first answer brings in what the service keeps for good (the reader library's).
        served = [self.ask(port, MUTE)]
        before = rss()
        served += [self.ask(port, MUTE) for _ in range(CAP - 1)]
        self.assertTrue(all(answer.startswith(b"HTTP/1.1 200 OK") for _, answer in served))
        if not service.sanitized_program():
            # Holding its answer buffers, each one took about 700 KiB.
            self.assertLess((rss() - before) / (CAP - 1), 128)
        refused = service.connect(port)
        self.addCleanup(refused.close)
        self.assertEqual(refused.recv(1), b"")
        served.pop()[0].close()
        self.assertTrue(served_again(port))
        self.assertEqual(service.stop(process), (0, ""))
        with open(os.path.join(self.folder.temp, "server_debug.log"), "rb") as log:
            self.assertIn(b": connection refused: 128 connections open\n", log.read())

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
