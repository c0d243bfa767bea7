#!/usr/bin/env python3
"""Writes the benchmark corpus: about 80 MB in 1000 files, always the same bytes.

usage: make_corpus.py FOLDER

A flat folder (the engine packs file names without their folders) of three kinds:
  text   500 files, ~32 MB: German-looking prose, CSV tables and log lines
  binary 300 files, ~24 MB: record tables and code-like data with repeated structure
  random 200 files, ~24 MB: incompressible bytes (as photos or archives would be)
Sizes are spread from a few bytes to a few megabytes, as on a real disk; one file of
each kind is empty or tiny.
"""
import os
import random
import struct
import sys

WORDS = ("der die das und ist nicht ein eine zu den mit von auf f\u00fcr sich dem "
         "Bericht Umsatz Quartal Daten Kunde Rechnung Lieferung Gr\u00f6\u00dfe \u00c4nderung "
         "M\u00fcnchen K\u00f6ln Stra\u00dfe Zelvanto Archiv packen entpacken Datei Ordner "
         "Januar Februar M\u00e4rz April Mai Juni Juli August September Oktober "
         "November Dezember Summe Betrag Euro Prozent").split()


def sizes(rng, count, total, low, high):
    """`count` sizes between `low` and `high`, log-spread, scaled to about `total`."""
    raw = [rng.lognormvariate(0, 1.3) for _ in range(count)]
    scale = total / sum(raw)
    return [max(low, min(high, int(r * scale))) for r in raw]


def prose(rng, size):
    out, length = [], 0
    while length < size:
        line = " ".join(rng.choices(WORDS, k=rng.randint(6, 16))) + ".\r\n"
        out.append(line)
        length += len(line)
    return "".join(out).encode("cp1252")[:size]


def table(rng, size):
    out, length, row = [], 0, 0
    while length < size:
        line = "%d;%s;%s;%d,%02d;%s\r\n" % (row, rng.choice(WORDS), rng.choice(WORDS),
                                          rng.randint(0, 99999), rng.randint(0, 99),
                                          "2008-%02d-%02d" % (rng.randint(1, 12), rng.randint(1, 28)))
        out.append(line)
        length += len(line)
        row += 1
    return "".join(out).encode("cp1252")[:size]


def log(rng, size):
    out, length, t = [], 0, 1200000000
    levels = ("INFO", "WARN", "DEBUG", "ERROR")
    while length < size:
        t += rng.randint(0, 5)
        line = "%d [%s] %s %s %d\n" % (t, rng.choice(levels), rng.choice(WORDS),
                                       rng.choice(WORDS), rng.randint(0, 1 << 20))
        out.append(line)
        length += len(line)
    return "".join(out).encode("cp1252")[:size]


def records(rng, size):
    out, length, key = [], 0, 0
    while length < size:
        key += rng.randint(1, 3)
        rec = struct.pack("<IIdH10s", key, rng.randint(0, 1000), rng.random() * 100,
                          rng.randint(0, 7), rng.choice(WORDS).encode("cp1252")[:10])
        out.append(rec)
        length += len(rec)
    return b"".join(out)[:size]


def code(rng, size):
    # Blocks of instructions-like bytes, with many repeats of earlier blocks.
    blocks, out, length = [], [], 0
    while length < size:
        if blocks and rng.random() < 0.6:
            block = rng.choice(blocks)
        else:
            block = bytes(rng.choice((0x48, 0x89, 0x8B, 0xE8, 0x00, 0xFF, rng.randint(0, 255)))
                          for _ in range(rng.randint(16, 256)))
            blocks.append(block)
        out.append(block)
        length += len(block)
    return b"".join(out)[:size]


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(20081)
    kinds = [
        ("text", 500, 32_000_000, (prose, table, log), ".txt"),
        ("binary", 300, 24_000_000, (records, code), ".bin"),
        ("random", 200, 24_000_000, (lambda r, n: r.randbytes(n),), ".dat"),
    ]
    for name, count, total, makers, ext in kinds:
        for i, size in enumerate(sizes(rng, count, total, 1, 6_000_000)):
            if i == 0:
                size = 0 if name == "text" else 1
            maker = makers[i % len(makers)]
            with open(os.path.join(folder, "%s-%04d%s" % (name, i, ext)), "wb") as f:
                f.write(maker(rng, size))


if __name__ == "__main__":
    main()
