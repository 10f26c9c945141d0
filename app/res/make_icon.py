#!/usr/bin/env python3
"""Writes Tapwright.ico (16, 32 and 48 pixels, 32-bit): a blue rounded square with a white
tap mark, a dot inside a ring. Run it again after changing the drawing; the .ico is committed."""
import math
import struct
import sys

BLUE = (0x3D, 0x84, 0xDD)
WHITE = (0xFF, 0xFF, 0xFF)


def coverage(inside, x, y, samples=4):
    """Share of the pixel (x, y) for which inside(px, py) holds, from a grid of samples."""
    hits = 0
    for i in range(samples):
        for j in range(samples):
            if inside(x + (i + 0.5) / samples, y + (j + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def draw(size):
    radius = size * 0.22
    centre = size / 2

    def in_square(px, py):
        dx = max(radius - px, 0, px - (size - radius))
        dy = max(radius - py, 0, py - (size - radius))
        return dx * dx + dy * dy <= radius * radius

    def in_mark(px, py):
        d = math.hypot(px - centre, py - centre)
        return d <= size * 0.14 or size * 0.25 <= d <= size * 0.33

    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            a = coverage(in_square, x, y)
            m = coverage(in_mark, x, y)
            rgb = tuple(round(b * (1 - m) + w * m) for b, w in zip(BLUE, WHITE))
            row.append((rgb, round(a * 255)))
        rows.append(row)
    return rows


def bitmap(size):
    rows = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b), a in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)  # transparency comes from the alpha channel
    return header + pixels + mask


def main(path):
    sizes = [16, 32, 48]
    images = [bitmap(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Tapwright.ico')
