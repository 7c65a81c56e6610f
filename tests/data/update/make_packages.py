#!/usr/bin/python3
"""Writes the hostile update packages of the install tests. Each is a small
file whose directory says something its data does not hold, which no zip
tool writes on purpose.

Run from this folder: /usr/bin/python3 make_packages.py
"""
import struct
import zlib

UNIX = 3 << 8 | 20


def package(entries):
    """entries: (name, stored bytes, method, crc, declared size)."""
    local, central = b"", b""
    for name, data, method, crc, size in entries:
        n = name.encode()
        offset = len(local)
        local += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0x800, method, 0, 0x5A21,
                             crc, len(data), size, len(n), 0) + n + data
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, UNIX, 20, 0x800, method, 0,
                               0x5A21, crc, len(data), size, len(n), 0, 0, 0, 0,
                               0o100755 << 16, offset) + n
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                      len(central), len(local), 0)
    return local + central + end


def deflated(data):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


program = b"#!/bin/sh\necho v2\n" * 40
sound = package([("TROVA", deflated(program), 8, zlib.crc32(program), len(program))])

with open("short-entry.zip", "wb") as f:
    # The deflate stream ends at half the declared size; the checksum is that
    # of the half, so a reader that stops at the stream's end sees no fault.
    half = program[: len(program) // 2]
    f.write(package([("TROVA", deflated(half), 8, zlib.crc32(half), len(program))]))

with open("oversized.zip", "wb") as f:
    # Two entries of 200 MiB each, as declared; 8 bytes each, as stored.
    f.write(package([(name, b"8 bytes.", 0, zlib.crc32(b"8 bytes."), 200 << 20)
                     for name in ("TROVA", "lib/big.so")]))

with open("cut-off.zip", "wb") as f:
    f.write(sound[: len(sound) // 2])

with open("not-a-zip.zip", "wb") as f:
    f.write(b"<html><body>502 Bad Gateway</body></html>\n")
