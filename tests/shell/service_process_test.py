#!/usr/bin/env python3
"""The service program run as a user runs it: copied with the reader library into a folder of
its own (its config.ini, kestor.ini, certificate), its own XDG_RUNTIME_DIR and TMPDIR.
Usage: service_process_test.py --program lumarin --library libvantel.so [unittest args]"""
import argparse
import base64
import os
import re
import resource
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
START_LINES = "http server_active_term_start succeed \nhttps server_active_term_start succeed \n"
# The status line of a path without a route, as the service words it.
NO_ROUTE = b"HTTP/1.1 404 OK"
DEFAULT_PORTS = {"http": 18889, "https": 18891, "websocket": 18890}


def command(program, *arguments):
    """A program's command line: a Windows build's programs run under wine."""
    return (["wine"] if getattr(ARGS, "wine", False) else []) + [program, *arguments]


def sanitized_program():
    """Whether the program carries a sanitizer's runtime, which keeps freed memory for itself:
    its resident memory says nothing then."""
    with open(ARGS.program, "rb") as program:
        return re.search(rb"__(a|t)san_init", program.read()) is not None


def free_ports(count):
    sockets = [socket.socket() for _ in range(count)]
    for each in sockets:
        each.bind(("127.0.0.1", 0))
    ports = [each.getsockname()[1] for each in sockets]
    for each in sockets:
        each.close()
    return ports


def connect(port, attempts=100):
    for _ in range(attempts):
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=5)
        except OSError:
            time.sleep(0.05)
    raise AssertionError(f"nothing listens on {port}")


