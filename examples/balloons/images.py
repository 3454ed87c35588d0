#!/usr/bin/env python3
"""Draws the balloon game's pictures: 8-bit PCX files with their palette.

    balloon.pcx, balloon.002, balloon.003   a balloon bobbing (frames 1-3)
    balloon.004, balloon.005, balloon.006   the balloon bursting (frames 4-6)

Colour 0 is see-through. Run it in this folder to draw them again.
"""
import math
import struct

W, H = 32, 48
PALETTE = [(0, 0, 0), (220, 40, 50), (140, 20, 30), (255, 230, 230), (200, 200, 200), (255, 220, 60)]


def pcx(path, pixels):
    even = (W + 1) & ~1
    head = bytearray(128)
    head[0:4] = bytes([10, 5, 1, 8])
    struct.pack_into("<HHHHHH", head, 4, 0, 0, W - 1, H - 1, 72, 72)
    head[65] = 1
    struct.pack_into("<HH", head, 66, even, 1)
    body = bytearray()
    for y in range(H):
        row = [pixels[y][x] if x < W else 0 for x in range(even)]
        x = 0
        while x < even:
            v, run = row[x], 1
            while x + run < even and run < 63 and row[x + run] == v:
                run += 1
            if run > 1 or v >= 192:
                body.append(192 + run)
            body.append(v)
            x += run
    pal = bytearray([12])
    for i in range(256):
        pal += bytes(PALETTE[i] if i < len(PALETTE) else (0, 0, 0))
    with open(path, "wb") as f:
        f.write(bytes(head) + bytes(body) + bytes(pal))


def balloon(bob, shine):
    px = [[0] * W for _ in range(H)]
    cy = 16 + bob
    for y in range(H):
        for x in range(W):
            dx, dy = (x - 15.5) / 13.0, (y - cy) / 16.0
            d = dx * dx + dy * dy
            if d < 1:
                px[y][x] = 2 if d > 0.8 else 1
    hx, hy = 10 + shine, cy - 8
    for y in range(hy - 2, hy + 3):
        for x in range(hx - 2, hx + 2):
            if 0 <= y < H and px[y][x]:
                px[y][x] = 3
    for y in range(cy + 16, H):  # the string
        x = 15 + int(2 * math.sin((y - cy) / 3.0 + bob))
        px[y][x] = 4
    return px


def burst(radius):
    px = [[0] * W for _ in range(H)]
    for k in range(10):
        a = k * math.pi / 5
        for r in (radius, radius - 2):
            x, y = int(15.5 + r * math.cos(a)), int(18 + r * math.sin(a))
            for ddx in (0, 1):
                if 0 <= x + ddx < W and 0 <= y < H:
                    px[y][x + ddx] = 5 if r == radius else 1
    return px


frames = [balloon(0, 0), balloon(1, 1), balloon(2, 2), burst(6), burst(11), burst(15)]
names = ["balloon.pcx"] + ["balloon.%03d" % k for k in range(2, 7)]
for name, px in zip(names, frames):
    pcx(name, px)
