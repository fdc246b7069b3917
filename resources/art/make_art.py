#!/usr/bin/env python3
"""Draws Zorvane's bitmaps, icon and cursor as small pixel art and writes them
as BMP, ICO and CUR files next to zorvane.rc. Run it after changing a picture;
the outputs are checked in so the build needs no Python."""
import math
import os
import struct

MAGENTA = (255, 0, 255)
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)

# Colours
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
LIGHT = (200, 200, 200)
DARK = (64, 64, 64)
YELLOW = (240, 200, 64)
DYELLOW = (176, 128, 16)
RED = (200, 32, 32)
DRED = (128, 0, 0)
GREEN = (32, 160, 48)
DGREEN = (0, 96, 16)
BLUE = (40, 96, 208)
DBLUE = (16, 48, 128)
SKY = (120, 176, 240)
SKIN = (240, 192, 144)
PURPLE = (128, 64, 176)
ORANGE = (240, 128, 32)
TEAL = (0, 144, 144)

FONT = {  # 3x5 glyphs, rows top to bottom
    'a': ["   ", "## ", "  #", "###", "# #", "###"][1:],
    'b': ["#  ", "#  ", "## ", "# #", "## "],
    '0': ["###", "# #", "# #", "# #", "###"],
    '1': [" # ", "## ", " # ", " # ", "###"],
    '6': ["###", "#  ", "###", "# #", "###"],
    '4': ["# #", "# #", "###", "  #", "  #"],
    '%': ["# #", "  #", " # ", "#  ", "# #"],
    '?': ["## ", "  #", " # ", "   ", " # "],
    '{': [" ##", " # ", "#  ", " # ", " ##"],
    '}': ["## ", " # ", "  #", " # ", "## "],
    'x': ["   ", "# #", " # ", "# #", "   "],
}