def http_status(port):
    with connect(port) as peer:
        peer.sendall(b"GET /nothing HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        return peer.recv(4096).split(b"\r\n", 1)[0]


def https_status(port):
    context = ssl.create_default_context()
    context.check_hostname = False
    context.verify_mode = ssl.CERT_NONE
    with context.wrap_socket(connect(port)) as peer:
        peer.sendall(b"GET /nothing HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        return peer.recv(4096).split(b"\r\n", 1)[0]


def websocket_upgrade(port, peer=None):
    """An upgraded connection, left open: `peer` when given, already connected to the port."""
    peer = peer or connect(port)
    key = base64.b64encode(os.urandom(16)).decode()
    peer.sendall((f"GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                  f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                  f"Sec-WebSocket-Version: 13\r\n\r\n").encode())
    answer = peer.recv(4096)
    assert answer.startswith(b"HTTP/1.1 101"), answer
    return peer


def listening(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=1).close()
        return True
    except OSError:
        return False


class ServiceFolder:
    """The program's own folder, its files and environment; `start` runs it."""

    def __init__(self, root, ports=None, log="0", name="service"):
        self.folder = os.path.join(root, name)
        os.makedirs(self.folder)
        for source in (ARGS.program, ARGS.library, *getattr(ARGS, "beside", [])):
            shutil.copy2(source, self.folder)
        self.program = os.path.join(self.folder, os.path.basename(ARGS.program))
        self.temp = os.path.join(root, "tmp")
        self.runtime = os.path.join(root, "run")
        os.makedirs(self.temp, exist_ok=True)
        os.makedirs(self.runtime, exist_ok=True)
        self.ports = ports or DEFAULT_PORTS
        if ports:
            with open(os.path.join(self.folder, "config.ini"), "w") as ini:
                ini.write("[Config]\n" + "".join(
                    f"{name}_port={port}\n" for name, port in ports.items()))
        with open(os.path.join(self.folder, "kestor.ini"), "w") as ini:
            ini.write(f"[Set]\nLog={log}\n")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=127.0.0.1", "-keyout", os.path.join(self.folder, "server.key"),
                        "-out", os.path.join(self.folder, "server.crt")],
                       check=True, capture_output=True)

    def start(self, descriptors=None, **environment):
        """`descriptors`: the most files the program may hold open."""
        environment = dict(os.environ, XDG_RUNTIME_DIR=self.runtime, TMPDIR=self.temp,
                           **environment)
        limit = None if descriptors is None else (
            lambda: resource.setrlimit(resource.RLIMIT_NOFILE, (descriptors, descriptors)))
        return subprocess.Popen(command(self.program), cwd=self.folder, env=environment,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, preexec_fn=limit)

    def start_lines(self, process):
        # Later lines (the WebSocket server's traces) may be in the ANSI code page; Windows'
        # text-mode output ends its lines with CR LF.
        lines = process.stdout.readline() + process.stdout.readline()
        return lines.decode("latin-1").replace("\r\n", "\n")


def stop(process, sig=signal.SIGTERM):
    """Signals the service; its exit code and what it wrote on stderr."""
    process.send_signal(sig)
    try:
        _, errors = process.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        # Not communicate: a child of the program (wine's own processes) may hold its pipes.
        process.kill()
        process.wait()
        raise AssertionError("the service did not end")
    return process.returncode, errors.decode("latin-1")


class ServiceTestCase(unittest.TestCase):
    """Runs service programs in a temporary folder and ends those still running."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="lumarin-")
        self.processes = []
        self.addCleanup(shutil.rmtree, self.root, True)

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.communicate()

    def start(self, folder, **options):
        process = folder.start(**options)
        self.processes.append(process)
        self.assertEqual(folder.start_lines(process), START_LINES)
        return process


class ServiceProcess(ServiceTestCase):
    def test_serves_its_ports_logs_and_ends_on_each_quit_signal_with_clients_open(self):
        # A folder path far past 256 bytes: config.ini is still found and read.
        deep = os.path.join(self.root, *(["d" * 60] * 6))
        os.makedirs(deep)
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig.name):
                http, https, websocket, wss = free_ports(4)
                folder = ServiceFolder(deep, {"http": http, "https": https,
                                              "websocket": websocket, "wss": wss},
                                       log="1", name=sig.name)
                process = self.start(folder)
                self.assertEqual(http_status(http), NO_ROUTE)
                self.assertEqual(https_status(https), NO_ROUTE)
                upgraded = websocket_upgrade(websocket)
                idle_http = connect(http)
                self.assertFalse(listening(wss))
                code, errors = stop(process, sig)
                upgraded.close()
                idle_http.close()
                self.assertEqual((code, errors), (0, ""))
                with open(os.path.join(folder.temp, "server_debug.log"), "rb") as log:
                    self.assertIn(b" /nothing\n", log.read())
                os.remove(os.path.join(folder.temp, "server_debug.log"))

    def test_without_config_uses_the_default_ports_and_log_off_writes_nothing(self):
        folder = ServiceFolder(self.root)
        process = self.start(folder)
        self.assertEqual(http_status(18889), NO_ROUTE)
        self.assertEqual(https_status(18891), NO_ROUTE)
        websocket_upgrade(18890).close()
        self.assertFalse(listening(18892))
        self.assertEqual(stop(process), (0, ""))
        self.assertEqual(os.listdir(folder.temp), [])

    def test_a_second_instance_says_so_and_leaves_the_first_serving(self):
        http, https, websocket = free_ports(3)
        ports = {"http": http, "https": https, "websocket": websocket}
        folder = ServiceFolder(self.root, ports)
        first = self.start(folder)
        second = folder.start()
        out, errors = second.communicate(timeout=30)
        self.assertEqual((second.returncode, out), (0, b""))
        self.assertIn(b"Application is already running", errors)
        self.assertEqual(http_status(http), NO_ROUTE)
        self.assertEqual(stop(first), (0, ""))

    def test_an_http_port_held_elsewhere_leaves_https_and_websocket_serving(self):
        http, https, websocket = free_ports(3)
        holder = socket.socket()
        holder.bind(("0.0.0.0", http))
        holder.listen(1)
        self.addCleanup(holder.close)
        folder = ServiceFolder(self.root, {"http": http, "https": https, "websocket": websocket})
        process = self.start(folder)
        self.assertEqual(https_status(https), NO_ROUTE)
        websocket_upgrade(websocket).close()
        self.assertEqual(stop(process), (0, ""))


def main(*options):
    """Runs the tests of the program's main file; `options` are required besides the two."""
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--library", required=True)
    for option in options:
        parser.add_argument(option, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
