#!/usr/bin/python3
"""Serves an update set folder on 127.0.0.1, over TLS when given a certificate, and
misbehaves on request for the tests of what a client may refuse.

Beside a served file X, a marker file changes how X is answered:
  X.endless    an endless body (no Content-Length), until the client hangs up
  X.drip       one byte every half second, for ever
  X.redirect   302 to the address the marker holds
/connections answers the number of connections accepted so far. Connections are kept
open between requests (HTTP/1.1), as a production server does.
"""
import argparse
import os
import ssl
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

CONNECTIONS = [0]
LOCK = threading.Lock()


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def setup(self):
        if isinstance(self.request, ssl.SSLSocket):
            self.request.do_handshake()  # here, so that a slow client holds only its thread
        super().setup()
        with LOCK:
            CONNECTIONS[0] += 1

    def _send(self, status, body=b"", extra=()):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        if path == "/connections":
            self._send(200, str(CONNECTIONS[0]).encode())
            return
        local = os.path.normpath(os.path.join(self.server.root, path.lstrip("/")))
        if not local.startswith(self.server.root):
            self._send(403)
            return
        try:
            if os.path.exists(local + ".redirect"):
                with open(local + ".redirect") as f:
                    self._send(302, extra=[("Location", f.read().strip())])
            elif os.path.exists(local + ".endless"):
                self.send_response(200)
                self.send_header("Connection", "close")
                self.end_headers()
                block = bytes(range(256)) * 256
                while True:
                    self.wfile.write(block)
            elif os.path.exists(local + ".drip"):
                self.send_response(200)
                self.send_header("Connection", "close")
                self.end_headers()
                while True:
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(0.5)
            elif os.path.isfile(local):
                with open(local, "rb") as f:
                    self._send(200, f.read())
            else:
                self._send(404, b"not here")
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.root = os.path.realpath(args.root)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(
            server.socket, server_side=True, do_handshake_on_connect=False)
    server.serve_forever()


if __name__ == "__main__":
    main()
