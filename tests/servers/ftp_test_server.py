#!/usr/bin/python3
"""An FTP server on 127.0.0.1 for tests: one user with full rights over a root folder."""
import argparse
import logging

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", default="maker")
    parser.add_argument("--password", default="secret")
    args = parser.parse_args()

    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    # Real servers hold back a refused login for about a second.
    handler.auth_failed_timeout = 1
    server = FTPServer(("127.0.0.1", args.port), handler)
    server.max_cons = 64
    server.serve_forever()


if __name__ == "__main__":
    main()
