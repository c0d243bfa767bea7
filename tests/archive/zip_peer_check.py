#!/usr/bin/env python3
"""Checks an archive with Python's zipfile as a peer would read it.

usage: zip_peer_check.py ARCHIVE PASSWORD EXPECTED...

EXPECTED are files holding the exact bytes of the archive's entries, in entry order.
With a non-empty PASSWORD every encrypted entry must give its bytes back with that
password and be refused with a wrong one. Exit status 0 when everything holds.
"""
import sys
import zipfile


def main():
    archive, password, expected = sys.argv[1], sys.argv[2].encode("latin-1"), sys.argv[3:]
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        if len(infos) != len(expected):
            print(f"{len(infos)} entries, expected {len(expected)}")
            return 1
        for info, path in zip(infos, expected):
            with open(path, "rb") as f:
                want = f.read()
            encrypted = bool(info.flag_bits & 1)
            got = z.read(info, pwd=password if encrypted else None)
            if got != want:
                print(f"{info.filename!r}: {len(got)} bytes differ from {path}")
                return 1
            if encrypted:
                try:
                    z.read(info, pwd=password + b"x")
                except (RuntimeError, zipfile.BadZipFile, Exception):
                    continue
                print(f"{info.filename!r}: a wrong password was accepted")
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
