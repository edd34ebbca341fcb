#!/usr/bin/env python3
"""Writes a reference settings file for the generator's benchmark.

  make_input.py reference OUT   20,000 sections of 25 keys of mixed types (about 13 MB)
  make_input.py flat N OUT      N keys in one section (for the linearity check)

The content is fixed (no randomness), so every run measures the same bytes.
"""
import sys


def value(i, j):
    kind = j % 10
    if kind == 0:
        return str(i * 25 + j)                            # int
    if kind == 1:
        return "-%d" % (i * 7 + j)                        # negative int
    if kind == 2:
        return "0x%08X" % ((i * 2654435761 + j) & 0xFFFFFFFF)  # hex colour: int or unsigned
    if kind == 3:
        return "%d.%03de%d" % (i % 1000, j, j % 7)         # double with exponent
    if kind == 4:
        return "%d.%d" % (i, j)                           # double
    if kind == 5:
        return "true" if (i + j) % 2 else "FALSE"         # bool
    if kind == 6:
        return "%d" % (5000000000 + i)                    # 64-bit
    if kind == 7:
        return '"quoted %d \\ ""q"""' % i                 # quoted string
    if kind == 8:
        return "C:\\keltrop\\data\\f%05d.dat" % i           # unquoted string with backslashes
    return "text %d; and # inside" % (i * j)             # plain string


def reference(out):
    # Sections only: configparser refuses keys before the first section.
    lines = ["; keltrop benchmark reference: 20,000 sections x 25 keys", ""]
    for i in range(20000):
        lines.append("[Section%05d.Sub%d]" % (i, i % 4) if i % 5 == 0 else "[Section%05d]" % i)
        for j in range(25):
            lines.append("key_%02d_%s = %s" % (j, "abcdefgh"[j % 8] * (1 + j % 3), value(i, j)))
        lines.append("")
    out.write("\n".join(lines).encode())


def flat(n, out):
    out.write(b"[Flat]\n")
    chunk = []
    for i in range(n):
        chunk.append("key%07d = %s\n" % (i, value(i, i % 10)))
        if len(chunk) == 10000:
            out.write("".join(chunk).encode())
            chunk = []
    out.write("".join(chunk).encode())


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "reference":
        with open(sys.argv[2], "wb") as out:
            reference(out)
    elif len(sys.argv) == 4 and sys.argv[1] == "flat":
        with open(sys.argv[3], "wb") as out:
            flat(int(sys.argv[2]), out)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
