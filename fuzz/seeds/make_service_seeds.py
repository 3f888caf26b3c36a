#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_service: the first byte chooses the way in (odd: the TCP
stream of the session of 1000001; even: a datagram of the session of 1000002), the rest is one
valid request of the contact, cloud address book and message commands, plus requests with
hostile counts. Texts are encrypted with the openssl command line. Run by hand after changing
a layout; the written files are committed."""
import os
import struct
import subprocess

KEY = b"Zephon#Field#Key".hex()
IV = b"Zephon-Field-IV!".hex()
TCP_USER = 1000001
UDP_USER = 1000002
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_service")


def enc(text):
    return subprocess.run(["openssl", "enc", "-aes-128-cbc", "-K", KEY, "-iv", IV],
                          input=text.encode(), capture_output=True, check=True).stdout


def u32(v):
    return struct.pack("<I", v)


def u8(v):
    return bytes([v])


def blob(b):
    return u32(len(b)) + b


def str8(b):
    return u8(len(b)) + b


TCP = u8(1)
UDP = u8(0)
T = u32(TCP_USER)
U = u32(UDP_USER)

SEEDS = {
    "60-chunk": TCP + u8(60) + T + u32(7) + u8(0) + u32(2) + blob(enc("139;A;g:138;B;")),
    "60-count-huge": TCP + u8(60) + T + u32(7) + u8(1) + u32(0xFFFFFFFF) + blob(enc("1;A;g")),
    "61-download": TCP + u8(61) + T + u32(0),
    "63-add": TCP + u8(63) + T + u8(0) + blob(b"") + blob(enc("137;New;g")),
    "63-edit": TCP + u8(63) + T + u8(2) + blob(b"139") + blob(enc("139;A:B;g;h")),
    "63-kind-unknown": TCP + u8(63) + T + u8(250) + blob(b"139") + blob(b""),
    "100-stranger": TCP + u8(100) + T + u32(1000003) + u8(0),
    "32-may-know": TCP + u8(32) + T + u32(2) + u32(0),
    "81-other-card": TCP + u8(81) + u32(1000002) + u8(0) + u32(0),
    "14-text-udp": UDP + u8(14) + U + u32(1000001) + u32(5) + blob(enc("hi")) + u8(0) + blob(b""),
    "14-assistant": UDP + u8(14) + U + u32(800) + u32(6) + blob(enc("hello")) + u8(0) + blob(b""),
    "14-file-tcp": TCP + u8(14) + T + u32(1000003) + u32(8) + blob(enc("f")) + u8(2)
    + blob(enc("report.doc")),
    "14-count-past-end": UDP + u8(14) + U + u32(1000001) + u32(9) + u32(0x7FFFFFFF) + b"x",
    "16-receipt": UDP + u8(16) + U + u32(1000001) + u8(0) + u32(5),
    "83-card": TCP + u8(83) + T + u32(1000002) + u8(0) + u32(10) + str8(enc("Card"))
    + blob(enc("Bo:0:Shop")),
    "83-request": TCP + u8(83) + T + u32(1000004) + u8(1) + u32(11) + str8(enc("Bo")),
    "83-answer": TCP + u8(83) + T + u32(1000002) + u8(2) + u32(12) + u8(0),
    "83-kind-unknown": TCP + u8(83) + T + u32(1000002) + u8(9) + u32(13) + str8(b"x"),
}

os.makedirs(HERE, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
