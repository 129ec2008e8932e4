#!/usr/bin/env python3
"""Draws the program's small bitmaps and its icon.

  ok_glyph.bmp, cancel_glyph.bmp  8-bit, 32 x 16: the glyph and its grey disabled
                                  form side by side; the background is
                                  RGB(236, 233, 216), the button's transparent
                                  colour (taken from the bottom-left pixel)
  veneermenu.bmp                  1 bit, 64 x 16: restore, maximise, minimise and
                                  close for the skin's system menu; white is the
                                  image list's mask colour
  QuandrelDemo.ico                16, 32 and 48 pixels, 32 bits with alpha

Run: python3 resources/bitmaps/generate.py [--check]
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "skin"))

from raster import (Image, bmp1, bmp8, coverage, hstrip, ico, in_circle, in_polygon,  # noqa: E402
                    in_polyline, in_round_rect, lighten, mix, paint, ramp, read_bmp_size, CheckFailed,
                    run_generator)

FACE = (236, 233, 216)   # transparent colour of the button glyphs
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


# ---------------------------------------------------------------- button glyphs

def stroked(img, points_list, outer, inner, w_outer, w_inner):
    """A thick stroke with a darker rim: crisp at 16 pixels on a light face."""
    for pts in points_list:
        paint(img, in_polyline(pts, w_outer), outer)
    for pts in points_list:
        paint(img, in_polyline(pts, w_inner), inner)


def glyph_pair(strokes, outer, inner, grey_outer, grey_inner):
    normal = Image(16, 16, FACE)
    stroked(normal, strokes, outer, inner, 4.0, 2.2)
    disabled = Image(16, 16, FACE)
    stroked(disabled, strokes, grey_outer, grey_inner, 4.0, 2.2)
    img = hstrip([normal, disabled])
    # Blends at the rim must never land exactly on the transparent colour.
    for i, c in enumerate(img.px):
        if c != FACE and max(abs(c[k] - FACE[k]) for k in range(3)) < 3:
            img.px[i] = FACE
    return img


CHECK = [[(3.2, 8.6), (6.6, 12.0), (12.8, 4.4)]]
CROSS = [[(4.2, 4.2), (11.8, 11.8)], [(11.8, 4.2), (4.2, 11.8)]]


def ok_glyph():
    return glyph_pair(CHECK, (22, 112, 22), (64, 186, 64), (128, 128, 124), (178, 178, 172))


def cancel_glyph():
    return glyph_pair(CROSS, (150, 24, 16), (226, 62, 44), (128, 128, 124), (178, 178, 172))


# ---------------------------------------------------------------- menu glyphs

def window_box(img, x0, y0, x1, y1, bar):
    """One-pixel box [x0, x1] x [y0, y1] with a title bar `bar` rows thick."""
    for x in range(x0, x1 + 1):
        for y in range(y0, y0 + bar):
            img.set(x, y, BLACK)
        img.set(x, y1, BLACK)
    for y in range(y0, y1 + 1):
        img.set(x0, y, BLACK)
        img.set(x1, y, BLACK)


def veneer_menu():
    """Four 16 x 16 glyphs: restore, maximise, minimise, close."""
    restore = Image(16, 16, WHITE)
    window_box(restore, 5, 2, 13, 9, 2)
    restore.fill(3, 6, 11, 14, WHITE)          # the front window hides the back one
    window_box(restore, 2, 6, 10, 13, 2)
    maximise = Image(16, 16, WHITE)
    window_box(maximise, 2, 2, 13, 13, 2)
    minimise = Image(16, 16, WHITE)
    minimise.fill(4, 11, 11, 13, BLACK)
    close = Image(16, 16, WHITE)
    for i in range(9):
        for dx in (0, 1):
            close.set(3 + i + dx, 3 + i, BLACK)
            close.set(12 - i - dx, 3 + i, BLACK)
    return hstrip([restore, maximise, minimise, close])


# ---------------------------------------------------------------- icon

def emblem(size):
    """Blue rounded square with a white order sheet and a green check badge."""
    s = float(size)
    img = Image(size, size, WHITE)
    alpha = [0] * (size * size)
    base = in_round_rect(0.04 * s, 0.04 * s, 0.96 * s, 0.96 * s, 0.2 * s)
    inner = in_round_rect(0.04 * s + 1, 0.04 * s + 1, 0.96 * s - 1, 0.96 * s - 1, 0.2 * s - 1)
    for y in range(size):
        for x in range(size):
            a = coverage(base, x, y)
            alpha[y * size + x] = int(round(255 * a))
            c = ramp([(0, (96, 168, 255)), (0.5, (30, 110, 240)), (1, (0, 64, 196))], y / (size - 1))
            if coverage(inner, x, y) < 1:
                c = mix((0, 46, 160), c, coverage(inner, x, y))
            if y < size * 0.45:
                c = lighten(c, 0.12)
            img.set(x, y, c)
    sheet = [(0.26, 0.16), (0.60, 0.16), (0.74, 0.30), (0.74, 0.84), (0.26, 0.84)]
    paint(img, in_polygon([(x * s, y * s) for x, y in sheet]), WHITE)
    paint(img, in_polygon([(0.60 * s, 0.16 * s), (0.60 * s, 0.30 * s), (0.74 * s, 0.30 * s)]),
          (196, 214, 244))
    if size >= 32:
        for y in (0.38, 0.50, 0.62):
            paint(img, in_polyline([(0.34 * s, y * s), (0.62 * s, y * s)], max(1.0, 0.05 * s)),
                  (120, 150, 206))
    else:
        for y in (0.40, 0.60):
            paint(img, in_polyline([(0.34 * s, y * s), (0.60 * s, y * s)], 1.0), (120, 150, 206))
    badge = in_circle(0.72 * s, 0.72 * s, 0.22 * s)
    paint(img, badge, (36, 150, 36))
    paint(img, in_circle(0.72 * s, 0.72 * s, 0.22 * s - max(1.0, 0.03 * s)), (64, 186, 64))
    paint(img, in_polyline([(0.62 * s, 0.72 * s), (0.70 * s, 0.80 * s), (0.83 * s, 0.64 * s)],
                           max(1.4, 0.07 * s)), WHITE)
    # The badge may reach past the square: those pixels become opaque too.
    for y in range(size):
        for x in range(size):
            a = coverage(badge, x, y)
            i = y * size + x
            alpha[i] = max(alpha[i], int(round(255 * a)))
    return img, alpha


# ---------------------------------------------------------------- main

def check(files):
    for name in ("ok_glyph.bmp", "cancel_glyph.bmp"):
        data = files[name]
        w, h, bits = read_bmp_size(data)
        if (w, h, bits) != (32, 16, 8):
            raise CheckFailed("%s is %dx%d at %d bits" % (name, w, h, bits))
        # first row stored is the bottom row; its first palette index is the bottom-left pixel
        offset = int.from_bytes(data[10:14], "little")
        index = data[offset]
        r, g, b = data[54 + 4 * index + 2], data[54 + 4 * index + 1], data[54 + 4 * index]
        if (r, g, b) != FACE:
            raise CheckFailed("%s bottom-left pixel is %r" % (name, (r, g, b)))
    w, h, bits = read_bmp_size(files["veneermenu.bmp"])
    if (w, h, bits) != (64, 16, 1):
        raise CheckFailed("veneermenu.bmp is %dx%d at %d bits" % (w, h, bits))
    icon = files["QuandrelDemo.ico"]
    count = int.from_bytes(icon[4:6], "little")
    sizes = sorted(icon[6 + 16 * i] for i in range(count))
    if sizes != [16, 32, 48]:
        raise CheckFailed("icon sizes %r" % sizes)


def outputs():
    ok = ok_glyph()
    cancel = cancel_glyph()
    files = {
        "ok_glyph.bmp": bmp8(ok),
        "cancel_glyph.bmp": bmp8(cancel),
        "veneermenu.bmp": bmp1(veneer_menu(), zero=BLACK, one=WHITE),
        "QuandrelDemo.ico": ico([emblem(16), emblem(32), emblem(48)]),
    }
    check(files)
    return files


if __name__ == "__main__":
    sys.exit(run_generator(outputs, HERE, "bitmap", sys.argv[1:]))
