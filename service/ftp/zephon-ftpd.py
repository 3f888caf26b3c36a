#!/usr/bin/python3
"""The service's file store over FTP, started by zephond beside itself.

Files are stored flat under <data-dir>/files, named by the lower-case MD5 of their content.
A user signs in with the account's Zpid in decimal and its mobile number, read from the
service's own store at every login. Only downloads (RETR) and uploads (STOR) of such names are
served; an upload is kept under its name only when what arrived has that MD5, so nobody can
place content under another content's name. The server ends when its parent process does.
"""

import argparse
import contextlib
import ctypes
import errno
import hashlib
import hmac
import logging
import os
import re
import signal
import sqlite3
import sys
import urllib.parse

from pyftpdlib.authorizers import AuthenticationFailed
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

NAME = re.compile(r"[0-9a-f]{32}")
ZPID = re.compile(r"[1-9][0-9]{0,9}")
PERMS = "lrw"

# Commands the store answers; everything else (listing, deleting, renaming, folders, SITE,
# appending, active mode) is refused.
ALLOWED = {
    "USER", "PASS", "QUIT", "NOOP", "TYPE", "MODE", "STRU", "PASV", "EPSV", "PWD", "XPWD",
    "SYST", "FEAT", "ABOR", "ALLO", "SIZE", "RETR", "STOR",
}
NAMED = {"SIZE", "RETR", "STOR"}


class AccountAuthorizer:
    """Checks a login against the account table; every user shares the one files folder."""

    def __init__(self, database, files):
        self.database = database
        self.files = files

    def mobile_of(self, zpid):
        uri = "file:%s?mode=ro" % urllib.parse.quote(self.database)
        try:
            with contextlib.closing(sqlite3.connect(uri, uri=True, timeout=5)) as db:
                row = db.execute("SELECT mobile FROM account WHERE zpid = ?",
                                 (zpid,)).fetchone()
        except sqlite3.Error as error:
            logging.warning("account store: %s", error)
            return None
        return row[0] if row and isinstance(row[0], str) else None

    def validate_authentication(self, username, password, handler):
        if not ZPID.fullmatch(username or ""):
            raise AuthenticationFailed("Authentication failed.")
        mobile = self.mobile_of(int(username))
        if not mobile or not hmac.compare_digest(
                mobile.encode(), (password or "").encode()):
            raise AuthenticationFailed("Authentication failed.")

    def get_home_dir(self, username):
        return self.files

    def impersonate_user(self, username, password):
        pass

    def terminate_impersonation(self, username):
        pass

    def has_user(self, username):
        return bool(ZPID.fullmatch(username or ""))

    def has_perm(self, username, perm, path=None):
        if perm not in PERMS:
            return False
        return path is None or os.path.dirname(os.path.realpath(path)) == self.files

    def get_perms(self, username):
        return PERMS

    def get_msg_login(self, username):
        return "Login successful."

    def get_msg_quit(self, username):
        return "Goodbye."


