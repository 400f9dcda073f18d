#!/usr/bin/env python3
"""A web page in headless Chromium reads the identity card through the service: the service
run as in the process tests, the simulated reader's card (natively in a private pcscd; under
wine connected to the tests' WinSCard.dll beside Lumarin.exe), the page served from 127.0.0.1.
Usage: browser_test.py --program lumarin --library libvantel.so --decoder decode_photo
--simulated-reader simulated_reader --screenshot-dir DIR [--wine --beside WinSCard.dll]
[unittest args]"""
import argparse
import base64
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "shell"))
import service_process_test as service  # noqa: E402

ARGS = None
PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "read_card.html")
SIGNATURE_KEY = "k7Pq!2wZr9@Lm4v#"
SIGNED_MEMBERS = ("partyName", "gender", "nation", "bornDay", "certAddress", "certNumber",
                  "certOrg", "effDate", "expDate", "identityPic")


class PageServer(http.server.ThreadingHTTPServer):
    """Serves the page and the decoded photo; keeps what the page posts back."""

    def __init__(self, decoded_bitmap):
        super().__init__(("127.0.0.1", 0), PageHandler)
        self.decoded_bitmap = decoded_bitmap
        self.result = None
        self.posted = threading.Event()


class PageHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/read_card.html"):
            with open(PAGE, "rb") as page:
                self.answer("text/html; charset=utf-8", page.read())
        elif self.path == "/decoded.bmp":
            self.answer("image/bmp", self.server.decoded_bitmap)
        elif self.path == "/shown":
            self.answer("text/html; charset=utf-8", shown_page(self.server.result).encode())
        else:
            self.send_error(404)

    def do_POST(self):
        self.server.result = json.loads(self.rfile.read(int(self.headers["Content-Length"])))
        self.answer("text/plain", b"")
        self.server.posted.set()

    def answer(self, kind, body):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def shown_page(result):
    """What the page showed, again, for the screenshot: the portrait and the main fields."""
    content = json.loads(result["http"])["resultContent"]
    return ('<!doctype html><meta charset="utf-8"><body style="font: 20px sans-serif">'
            f'<img src="data:image/jpeg;base64,{content["identityPic"]}" width="204">'
            f'<p>{content["partyName"]} {content["certNumber"]}<br>{content["certAddress"]}</p>')


def program_path(path):
    """A file's path as the program under test names it (wine: on drive Z:)."""
    return "Z:" + path.replace("/", "\\") if ARGS.wine else path


def decoded_photo(photo, folder):
    """The card's photo as the reader library decodes it (a BMP file's bytes)."""
    wlt = os.path.join(folder, "photo.wlt")
    with open(wlt, "wb") as file:
        file.write(photo)
    subprocess.run(service.command(ARGS.decoder, program_path(wlt)), check=True, timeout=60)
    with open(os.path.join(folder, "photo.bmp"), "rb") as file:
        return file.read()


def jpeg_size(data):
    """(width, height) from a JPEG's frame header."""
    at = 2
    while at < len(data):
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if 0xC0 <= marker <= 0xC3:
            return (int.from_bytes(data[at + 7:at + 9], "big"),
                    int.from_bytes(data[at + 5:at + 7], "big"))
        at += 2 + length
    return None


def openssl_sha1(text):
    digest = subprocess.run(["openssl", "dgst", "-sha1", "-r"], input=text.encode(),
                            capture_output=True, check=True).stdout
    return digest.split()[0].decode()