class Canvas:
    """A picture drawn in logical pixels (the 16x15 grid of a tile) onto
    device pixels: at scale 1 one each, at 1.5 and 2 the same drawing for
    150 % and 200 %, each logical pixel a block of device pixels and round
    shapes worked out at the device's own resolution."""

    def __init__(self, w, h, bg=MAGENTA, scale=1):
        self.scale = scale
        self.w, self.h = self._device(w), self._device(h)
        self.px = [[bg] * self.w for _ in range(self.h)]

    def _device(self, v):
        return int(math.ceil(v * self.scale - 1e-9))

    def _span(self, v):
        start = int(math.floor(v * self.scale + 1e-9))
        return range(start, max(start + 1, int(math.floor((v + 1) * self.scale + 1e-9))))

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def set(self, x, y, c):
        for dy in self._span(y):
            for dx in self._span(x):
                self.put(dx, dy, c)

    def rect(self, x0, y0, x1, y1, fill=None, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = x in (x0, x1) or y in (y0, y1)
                if on_edge and edge:
                    self.set(x, y, edge)
                elif fill:
                    self.set(x, y, fill)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, fill, edge=None):
        if self.scale == 1:
            for y in range(cy - r, cy + r + 1):
                for x in range(cx - r, cx + r + 1):
                    d = (x - cx) ** 2 + (y - cy) ** 2
                    if d <= r * r:
                        self.set(x, y, edge if edge and d > (r - 1) ** 2 else fill)
            return
        # At the device's resolution: a rounder disc and a thinner rim.
        rim = 1.0 / self.scale
        for py in range(self._device(cy - r - 1), self._device(cy + r + 2)):
            for px in range(self._device(cx - r - 1), self._device(cx + r + 2)):
                x = (px + 0.5) / self.scale - 0.5
                y = (py + 0.5) / self.scale - 0.5
                d = math.hypot(x - cx, y - cy)
                if d <= r + 0.25:
                    self.put(px, py, edge if edge and d > r + 0.25 - rim * 1.2 else fill)

    def text(self, x, y, s, c):
        for ch in s:
            for row, bits in enumerate(FONT[ch]):
                for col, b in enumerate(bits):
                    if b == '#':
                        self.set(x + col, y + row, c)
            x += 4

    def blit(self, other, ox, oy):
        """Copies other's device pixels to device position (ox, oy)."""
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] != MAGENTA:
                    self.put(ox + x, oy + y, other.px[y][x])

    def scaled(self, factor):
        big = Canvas(self.w * factor, self.h * factor)
        for y in range(big.h):
            for x in range(big.w):
                big.px[y][x] = self.px[y // factor][x // factor]
        return big


# --- Pictures, each drawn on a 16x15 tile -----------------------------------

def folder(c, open_=False):
    c.rect(1, 3, 6, 4, YELLOW, DYELLOW)
    c.rect(1, 4, 14, 13, YELLOW, DYELLOW)
    if open_:
        for i in range(5):
            c.line(3 + i, 7 + i // 2, 15, 7 + i // 2, (250, 225, 120))
        c.line(3, 7, 15, 7, DYELLOW)
        c.line(3, 7, 1, 13, DYELLOW)


def gears(c):
    c.disc(6, 7, 4, LIGHT, DARK)
    c.disc(6, 7, 1, DARK)
    for x, y in ((6, 2), (6, 12), (1, 7), (11, 7)):
        c.set(x, y, DARK)
    c.disc(12, 11, 3, SKY, DBLUE)
    c.set(12, 11, DBLUE)


def sliders(c):
    c.rect(1, 1, 14, 13, WHITE, DARK)
    for i, pos in enumerate((5, 9, 4)):
        x = 4 + i * 4
        c.line(x, 3, x, 11, GREY)
        c.rect(x - 1, pos, x + 1, pos + 1, BLUE, DBLUE)


def head(c, cx, cy):
    shape = [" ### ", "#####", "#####", "#####", " ### "]
    for y, row in enumerate(shape):
        for x, ch in enumerate(row):
            if ch == '#':
                edge = y in (0, 4) or x in (0, 4) or (y, x) in ((1, 0), (3, 0), (1, 4), (3, 4))
                c.set(cx - 2 + x, cy - 2 + y, (150, 100, 60) if edge else SKIN)


def person(c, ox=0, shirt=BLUE):
    c.rect(3 + ox, 8, 11 + ox, 14, shirt, DBLUE if shirt == BLUE else DGREEN)
    head(c, 7 + ox, 4)


def persons(c):
    c.rect(7, 7, 14, 14, GREEN, DGREEN)
    head(c, 11, 4)
    c.rect(1, 8, 8, 14, BLUE, DBLUE)
    head(c, 4, 5)


def computer(c):
    c.rect(1, 1, 14, 9, SKY, DARK)
    c.rect(3, 3, 12, 7, BLUE)
    c.rect(6, 10, 9, 11, GREY)
    c.rect(3, 12, 12, 13, LIGHT, DARK)


def arrow(c, direction, colour=GREEN, edge=DGREEN):
    pts = []
    for i in range(6):
        pts.append((2 + i, 7 - i, 2 + i, 7 + i))
    if direction == 'left':
        for x, y0, _, y1 in pts:
            c.line(x, y0 + 1, x, y1 - 1, colour)
            c.set(x, y0, edge)
            c.set(x, y1, edge)
        c.rect(8, 5, 13, 9, colour, edge)
        c.line(8, 6, 8, 8, colour)
    elif direction == 'right':
        for x, y0, _, y1 in pts:
            c.line(15 - x, y0 + 1, 15 - x, y1 - 1, colour)
            c.set(15 - x, y0, edge)
            c.set(15 - x, y1, edge)
        c.rect(2, 5, 7, 9, colour, edge)
        c.line(7, 6, 7, 8, colour)
    elif direction == 'up':
        for i in range(6):
            c.line(7 - i, 2 + i, 8 + i, 2 + i, colour)
        c.rect(5, 8, 10, 13, colour, edge)


def page(c, lines=True, colour=WHITE):
    c.rect(3, 1, 12, 13, colour, DARK)
    c.line(10, 1, 12, 3, DARK)
    if lines:
        for y in (4, 6, 8, 10):
            c.line(5, y, 10, y, GREY)


def plus(c, x, y, colour=GREEN):
    c.rect(x - 2, y - 1, x + 2, y + 1, colour)
    c.rect(x - 1, y - 2, x + 1, y + 2, colour)


def cross(c, colour=RED):
    for i in range(3, 13):
        c.line(i, i, i + 1, i, colour)
        c.line(15 - i, i, 14 - i, i, colour)


def scissors(c):
    c.line(4, 1, 10, 9, DARK)
    c.line(11, 1, 5, 9, DARK)
    c.disc(4, 11, 2, WHITE, RED)
    c.disc(11, 11, 2, WHITE, RED)


def copy(c):
    c.rect(1, 1, 9, 10, WHITE, DARK)
    c.rect(6, 4, 14, 13, WHITE, DARK)
    for y in (7, 9, 11):
        c.line(8, y, 12, y, GREY)


def paste(c):
    c.rect(2, 2, 11, 13, (190, 140, 80), DYELLOW)
    c.rect(5, 1, 8, 3, LIGHT, DARK)
    c.rect(7, 6, 14, 13, WHITE, DARK)


def globe(c):
    c.disc(7, 7, 6, SKY, DBLUE)
    c.line(1, 7, 13, 7, DBLUE)
    c.line(7, 1, 7, 13, DBLUE)
    c.rect(3, 3, 5, 5, GREEN)
    c.rect(9, 8, 11, 10, GREEN)


def magnifier(c, glass=SKY):
    c.disc(6, 6, 4, glass, DARK)
    for i in range(4):
        c.line(9 + i, 9 + i, 10 + i, 9 + i, DYELLOW)
        c.line(9 + i, 10 + i, 10 + i, 10 + i, DYELLOW)


def stop(c):
    c.disc(7, 7, 6, RED, DRED)
    c.rect(4, 6, 10, 8, WHITE)


def properties(c):
    page(c, lines=False)
    c.rect(7, 3, 8, 4, BLUE)
    c.rect(7, 6, 8, 11, BLUE)


def export(c):
    page(c)
    arrow_small(c, 9, 9)


def arrow_small(c, x, y, colour=GREEN):
    c.line(x, y, x + 5, y, colour)
    c.line(x, y + 1, x + 5, y + 1, colour)
    c.line(x + 3, y - 2, x + 5, y, colour)
    c.line(x + 3, y + 3, x + 5, y + 1, colour)


def disk(c):
    c.rect(1, 1, 14, 13, BLUE, DBLUE)
    c.rect(4, 1, 11, 5, WHITE, DBLUE)
    c.rect(9, 2, 10, 4, DARK)
    c.rect(3, 8, 12, 13, LIGHT, DARK)


def load(c):
    folder(c, open_=True)
    arrow_small(c, 0, 0, BLUE)


def blocks(c):
    c.rect(1, 6, 7, 12, SKY, DBLUE)
    c.rect(8, 6, 14, 12, GREEN, DGREEN)
    c.rect(4, 0, 10, 6, ORANGE, DRED)


def lock(c):
    c.rect(3, 7, 12, 13, YELLOW, DYELLOW)
    c.rect(5, 2, 10, 7, None, DARK)
    c.rect(6, 3, 9, 6, None, GREY)
    c.rect(7, 9, 8, 11, DARK)


def question(c):
    c.disc(7, 7, 6, BLUE, DBLUE)
    c.text(6, 5, '?', WHITE)


def star(c):
    pts = [(7, 1), (9, 5), (14, 5), (10, 8), (12, 13), (7, 10), (2, 13), (4, 8), (0, 5), (5, 5)]
    for i in range(len(pts)):
        c.line(*pts[i], *pts[(i + 1) % len(pts)], DYELLOW)
    for y in range(4, 11):
        for x in range(4, 11):
            if abs(x - 7) + abs(y - 7) < 4:
                c.set(x, y, YELLOW)


def root_key(c, picture):
    picture(c)


def goto(c):
    folder(c)
    arrow_small(c, 3, 7, GREEN)


def new_key(c):
    folder(c)
    plus(c, 11, 10)


def new_value(c):
    page(c)
    plus(c, 11, 10)


def letters(text, colour, background=WHITE):
    def draw(c):
        c.rect(0, 2, 15, 12, background, DARK)
        c.text(2, 5, text, colour)
    return draw


def value_string(c):
    letters('ab', RED)(c)


def value_dword(c):
    letters('01', BLUE)(c)


def value_qword(c):
    letters('64', TEAL)(c)


def value_binary(c):
    c.rect(0, 1, 15, 13, WHITE, DARK)
    c.text(1, 2, '10', BLUE)
    c.text(8, 8, '01', BLUE)


def value_multi(c):
    c.rect(0, 0, 15, 14, WHITE, DARK)
    c.text(2, 1, 'ab', RED)
    c.text(2, 8, 'ab', RED)


def value_expand(c):
    letters('%', PURPLE)(c)
    c.text(9, 5, 'x', PURPLE)


def value_none(c):
    c.rect(0, 2, 15, 12, LIGHT, DARK)
    c.line(4, 10, 11, 4, GREY)


def value_generic(c):
    letters('?', DARK, LIGHT)(c)


def file_link(c):
    page(c)


def guid_link(c):
    c.rect(0, 2, 15, 12, (255, 240, 200), DYELLOW)
    c.text(2, 5, '{}', DRED)


def invalid_clsid(c):
    guid_link(c)
    cross(c, RED)


def envelope(c):
    c.rect(1, 3, 14, 12, WHITE, DARK)
    c.line(1, 3, 7, 8, DARK)
    c.line(14, 3, 8, 8, DARK)


def blank_key(c):
    c.rect(3, 3, 12, 12, LIGHT, GREY)


def overlay_partial(c):
    # A small white box with a dot trail at the bottom right: "more inside".
    c.rect(9, 9, 15, 14, WHITE, BLUE)
    for x in (10, 12, 14):
        c.set(x, 12, BLUE)


def overlay_siblings(c):
    c.rect(0, 9, 5, 14, WHITE, GREEN)
    for y in (10, 12):
        c.set(2, y, GREEN)
        c.set(3, y, GREEN)


def overlay_both(c):
    overlay_partial(c)
    overlay_siblings(c)


# --- Writers -----------------------------------------------------------------

def bmp_bytes(canvas):
    row = (canvas.w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.w):
            r, g, b = canvas.px[y][x]
            line += bytes((b, g, r))
        line += b'\0' * (row - len(line))
        pixels += line
    header = struct.pack('<IiiHHIIiiII', 40, canvas.w, canvas.h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header, bytes(pixels)


def write_bmp(name, canvas):
    header, pixels = bmp_bytes(canvas)
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + len(header) + len(pixels), 0, 0, 14 + len(header)))
        f.write(header + pixels)


def strip(pictures, w=16, h=15, scale=1):
    tile_size = Canvas(w, h, scale=scale)
    c = Canvas(1, 1, scale=scale)
    c.w, c.h = tile_size.w * len(pictures), tile_size.h
    c.px = [[MAGENTA] * c.w for _ in range(c.h)]
    for i, draw in enumerate(pictures):
        tile = Canvas(w, h, scale=scale)
        draw(tile)
        c.blit(tile, i * tile.w, 0)
    return c


# The drawings for 150 % and 200 % sit beside the 100 % one as name_150.bmp
# and name_200.bmp (resource ids plus 1000 and 2000).
SCALES = ((1, ''), (1.5, '_150'), (2, '_200'))


def write_strips(name, pictures):
    for scale, suffix in SCALES:
        write_bmp(name + suffix + '.bmp', strip(pictures, scale=scale))


def icon_image(canvas):
    """An icon directory entry's image: 32-bit BGRA plus an AND mask."""
    w, h = canvas.w, canvas.h
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask = bytearray()
    mask_row = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = 0
        row = bytearray()
        for x in range(w):
            r, g, b = canvas.px[y][x]
            transparent = (r, g, b) == MAGENTA
            xor += bytes((b, g, r, 0 if transparent else 255))
            bits = (bits << 1) | (1 if transparent else 0)
            if x % 8 == 7:
                row.append(bits)
                bits = 0
        row += b'\0' * (mask_row - len(row))
        mask += row
    return header + bytes(xor) + bytes(mask)


def write_icon(name, canvases, cursor_hotspot=None):
    images = [icon_image(c) for c in canvases]
    kind = 2 if cursor_hotspot else 1
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        a, b = (cursor_hotspot if cursor_hotspot else (1, 32))
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, 0, 0, a, b, len(data), offset)
        offset += len(data)
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(out + b''.join(images))


