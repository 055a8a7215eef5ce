#!/usr/bin/env python3
"""Draws the player's small pictures as PNG files beside this script.

Run it after changing a drawing; the PNG files are committed and compiled in as Qt resources.
Shapes are rasterised with 4x4 supersampling so edges stay smooth at 16 x 16 pixels. Every button
picture comes in two frames: the normal one and a disabled one (grey with a white emboss, the
classic look of a greyed-out button picture). Each picture is drawn again at twice the size as
NAME@2x.png, for screens scaled by two, from the same shapes.
"""
import math
import os
import struct
import zlib

SS = 4  # supersampling factor per axis
HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = os.path.join(HERE, "pictures")


class Canvas:
    def __init__(self, w, h, scale=1):
        """A w x h picture in the drawings' units, of scale pixels per unit."""
        self.scale = scale
        self.w, self.h = w * scale, h * scale
        self.px = [[(0, 0, 0, 0)] * self.w for _ in range(self.h)]

    def fill(self, inside, colour):
        """Blends colour over every pixel by the fraction of its subsamples where inside(x, y)."""
        r, g, b = colour
        step = 1.0 / (SS * self.scale)
        for y in range(self.h):
            for x in range(self.w):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(x / self.scale + (sx + 0.5) * step,
                                  y / self.scale + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    self.blend(x, y, (r, g, b), hits / (SS * SS))

    def blend(self, x, y, rgb, alpha):
        br, bg, bb, ba = self.px[y][x]
        ba /= 255.0
        out_a = alpha + ba * (1 - alpha)
        mix = lambda c, d: int(round((c * alpha + d * ba * (1 - alpha)) / out_a)) if out_a else 0
        self.px[y][x] = (mix(rgb[0], br), mix(rgb[1], bg), mix(rgb[2], bb), int(round(out_a * 255)))

    def png(self, path):
        raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in self.px)
        chunk = lambda tag, data: (struct.pack(">I", len(data)) + tag + data +
                                   struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
            f.write(chunk(b"IEND", b""))


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out ** 2


def polygon(*pts):
    def inside(x, y):
        hit = False
        for i in range(len(pts)):
            (x0, y0), (x1, y1) = pts[i], pts[i - 1]
            if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                hit = not hit
        return hit
    return inside


def thick_line(xa, ya, xb, yb, width):
    length = math.hypot(xb - xa, yb - ya)
    def inside(x, y):
        t = max(0.0, min(1.0, ((x - xa) * (xb - xa) + (y - ya) * (yb - ya)) / length ** 2))
        return math.hypot(x - (xa + t * (xb - xa)), y - (ya + t * (yb - ya))) <= width / 2
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def shifted(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


# Each drawing: size and a list of (shape, colour) layers painted in order.
DARK = (32, 32, 32)
GREEN = (0, 128, 0)
BLUE = (0, 64, 200)
RED = (200, 0, 0)
YELLOW = (240, 200, 40)

TRANSPORT = {
    "previous": [(union(rect(2, 3, 4.5, 13), polygon((9, 3), (9, 13), (3.5, 8)),
                        polygon((15, 3), (15, 13), (9.5, 8))), DARK)],
    "pause": [(union(rect(4, 3, 7, 13), rect(9, 3, 12, 13)), DARK)],
    "play": [(polygon((4, 2.5), (4, 13.5), (13, 8)), GREEN)],
    "stop": [(rect(3.5, 3.5, 12.5, 12.5), RED)],
    "next": [(union(polygon((1, 3), (1, 13), (6.5, 8)), polygon((7, 3), (7, 13), (12.5, 8)),
                    rect(11.5, 3, 14, 13)), DARK)],
    "open": [(polygon((1, 4), (6, 4), (7.5, 5.5), (14, 5.5), (14, 13), (1, 13)), (150, 110, 20)),
             (polygon((3, 7.5), (15.5, 7.5), (13.5, 13), (1, 13)), YELLOW)],
    "sleep": [(minus(ellipse(8, 8, 6.5, 6.5), ellipse(10.5, 6, 5.5, 5.5)), (40, 40, 160)),
              (union(rect(11, 10, 15, 11), rect(11, 13, 15, 14)), (40, 40, 160))],
    "about": [(ellipse(8, 8, 7, 7), BLUE),
              (union(rect(7, 6.5, 9, 12.5), ellipse(8, 4.2, 1.2, 1.2)), (255, 255, 255))],
}

SMALL = {  # the window's own small buttons and the menu's restore and exit pictures
    "minimize": ((12, 10), [(rect(2, 7, 9, 9), DARK)]),
    "close": ((12, 10), [(union(thick_line(2.5, 1.5, 9.5, 8.5, 1.8),
                                thick_line(9.5, 1.5, 2.5, 8.5, 1.8)), DARK)]),
    "maximize": ((11, 11), [(minus(rect(1, 1, 10, 10), rect(2, 3, 9, 9)), DARK)]),
    "restore": ((13, 11), [(minus(rect(4, 0, 13, 7), rect(5, 2, 12, 6)), DARK),
                           (minus(rect(0, 4, 9, 11), rect(1, 6, 8, 10)), DARK)]),
    "exit": ((12, 10), [(union(thick_line(2.5, 1.5, 9.5, 8.5, 1.8),
                               thick_line(9.5, 1.5, 2.5, 8.5, 1.8)), RED)]),
}


def draw(size, layers, disabled=False, scale=1):
    c = Canvas(*size, scale)
    if disabled:
        whole = union(*(shape for shape, _ in layers))
        c.fill(shifted(whole, 1, 1), (255, 255, 255))
        c.fill(whole, (128, 128, 128))
    else:
        for shape, colour in layers:
            c.fill(shape, colour)
    return c


def window_icon(scale=1):
    """The program's icon: the window's green ring around its blue face, with a note on it."""
    c = Canvas(32, 32, scale)
    c.fill(ellipse(16, 16, 15.5, 15.5), (0, 0, 0))
    c.fill(ellipse(16, 16, 14, 14), GREEN)
    c.fill(ellipse(16, 16, 10, 10), (0, 0, 255))
    c.fill(union(ellipse(13, 21, 3.2, 2.4), rect(15, 9, 16.6, 21),
                 polygon((15, 9), (21, 11), (21, 14), (16.6, 12.3))), (255, 255, 255))
    return c


def main():
    os.makedirs(PICTURES, exist_ok=True)
    drawings = [(name, (16, 16), layers) for name, layers in TRANSPORT.items()]
    drawings += [(name, size, layers) for name, (size, layers) in SMALL.items()]
    for scale, suffix in ((1, ""), (2, "@2x")):
        for name, size, layers in drawings:
            path = os.path.join(PICTURES, name + "%s.png")
            draw(size, layers, scale=scale).png(path % suffix)
            draw(size, layers, True, scale).png(path % ("_disabled" + suffix))
        window_icon(scale).png(os.path.join(PICTURES, "yumekaze%s.png" % suffix))


if __name__ == "__main__":
    main()