class BrowserReadsCard(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="lumarin-e2e-")
        self.addCleanup(shutil.rmtree, self.root, True)

    @staticmethod
    def stop(process):
        process.terminate()
        process.wait(timeout=30)

    def start_reader(self, *options):
        """The simulated reader, once its card is in: what it printed, by name."""
        reader = subprocess.Popen(service.command(ARGS.simulated_reader, *options),
                                  stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.stop, reader)
        lines = {}
        # A card that never gets in ends the reader, and with it the wait.
        watchdog = threading.Timer(60, reader.kill)
        watchdog.start()
        try:
            while "CARD_PHOTO" not in lines:
                line = reader.stdout.readline()
                self.assertTrue(line, "the simulated reader did not get its card in")
                name, _, value = line.strip().partition("=")
                lines[name] = value
        finally:
            watchdog.cancel()
        self.photo = bytes.fromhex(lines["CARD_PHOTO"])
        return lines

    def start_service(self, ports):
        """The service, its folder and the simulated reader's card within its reach."""
        folder = service.ServiceFolder(self.root, ports, log="0" if ARGS.wine else "1")
        if not ARGS.wine:
            environment = {"PCSCLITE_CSOCK_NAME": self.start_reader()["PCSCLITE_CSOCK_NAME"]}
        else:
            card_port = service.free_ports(1)[0]
            environment = {"VANTEL_WINSCARD_READERS": f"Kestor Passport Reader 0={card_port}",
                           "WINEDLLOVERRIDES": "mscoree,mshtml=;winscard=n"}
        process = folder.start(**environment)
        self.addCleanup(service.stop, process)
        self.assertEqual(folder.start_lines(process), service.START_LINES)
        # The listeners bind on threads of their own, after the start lines.
        for port in (ports["http"], ports["websocket"]):
            service.connect(port).close()
        if ARGS.wine:
            # The WinSCard.dll listens for its card from the first PC/SC context on, which a
            # read (finding no card yet) makes.
            with urllib.request.urlopen(f"http://127.0.0.1:{ports['http']}/api/readCard",
                                        timeout=60) as first:
                first.read()
            self.start_reader("--card-port", str(card_port))
        return folder

    def chromium(self, url, *options):
        return subprocess.Popen(
            ["chromium", "--headless=new", "--no-sandbox", "--disable-gpu",
             f"--user-data-dir={os.path.join(self.root, 'chromium')}", *options, url],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def read_in_browser(self, ports):
        page = PageServer(decoded_photo(self.photo, self.root))
        threading.Thread(target=page.serve_forever, daemon=True).start()
        self.addCleanup(page.shutdown)
        url = (f"http://127.0.0.1:{page.server_address[1]}/read_card.html"
               f"?http={ports['http']}&ws={ports['websocket']}")
        browser = self.chromium(url)
        posted = page.posted.wait(120)
        self.stop(browser)
        self.assertTrue(posted, "the page posted nothing")
        if page.result.get("http", "").startswith("{"):
            shown = f"http://127.0.0.1:{page.server_address[1]}/shown"
            screenshot = os.path.join(ARGS.screenshot_dir, "read_card.png")
            self.chromium(shown, "--window-size=600,400", f"--screenshot={screenshot}").wait(60)
        return page.result

    def test_a_page_reads_the_card_over_http_and_websocket(self):
        http, https, websocket = service.free_ports(3)
        ports = {"http": http, "https": https, "websocket": websocket}
        folder = self.start_service(ports)

        result = self.read_in_browser(ports)
        answer = json.loads(result["http"])
        content = answer["resultContent"]
        self.assertEqual((answer["resultFlag"], content["partyName"]), (0, "张三"))
        self.assertEqual(content["identityPhotoSrc"], base64.b64encode(self.photo).decode())
        self.assertEqual(jpeg_size(base64.b64decode(content["identityPic"])), (102, 126))
        self.assertEqual((result["portrait"]["width"], result["portrait"]["height"]), (102, 126))
        self.assertLess(result["portrait"]["meanDifference"], 8)
        signed = str(content["certType"]) + "".join(str(content[name]) for name in SIGNED_MEMBERS)
        self.assertEqual(answer["signature"], openssl_sha1(signed + SIGNATURE_KEY))
        self.assertEqual(result.get("ws"), '{"name":"readCard",' + result["http"][1:],
                         result.get("error"))
        if ARGS.wine:
            return  # the log goes to wine's own temporary folder
        # The answer layer's own lines reach the service log.
        with open(os.path.join(folder.temp, "server_debug.log"), "rb") as log:
            self.assertIn(b"enter dll readCard", log.read())


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--decoder", required=True)
    parser.add_argument("--simulated-reader", required=True)
    parser.add_argument("--screenshot-dir", required=True)
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--beside", action="append", default=[])
    ARGS, rest = parser.parse_known_args()
    service.ARGS = ARGS
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
