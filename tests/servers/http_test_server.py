#!/usr/bin/python3
"""HTTP server for the transfer tests, bound to 127.0.0.1.

Answers that plain file servers cannot give on demand:
  /missing                 404
  /pattern/N               N bytes (byte i is i % 251), Content-Length, fixed Last-Modified
  /no-length/N             N bytes without Content-Length, ended by closing the connection
  /no-date/N               N bytes without Last-Modified
  /slow/N?chunk=C&delay=S  N bytes in blocks of C with S seconds between them
  /counted/ID?delay=S&size=N
                           N bytes after S seconds; records how many requests were open
  /stats                   JSON: {"max_open": M, "events": ["start ID", "end ID", ...]}
  /close-early/N           promises N bytes, sends a tenth of them and closes
  /garbage                 a reply that is not HTTP
  /hang                    accepts and never answers
  /file/NAME               a file of --root, with the fixed Last-Modified
  /redirect/N              302 to /pattern/N
  /any/other/path          the file of --root at that path, as a plain file server; with
                           --cut NAME, files whose path ends in NAME are cut off after a
                           tenth of their bytes
The fixed Last-Modified is --date (default "Wed, 21 Oct 2015 07:28:00 GMT"); a
?date=... query overrides it per request.
"""
import argparse
import json
import os
import socket
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

STATE = {"open": 0, "max_open": 0, "events": []}
LOCK = threading.Lock()


def pattern(n, start=0):
    return bytes((start + i) % 251 for i in range(n))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def _query(self):
        parsed = urllib.parse.urlsplit(self.path)
        return parsed.path, dict(urllib.parse.parse_qsl(parsed.query))

    def _head(self, status, length=None, date=None, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        if date:
            self.send_header("Last-Modified", date)
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def do_GET(self):
        path, query = self._query()
        date = query.get("date", self.server.fixed_date)
        parts = path.strip("/").split("/", 1)
        kind = parts[0]
        arg = urllib.parse.unquote(parts[1]) if len(parts) > 1 else ""
        handler = getattr(self, "serve_" + kind.replace("-", "_"), None)
        try:
            if handler is None:
                self.serve_plain(urllib.parse.unquote(path), date)
            else:
                handler(arg, query, date)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def serve_missing(self, arg, query, date):
        body = b"<html>not here</html>"
        self._head(404, len(body))
        self.wfile.write(body)

    def serve_pattern(self, arg, query, date):
        n = int(arg)
        self._head(200, n, date)
        self.wfile.write(pattern(n))

    def serve_no_date(self, arg, query, date):
        n = int(arg)
        self._head(200, n)
        self.wfile.write(pattern(n))

    def serve_no_length(self, arg, query, date):
        n = int(arg)
        self._head(200, None, date)
        self.wfile.write(pattern(n))
        self.close_connection = True

    def serve_slow(self, arg, query, date):
        n = int(arg)
        chunk = int(query.get("chunk", "1024"))
        delay = float(query.get("delay", "0.05"))
        self._head(200, n, date)
        sent = 0
        while sent < n:
            block = min(chunk, n - sent)
            self.wfile.write(pattern(block, sent))
            self.wfile.flush()
            sent += block
            time.sleep(delay)

    def serve_counted(self, arg, query, date):
        delay = float(query.get("delay", "0.3"))
        n = int(query.get("size", "1000"))
        with LOCK:
            STATE["open"] += 1
            STATE["max_open"] = max(STATE["max_open"], STATE["open"])
            STATE["events"].append("start " + arg)
        time.sleep(delay)
        self._head(200, n, date)
        self.wfile.write(pattern(n))
        self.wfile.flush()
        with LOCK:
            STATE["open"] -= 1
            STATE["events"].append("end " + arg)

    def serve_stats(self, arg, query, date):
        with LOCK:
            body = json.dumps({"max_open": STATE["max_open"], "events": STATE["events"]}).encode()
        self._head(200, len(body))
        self.wfile.write(body)

    def serve_close_early(self, arg, query, date):
        n = int(arg)
        self._head(200, n, date)
        self.wfile.write(pattern(n // 10))
        self.wfile.flush()
        self.connection.shutdown(socket.SHUT_RDWR)

    def serve_garbage(self, arg, query, date):
        self.wfile.write(b"\x00\x01garbage that is no status line\r\n\r\nmore")
        self.wfile.flush()
        self.connection.shutdown(socket.SHUT_RDWR)

    def serve_hang(self, arg, query, date):
        time.sleep(60)

    def serve_redirect(self, arg, query, date):
        self._head(302, 0, None, [("Location", "/pattern/" + arg)])

    def serve_plain(self, path, date):
        full = os.path.join(self.server.root, path.lstrip("/"))
        if not os.path.isfile(full):
            return self.serve_missing(path, {}, date)
        with open(full, "rb") as f:
            body = f.read()
        self._head(200, len(body), date)
        if self.server.cut and path.endswith(self.server.cut):
            self.wfile.write(body[: len(body) // 10])
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        self.wfile.write(body)

    def serve_file(self, arg, query, date):
        full = os.path.join(self.server.root, arg)
        if not os.path.isfile(full):
            return self.serve_missing(arg, query, date)
        with open(full, "rb") as f:
            body = f.read()
        self._head(200, len(body), date)
        self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", default=".")
    parser.add_argument("--date", default="Wed, 21 Oct 2015 07:28:00 GMT")
    parser.add_argument("--cut", default="")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    server.request_queue_size = 64
    server.fixed_date = args.date
    server.root = args.root
    server.cut = args.cut
    server.serve_forever()


if __name__ == "__main__":
    main()