class HashingFile:
    """An upload on its way: written under a temporary name while its MD5 is taken."""

    max_bytes = 0

    def __init__(self, folder, name):
        self.size = 0
        self.target = os.path.join(folder, name)
        self.expected = name
        self.md5 = hashlib.md5()
        self.name = os.path.join(folder, ".%s.%d.%s.part" % (name, os.getpid(),
                                                              os.urandom(6).hex()))
        fd = os.open(self.name, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        self.file = os.fdopen(fd, "wb")

    @property
    def closed(self):
        return self.file.closed

    def write(self, data):
        self.size += len(data)
        if self.max_bytes and self.size > self.max_bytes:
            # Answered 426 and the upload discarded.
            raise OSError(errno.EFBIG, os.strerror(errno.EFBIG))
        self.md5.update(data)
        return self.file.write(data)

    def close(self):
        self.file.close()

    def keep(self):
        """Gives the upload its name when the content matches it; an existing file of that
        name already holds the same content and stays. True when the content matched."""
        try:
            if self.md5.hexdigest() != self.expected:
                return False
            os.chmod(self.name, 0o644)
            try:
                os.link(self.name, self.target)
            except FileExistsError:
                pass
            return True
        finally:
            self.discard()

    def discard(self):
        if not self.file.closed:
            self.file.close()
        try:
            os.unlink(self.name)
        except FileNotFoundError:
            pass


class StoreDTPHandler(DTPHandler):
    """Decides an upload's fate before its final reply goes out."""

    def close(self):
        upload = self.file_obj if isinstance(self.file_obj, HashingFile) else None
        if upload is not None and not self._closed:
            self.file_obj.close()
            if self.receive and self.transfer_finished:
                if not upload.keep():
                    self.transfer_finished = False
                    self._resp = ("550 Content does not match its name.", logging.warning)
            else:
                upload.discard()
        super().close()


class StoreHandler(FTPHandler):
    dtp_handler = StoreDTPHandler
    permit_foreign_addresses = False
    permit_privileged_ports = False
    use_sendfile = True
    auth_failed_timeout = 1
    max_login_attempts = 3
    banner = "Zephon file store ready."

    def pre_process_command(self, line, cmd, arg):
        # ABOR and QUIT may come behind the Telnet interrupt bytes.
        if cmd[-4:] in ("ABOR", "QUIT"):
            cmd = cmd[-4:]
        if cmd not in ALLOWED:
            self.respond("502 Command not allowed here.")
            self.log_cmd(cmd, arg, 502, "Command not allowed here.")
            return
        if cmd in NAMED and not NAME.fullmatch(arg.lstrip("/")):
            self.respond("553 Not a stored file name.")
            self.log_cmd(cmd, arg, 553, "Not a stored file name.")
            return
        super().pre_process_command(line, cmd, arg)

    def ftp_STOR(self, file, mode="w"):
        # REST is refused, so every upload starts at its first byte.
        try:
            upload = HashingFile(os.path.dirname(file), os.path.basename(file))
        except OSError as error:
            self.respond("550 %s." % os.strerror(error.errno))
            return None
        if self.data_channel is not None:
            self.respond("125 Data connection already open. Transfer starting.")
            self.data_channel.file_obj = upload
            self.data_channel.enable_receiving(self._current_type, "STOR")
        else:
            self.respond("150 File status okay. About to open data connection.")
            self._in_dtp_queue = (upload, "STOR")
        return file


def end_with_parent(parent):
    # Asked of the kernel first; the poll below covers a parent that died before the ask.
    try:
        libc = ctypes.CDLL(None, use_errno=True)
        PR_SET_PDEATHSIG = 1
        libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)
    except (OSError, AttributeError):
        pass
    if os.getppid() != parent:
        sys.exit(0)


def main():
    parser = argparse.ArgumentParser(description="Zephon file store (FTP)")
    parser.add_argument("--data-dir", required=True, help="folder holding service.db")
    parser.add_argument("--port", type=int, default=4669, help="TCP port (0 picks a free one)")
    parser.add_argument("--listen", default="127.0.0.1", help="address to listen on")
    parser.add_argument("--max-file-mb", type=int, default=1024,
                        help="largest file accepted, in MB (default 1024)")
    parser.add_argument("--parent-pid", type=int, default=0,
                        help="end when this process, the parent, is gone (default: the parent)")
    parser.add_argument("--verbose", action="store_true", help="log every command")
    options = parser.parse_args()

    parent = options.parent_pid or os.getppid()
    end_with_parent(parent)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    logging.basicConfig(level=logging.DEBUG if options.verbose else logging.WARNING,
                        format="zephon-ftpd: %(message)s", stream=sys.stderr)
    data_dir = os.path.realpath(options.data_dir)
    files = os.path.join(data_dir, "files")
    os.makedirs(files, exist_ok=True)
    for leftover in os.listdir(files):
        if leftover.startswith(".") and leftover.endswith(".part"):
            os.unlink(os.path.join(files, leftover))

    HashingFile.max_bytes = max(1, options.max_file_mb) * 1000 * 1000
    StoreHandler.authorizer = AccountAuthorizer(os.path.join(data_dir, "service.db"), files)
    server = FTPServer((options.listen, options.port), StoreHandler)
    server.max_cons = 256
    server.max_cons_per_ip = 32

    def check_parent():
        if os.getppid() != parent:
            server.close_all()
            sys.exit(0)

    # The loop wakes at least once a second (serve_forever's timeout) to run this.
    server.ioloop.call_every(1, check_parent)
    print("ftp port %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever(timeout=1.0, handle_exit=False)
    finally:
        server.close_all()


if __name__ == "__main__":
    main()
