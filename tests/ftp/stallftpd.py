#!/usr/bin/python3
"""A faulty FTP peer for the client's tests: serves the files of a folder as they are (so a
file may hold content other than its name says) to one user, and with --stall-after N stops
moving data after N bytes of a download or upload while keeping both connections open."""

import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


class StallingDTPHandler(DTPHandler):
    stall_after = 0

    def _stall_when_due(self):
        if self.stall_after and self.get_transmitted_bytes() >= self.stall_after:
            # Out of the loop: neither read nor written again, but not closed.
            self.del_channel()

    def handle_read_event(self):
        DTPHandler.handle_read(self)
        self._stall_when_due()

    def handle_write_event(self):
        DTPHandler.handle_write_event(self)
        self._stall_when_due()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="1001")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--stall-after", type=int, default=0)
    options = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(options.user, options.password, options.dir, perm="elrw")
    StallingDTPHandler.stall_after = options.stall_after
    # Small pieces, so that a stall comes after about --stall-after bytes.
    StallingDTPHandler.ac_in_buffer_size = 8192
    StallingDTPHandler.ac_out_buffer_size = 8192
    handler = FTPHandler
    handler.authorizer = authorizer
    handler.dtp_handler = StallingDTPHandler
    handler.use_sendfile = False
    server = FTPServer(("127.0.0.1", options.port), handler)
    parent = os.getppid()

    def check_parent():
        if os.getppid() != parent:
            server.close_all()
            sys.exit(0)

    # The loop wakes at least once a second (serve_forever's timeout) to run this.
    server.ioloop.call_every(1, check_parent)
    print("ftp port %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever(timeout=1.0, handle_exit=False)


if __name__ == "__main__":
    main()
