#!/usr/bin/python3
"""A small HTTP proxy on 127.0.0.1 that only tunnels (CONNECT). Each tunnel it opens
is counted in the file given by --log, one "host:port" line per tunnel."""
import argparse
import select
import socket
import socketserver


class Tunnel(socketserver.BaseRequestHandler):
    def handle(self):
        client = self.request
        head = b""
        while b"\r\n\r\n" not in head:
            chunk = client.recv(4096)
            if not chunk or len(head) > 65536:
                return
            head += chunk
        line = head.split(b"\r\n", 1)[0].decode("latin-1").split()
        if len(line) < 2 or line[0].upper() != "CONNECT":
            client.sendall(b"HTTP/1.1 405 Only CONNECT\r\nContent-Length: 0\r\n\r\n")
            return
        host, _, port = line[1].rpartition(":")
        try:
            upstream = socket.create_connection((host, int(port)), timeout=10)
        except OSError:
            client.sendall(b"HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n")
            return
        with open(self.server.log_path, "a") as log:
            log.write(line[1] + "\n")
        client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
        upstream.settimeout(None)
        sockets = [client, upstream]
        while True:
            readable, _, _ = select.select(sockets, [], [], 60)
            if not readable:
                break
            for sock in readable:
                data = sock.recv(65536)
                if not data:
                    upstream.close()
                    return
                (upstream if sock is client else client).sendall(data)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--log", required=True)
    args = parser.parse_args()
    server = Server(("127.0.0.1", args.port), Tunnel)
    server.log_path = args.log
    server.serve_forever()


if __name__ == "__main__":
    main()
