#!/usr/bin/python3
"""Writes the hostile update packages of the install tests. Each is a small
file whose directory says something its data does not hold, which no zip
tool writes on purpose; beside them sound packages with zip64 headers as
`zip -fz` and Python's force_zip64 write them, and a really encrypted entry
from `zip -P` (Debian package zip).

Run from this folder: /usr/bin/python3 make_packages.py
"""
import os
import struct
import subprocess
import tempfile
import zipfile
import zlib

UNIX = 3 << 8 | 20


def package(entries, flag=0x800, wide=False):
    """entries: (name, stored bytes, method, crc, declared size); wide: the
    sizes in the zip64 extra field."""
    local, central = b"", b""
    for name, data, method, crc, size in entries:
        n = name.encode()
        offset = len(local)
        extra = struct.pack("<HHQQ", 1, 16, size, len(data)) if wide else b""
        sizes = (0xFFFFFFFF, 0xFFFFFFFF) if wide else (len(data), size)
        local += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flag, method, 0, 0x5A21,
                             crc, *sizes, len(n), len(extra)) + n + extra + data
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, UNIX, 20, flag, method, 0,
                               0x5A21, crc, *sizes, len(n), len(extra), 0, 0, 0,
                               0o100755 << 16, offset) + n + extra
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

with open("long-entry.zip", "wb") as f:
    # The deflate stream goes on past the declared size; size and checksum
    # are those of its first half.
    half = program[: len(program) // 2]
    f.write(package([("TROVA", deflated(program), 8, zlib.crc32(half), len(half))]))

with open("encrypted-flag.zip", "wb") as f:
    # Flagged as encrypted, holding plain data.
    f.write(package([("TROVA", program, 0, zlib.crc32(program), len(program))], flag=0x801))

with open("oversized-zip64.zip", "wb") as f:
    f.write(package([(name, b"8 bytes.", 0, zlib.crc32(b"8 bytes."), 200 << 20)
                     for name in ("TROVA", "lib/big.so")], wide=True))

# Sound packages of TROVA and data/keep.txt as other tools write them.
with tempfile.TemporaryDirectory() as tmp:
    os.makedirs(os.path.join(tmp, "data"))
    for name, data in (("TROVA", program), ("data/keep.txt", b"new data\n")):
        with open(os.path.join(tmp, name), "wb") as f:
            f.write(data)
    for name, options in (("zip-fz.zip", ["-fz"]), ("encrypted.zip", ["-P", "secret"])):
        if os.path.exists(name):
            os.remove(name)
        subprocess.run(["zip", "-q", "-X"] + options + [os.path.abspath(name), "TROVA", "data/keep.txt"],
                       cwd=tmp, check=True)
    with zipfile.ZipFile("force-zip64.zip", "w", zipfile.ZIP_DEFLATED) as z:
        for name in ("TROVA", "data/keep.txt"):
            with z.open(zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0)), "w", force_zip64=True) as out:
                out.write(open(os.path.join(tmp, name), "rb").read())
