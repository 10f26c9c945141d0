#!/usr/bin/env python3
"""check_fixed_version.py <exe> <a.b.c.d>: the fixed file and product version of the
executable's version resource are a.b.c.d (the file is read, not run)."""
import struct
import sys

SIGNATURE = struct.pack("<I", 0xFEEF04BD)


def main():
    exe, expected = sys.argv[1], sys.argv[2]
    data = open(exe, "rb").read()
    at = data.find(SIGNATURE)
    if at < 0:
        print(f"{exe}: no fixed version information")
        return 1
    _, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", data, at)

    def text(ms, ls):
        return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"

    failures = []
    if text(file_ms, file_ls) != expected:
        failures.append(f"file version {text(file_ms, file_ls)}, expected {expected}")
    if text(product_ms, product_ls) != expected:
        failures.append(f"product version {text(product_ms, product_ls)}, expected {expected}")
    if data.find(SIGNATURE, at + 4) >= 0:
        failures.append("more than one fixed version block")
    for failure in failures:
        print(f"{exe}: {failure}")
    if not failures:
        print(f"{exe}: fixed version {expected}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
