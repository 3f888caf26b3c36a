#!/usr/bin/env python3
"""Writes the seed inputs of fuzz_protocol: one valid reply of each command family member,
addressed to the zpid and upload number the fuzz target sets up. Texts are encrypted with the
openssl command line, independently of the client's cipher. Run by hand after changing a
layout; the written files are committed."""
import os
import struct
import subprocess

KEY = b"Zephon#Field#Key".hex()
IV = b"Zephon-Field-IV!".hex()
OWN = 0x01020304
RANDOM = 0x05060708
PEER = 4321
HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz_protocol")


def enc_bytes(data):
    if not data:
        return b""
    return subprocess.run(["openssl", "enc", "-aes-128-cbc", "-K", KEY, "-iv", IV],
                          input=data, capture_output=True, check=True).stdout


def enc(text):
    return enc_bytes(text.encode())


def u32(v):
    return struct.pack("<I", v)


def u8(v):
    return bytes([v])


def blob(b):
    return u32(len(b)) + b


def f64(v):
    return struct.pack("<d", v)


def str8(b):
    return u8(len(b)) + b


def items(*texts):
    return b"".join(blob(t.encode()) for t in texts)


def person(text, extra=b""):
    return blob(text.encode()) + blob(extra)


SEEDS = {
    "36-contacts": u8(36) + u32(OWN) + u8(0) + u32(0) + blob(enc("13800000001;Ann:13800000002;Bo")),
    "61-first-of-two": u8(61) + u32(OWN) + u8(0) + u32(3) + u32(2) + blob(enc("1;A;g:2;B;g")),
    "61-whole": u8(61) + u32(OWN) + u8(0) + u32(1) + u32(1) + blob(enc("3;C;g")),
    "61-no-book": u8(61) + u32(OWN) + u8(1),
    "60-confirm": u8(60) + u32(OWN) + u32(RANDOM) + u8(1) + u8(0),
    "60-refuse": u8(60) + u32(OWN) + u32(RANDOM) + u8(2) + u8(1),
    "63-done": u8(63) + u32(OWN) + u8(0),
    "81-card": u8(81) + u32(OWN) + u8(0) + u8(0) + u32(0) + blob(enc("Ann:0:Boss:Acme")),
    "81-picture": u8(81) + u32(4321) + u8(0) + u8(1) + u32(0) + blob(b"\x89PNG\r\n\x1a\n"),
    "82-saved": u8(82) + u32(OWN) + u8(0) + u8(0),
    "100-stranger": u8(100) + u32(OWN) + u32(4321) + u8(0) + u8(0) + blob(enc("Bo::0:Shop")),
    "32-may-know": u8(32) + u32(OWN) + u32(0) + u8(0) + u32(0) + u32(2) + u32(0)
    + person(";4321;13900000000;Bo;;Town", b"xy") + person(";4322;13900000001;Cy;;"),
    "14-text": u8(14) + u32(4321) + u32(OWN) + u32(7) + blob(enc("hello")) + u8(0),
    "14-file": u8(14) + u32(4321) + u32(OWN) + u32(8) + blob(enc("see")) + u8(2) + f64(45000.5)
    + blob(enc_bytes(items("a.b.txt", "md5", "1024", "pdf"))),
    "14-pair": u8(14) + u32(4321) + u32(OWN) + u32(9) + blob(enc("here")) + u8(5) + f64(45000.5)
    + blob(enc_bytes(items("map", "116.3,39.9"))),
    "15-delivered": u8(15) + u32(4321) + u8(0) + u8(0) + u32(42),
    "120-online": u8(120) + u32(OWN) + u32(4321) + u8(1),
    "16-accepted": u8(16) + u32(4321) + u32(OWN) + u8(0) + u32(42),
    "34-offline": u8(34) + u32(4321) + u32(OWN) + f64(45000.25) + u32(31) + blob(enc("away")),
    "83-card": u8(83) + u32(4321) + u32(OWN) + u8(0) + u32(12) + str8(enc("Bo")) + blob(enc("Bo:0:Shop")),
    "83-request": u8(83) + u32(4321) + u32(OWN) + u8(1) + u32(12) + str8(enc("Bo")),
    "83-answer": u8(83) + u32(4321) + u32(OWN) + u8(2) + u32(12) + u8(0),
    "14-other-file": u8(14) + u32(4321) + u32(OWN) + u32(10) + blob(enc("doc")) + u8(3)
    + f64(45000.5) + blob(enc_bytes(items("report", "md5", "2048", "doc"))),
    "15-card-accepted": u8(15) + u32(4321) + u8(3) + u8(1) + u32(42),
    "15-card-delivered": u8(15) + u32(4321) + u8(3) + u8(0) + u32(42),
    "16-refused": u8(16) + u32(4321) + u32(OWN) + u8(1) + u32(42),
    "83-exchanged": u8(83) + u32(4321) + u32(OWN) + u8(3) + u32(12) + str8(enc("Bo"))
    + blob(enc("Bo:0:Shop")),
    "97-member": u8(97) + u32(OWN) + u32(77) + u8(0) + u32(13) + u32(4321) + blob(enc("hi")),
    "97-result": u8(97) + u32(OWN) + u32(77) + u8(2) + u32(13) + u8(0),
}