def app_icon(size):
    c = Canvas(16, 16)
    c.rect(0, 2, 15, 15, (60, 80, 150), DBLUE)       # a dark book of keys
    c.rect(2, 4, 13, 13, (230, 236, 250))
    c.rect(3, 5, 7, 8, YELLOW, DYELLOW)              # folder
    c.line(8, 6, 12, 6, BLUE)
    c.line(8, 8, 12, 8, BLUE)
    c.rect(3, 10, 7, 12, YELLOW, DYELLOW)
    c.line(8, 11, 12, 11, RED)
    c.rect(5, 0, 10, 2, ORANGE, DRED)                # the tab
    return c.scaled(size // 16)


def class_icon(size):
    """A key's class name: a tag on a string."""
    c = Canvas(16, 16, scale=size / 16)
    c.line(1, 1, 4, 4, DARK)                         # the string
    for y in range(4, 15):                           # the tag, its corner cut
        left = 4 + max(0, 7 - y)
        c.line(left, y, 14 - max(0, y - 12), y, YELLOW)
    c.line(4, 7, 7, 4, DYELLOW)
    c.line(7, 4, 14, 4, DYELLOW)
    c.line(14, 4, 14, 12, DYELLOW)
    c.line(4, 7, 4, 14, DYELLOW)
    c.line(4, 14, 12, 14, DYELLOW)
    c.line(12, 14, 14, 12, DYELLOW)
    c.set(6, 6, DARK)                                # the hole
    c.line(7, 9, 12, 9, DBLUE)                       # the name on it
    c.line(7, 11, 11, 11, DBLUE)
    return c


def clock_icon(size):
    """A key's last write: a clock face."""
    c = Canvas(16, 16, scale=size / 16)
    c.disc(7, 8, 7, WHITE, DBLUE)
    for x, y in ((7, 2), (13, 8), (7, 14), (1, 8)):  # the quarter marks
        c.set(x, y, DARK)
    c.line(7, 8, 7, 4, BLACK)                        # the hands
    c.line(7, 8, 10, 10, BLACK)
    c.set(7, 8, RED)
    return c


def hand_cursor():
    c = Canvas(32, 32)
    shape = [
        "    ##          ",
        "   #..#         ",
        "   #..#         ",
        "   #..#         ",
        "   #..###       ",
        "   #..#..###    ",
        "   #..#..#..##  ",
        "## #..#..#..#.# ",
        "#..#........#.# ",
        "#...........#.# ",
        " #............# ",
        "  #...........# ",
        "  #..........#  ",
        "   #.........#  ",
        "    #.......#   ",
        "    #########   ",
    ]
    for y, row in enumerate(shape):
        for x, ch in enumerate(row):
            if ch == '#':
                c.set(x, y, BLACK)
            elif ch == '.':
                c.set(x, y, WHITE)
    return c


def main():
    toolbar = [
        lambda c: arrow(c, 'left'), lambda c: arrow(c, 'right'),
        gears, person, computer, sliders,
        goto, star,
        new_key, new_value, cross,
        scissors, copy, paste,
        globe, magnifier, lambda c: magnifier(c, (255, 200, 200)), stop,
        properties, export, disk, load,
        blocks, lock, question,
    ]
    assert len(toolbar) == 25
    write_strips('toolbar', toolbar)
    write_strips('addressbar', [up_folder, lambda c: arrow(c, 'right')])
    write_strips('tree', [gears, sliders, person, computer, persons, folder,
                          lambda c: folder(c, open_=True), blank_key])
    write_strips('overlays', [overlay_partial, overlay_siblings, overlay_both])
    values = [value_generic, value_string, value_dword, value_qword, value_binary, value_multi, value_expand,
              value_none, file_link, guid_link, magnifier, folder, invalid_clsid, envelope]
    assert len(values) == 14
    write_strips('values', values)
    write_icon('zorvane.ico', [app_icon(32), app_icon(16)])
    write_icon('keyclass.ico', [class_icon(32), class_icon(16)])
    write_icon('keytime.ico', [clock_icon(32), clock_icon(16)])
    write_icon('link.cur', [hand_cursor()], cursor_hotspot=(5, 0))


def up_folder(c):
    folder(c)
    for i in range(4):
        c.line(8 - i, 5 + i, 8 + i, 5 + i, GREEN)
    c.rect(7, 9, 9, 12, GREEN)


if __name__ == '__main__':
    main()
