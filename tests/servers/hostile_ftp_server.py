#!/usr/bin/python3
"""An FTP server on 127.0.0.1 that misbehaves in one chosen way, for tests of how
clients cope: over-long reply lines, replies without a code, a link dropped after
login, and directory listings that are junk or far too long."""
import argparse
import re
import socket
import socketserver


class Session(socketserver.StreamRequestHandler):
    def reply(self, text):
        self.wfile.write(text.encode("latin-1") + b"\r\n")
        self.wfile.flush()

    def data_link(self, port):
        return socket.create_connection(("127.0.0.1", port), timeout=10)

    def handle(self):
        mode = self.server.mode
        self.reply("220 hostile server")
        data_port = None
        while True:
            line = self.rfile.readline(65536)
            if not line:
                return
            words = line.decode("latin-1").strip().split(" ", 1)
            command = words[0].upper()
            argument = words[1] if len(words) > 1 else ""
            if command == "USER":
                if mode == "long-line":
                    self.wfile.write(b"331 " + b"x" * 400000 + b"\r\n")
                    self.wfile.flush()
                    continue
                if mode == "no-code":
                    self.reply("please go on")
                    continue
                self.reply("331 password")
            elif command == "PASS":
                self.reply("230 in")
            elif mode == "drop":
                return
            elif command == "PWD":
                self.reply('257 "/" here')
            elif command in ("CWD", "TYPE", "MKD", "DELE"):
                self.reply("250 ok")
            elif command == "EPRT":
                match = re.match(r"\|1\|[^|]*\|(\d+)\|", argument)
                data_port = int(match.group(1)) if match else None
                self.reply("200 ok")
            elif command == "PORT":
                parts = argument.split(",")
                data_port = int(parts[4]) * 256 + int(parts[5]) if len(parts) == 6 else None
                self.reply("200 ok")
            elif command in ("LIST", "RETR") and data_port:
                self.reply("150 opening")
                link = self.data_link(data_port)
                try:
                    if mode == "huge-listing":
                        block = b"-rw-r--r-- 1 a b 1 Jan 1 10:00 " + b"y" * 4000 + b"\r\n"
                        for _ in range(6000):
                            link.sendall(block)
                    else:
                        link.sendall(b"\x00\xff junk\r\n-rw-r--r-- 1 a\r\n" + b"z" * 100000 + b"\r\n")
                except OSError:
                    pass
                link.close()
                self.reply("226 done")
            else:
                self.reply("502 not here")


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--mode", required=True,
                        choices=["long-line", "no-code", "drop", "huge-listing", "junk-listing"])
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), Session)
    server.mode = args.mode
    server.serve_forever()


if __name__ == "__main__":
    main()