# The enterprise directory 87: the sub-command at 5, then (but for 9) the result.
ORG = 77001


def ent(sub):
    return u8(87) + u32(OWN) + u8(sub)


DEPT = str8(b"0") + str8(b"D1") + str8("研发部".encode()) + blob(b"001")
EMP = u32(4321) + str8(b"D1") + str8(b"13800000001") + str8("李".encode()) \
    + str8(b"13800000001") + str8(b"010-1") + str8(b"") + u8(1) + blob(b"002")
ORG_ENTRY = u32(ORG) + u32(0) + str8("示例".encode()) + u32(2) + b"Ex"
SEEDS.update({
    "87-1-changed": ent(1) + u8(0) + u32(ORG),
    "87-1-refused": ent(1) + u8(1),
    "87-2-accepted": ent(2) + u8(0) + u8(0) + u32(ORG) + u32(0) + str8(b"a") + str8(b"b")
    + str8(b"c") + blob(b"d"),
    "87-3-signed-in": ent(3) + u8(0) + u8(1) + u32(ORG) + u32(0) + str8("示例公司".encode())
    + str8("示例".encode()) + str8(b"") + blob(b""),
    "87-3-refused": ent(3) + u8(2),
    "87-4-changed": ent(4) + u8(0) + u32(ORG),
    "87-5-refused": ent(5) + u8(3),
    "87-6-departments": ent(6) + u8(0) + u32(ORG) + u32(0) + u32(2) + u8(2) + DEPT + DEPT,
    "87-7-employees": ent(7) + u8(0) + u32(ORG) + u32(0) + u32(600) + u8(2) + EMP + EMP,
    "87-8-organisations": ent(8) + u8(0) + u8(2) + ORG_ENTRY + ORG_ENTRY,
    "87-9-password": ent(9) + u32(ORG) + str8(b"13800000001") + u8(0) + u8(0),
    "87-10-changed": ent(10) + u8(0) + u32(ORG),
    "87-11-refused": ent(11) + u8(1),
})

# The last byte of an input also chooses the fuzz target's call phase from its bits 1 and 2
# (0 none, 2 push under way, 4 calling, 6 talking); the call parsers ignore bytes after the
# fields they read, so each seed ends with the phase in which its packet acts.
for sub, name, phase in [(1, "request", 0), (2, "answer", 4), (3, "refuse", 4), (4, "busy", 4),
                         (5, "hang-up", 6), (7, "ringing", 4), (8, "acknowledgement", 0)]:
    SEEDS["5-%d-%s" % (sub, name)] = u8(5) + u32(PEER) + u32(OWN) + u8(sub) + u8(phase)
SEEDS["5-6-voice"] = u8(5) + u32(PEER) + u32(OWN) + u8(6) + u8(1) + u8(1) + u8(0x21) \
    + bytes(range(19)) + u8(6)
for kind, name in [(0, "reached"), (1, "delivered"), (2, "unreachable")]:
    SEEDS["19-%s" % name] = u8(19) + u32(PEER) + u8(0) + u8(kind) + u8(2)
# The delivery report of the push acts only while that push is under way.
SEEDS["15-call"] = u8(15) + u32(PEER) + u8(1) + u8(0) + u32(0) + u8(2)

os.makedirs(HERE, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
