#!/usr/bin/env python3
"""Draws the blue window skin and writes its description and package manifest.

Run from anywhere: python3 resources/skin/generate.py
  --check   regenerate in memory and fail when a committed output differs
            (or the description and the images disagree).

Every image is drawn here from code; nothing is read from outside. The output
is deterministic: the same script always writes the same bytes.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from raster import (KEY, Image, bmp24, coverage, cut, darken, hstrip, in_circle, in_polygon,  # noqa: E402
                    in_polyline, in_ring, in_round_rect, lighten, mix, outline, paint, ramp,
                    read_bmp_size, vstrip, CheckFailed, run_generator)

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- palette

FACE = (236, 233, 216)          # dialog and button face
WHITE = (255, 255, 255)
SHADOW = (172, 168, 153)
HILIGHT = (49, 106, 197)        # selected menu item, selected text
GLYPH = (77, 97, 133)           # arrows on light blue buttons
TRACK = (246, 245, 240)         # scroll bar track
EDGE = (127, 157, 185)          # edit and combo border
BTN_BORDER = (0, 60, 116)       # push button outline
TAB_BORDER = (145, 155, 156)
GREEN = (33, 161, 33)

# Window frame geometry. The title band is FRAME_TOP rows high; the side
# borders run the full window height, so their top FRAME_TOP rows carry the
# outer part of the rounded title corners.
FRAME_TOP = 30
SIDE = 4
BOTTOM = 4
CORNER = 8
TOP_LCAP, TOP_MID, TOP_RCAP = 25, 10, 32
SIDE_MID = 8

ACTIVE = {
    "outline": (0, 38, 160),
    "title": [(0, (0, 38, 160)), (1, (70, 156, 255)), (2, (40, 128, 252)), (4, (14, 104, 242)),
              (9, (2, 88, 232)), (16, (0, 80, 228)), (23, (0, 74, 222)), (26, (0, 66, 212)),
              (28, (0, 56, 196)), (29, (0, 48, 180))],
    # outer to inner
    "left": [(0, 38, 160), (30, 110, 245), (0, 84, 227), (0, 62, 204)],
    "right": [(0, 38, 160), (0, 52, 180), (0, 74, 220), (0, 62, 204)],
}
INACTIVE = {
    "outline": (96, 120, 190),
    "title": [(0, (96, 120, 190)), (1, (190, 208, 248)), (2, (170, 192, 244)), (4, (150, 175, 238)),
              (9, (138, 165, 233)), (16, (130, 158, 230)), (23, (124, 152, 226)),
              (26, (118, 145, 220)), (28, (110, 137, 212)), (29, (102, 128, 202))],
    "left": [(96, 120, 190), (178, 198, 242), (143, 168, 230), (124, 150, 216)],
    "right": [(96, 120, 190), (112, 136, 204), (134, 160, 224), (124, 150, 216)],
}


def title_colour(look, y):
    return ramp(look["title"], y)


def title_pixel(look, dx, y, right):
    """Colour of the title band at distance dx from the window's outer side edge.

    Rows of the rounded corner outside the arc are the key colour, so the
    window region cuts them away.
    """
    base = title_colour(look, y)
    if dx < CORNER and y < CORNER:
        d = math.hypot(CORNER - (dx + 0.5), CORNER - (y + 0.5))
        if d > CORNER:
            return KEY
        depth = CORNER - d
        if depth < 1:
            return look["outline"]
        if depth < 2 and y > 0:
            return darken(base, 0.12) if right else lighten(base, 0.3)
        return base
    if y == 0 or dx == 0:
        return look["outline"]
    if dx == 1:
        return darken(base, 0.12) if right else lighten(base, 0.3)
    # A soft glow near the left end and a slight shade near the right end.
    if not right and dx < SIDE + TOP_LCAP and 1 < y < FRAME_TOP - 3:
        return lighten(base, 0.14 * (1 - dx / (SIDE + TOP_LCAP)))
    if right and dx < SIDE + TOP_RCAP and 1 < y < FRAME_TOP - 3:
        return darken(base, 0.10 * (1 - dx / (SIDE + TOP_RCAP)))
    return base


def frame_top(look):
    w = TOP_LCAP + TOP_MID + TOP_RCAP
    img = Image(w, FRAME_TOP)
    for y in range(FRAME_TOP):
        for x in range(w):
            if x < TOP_LCAP:
                c = title_pixel(look, SIDE + x, y, False)
            elif x < TOP_LCAP + TOP_MID:
                c = title_pixel(look, 99, y, False)
            else:
                c = title_pixel(look, SIDE + (w - 1 - x), y, True)
            img.set(x, y, c)
    return img


def frame_side(look, right):
    """One side border frame: title rows, stretched body, bottom corner."""
    h = FRAME_TOP + SIDE_MID + BOTTOM
    img = Image(SIDE, h)
    ring = look["right" if right else "left"]
    bottom = look["right"]
    for y in range(h):
        for c in range(SIDE):
            dx = SIDE - 1 - c if right else c
            if y < FRAME_TOP:
                col = title_pixel(look, dx, y, right)
            elif y < FRAME_TOP + SIDE_MID:
                col = ring[dx]
            else:
                r = h - 1 - y  # rows from the window's bottom edge
                col = ring[dx] if dx < r else bottom[r]
            img.set(c, y, col)
    return img


def frame_bottom(look):
    img = Image(8, BOTTOM)
    for y in range(BOTTOM):
        img.fill(0, y, 8, y + 1, look["right"][BOTTOM - 1 - y])
    return img


# ---------------------------------------------------------------- caption buttons

CAPTION_LOOKS = {
    # stops of the face gradient, border, glyph
    "blue": {
        "normal": ([(0, (120, 178, 255)), (0.45, (64, 132, 250)), (0.5, (38, 108, 240)),
                    (1, (74, 144, 252))], (236, 242, 255), WHITE),
        "hot": ([(0, (160, 206, 255)), (0.45, (104, 166, 255)), (0.5, (74, 140, 252)),
                 (1, (116, 180, 255))], WHITE, WHITE),
        "pressed": ([(0, (18, 64, 182)), (0.5, (28, 86, 212)), (1, (60, 124, 240))],
                    (196, 212, 246), (226, 234, 252)),
    },
    "red": {
        "normal": ([(0, (242, 146, 112)), (0.45, (230, 100, 64)), (0.5, (212, 72, 40)),
                    (1, (232, 114, 78))], (255, 236, 228), WHITE),
        "hot": ([(0, (255, 178, 144)), (0.45, (246, 130, 94)), (0.5, (236, 102, 66)),
                 (1, (252, 144, 108))], WHITE, WHITE),
        "pressed": ([(0, (150, 40, 18)), (0.5, (184, 58, 28)), (1, (218, 96, 60))],
                    (244, 206, 196), (250, 226, 220)),
    },
}
CAPTION_INACTIVE = ([(0, (182, 200, 242)), (0.5, (154, 176, 234)), (1, (166, 187, 238))],
                    (222, 230, 250), (232, 238, 252))


def glyph_shape(kind, s):
    """Point test for a caption glyph in an s x s button."""
    k = s / 21.0
    if kind == "close":
        a, b = 6.6 * k, 14.4 * k
        down = in_polyline([(a, a), (b, b)], 2.3 * k)
        up = in_polyline([(b, a), (a, b)], 2.3 * k)
        return lambda px, py: down(px, py) or up(px, py)
    if kind == "maximize":
        return box_outline(round(5 * k), round(5 * k), round(16 * k), round(16 * k),
                           max(2, round(3 * k)))
    if kind == "minimize":
        x0, x1 = round(6 * k), round(13 * k)
        y1 = round(16 * k)
        t = max(2, round(3 * k))
        return lambda px, py: x0 <= px < x1 and y1 - t <= py < y1
    if kind == "restore":
        t = max(1, round(2 * k))
        back = box_outline(round(8 * k), round(4 * k), round(17 * k), round(12 * k), t)
        fx0, fy0, fx1, fy1 = round(4 * k), round(8 * k), round(13 * k), round(17 * k)
        front = box_outline(fx0, fy0, fx1, fy1, t)
        return lambda px, py: front(px, py) or (
            back(px, py) and not (fx0 <= px < fx1 and fy0 <= py < fy1))
    raise ValueError(kind)


def box_outline(x0, y0, x1, y1, top):
    """A window symbol: one-pixel sides and a thick title bar."""
    def inside(px, py):
        if not (x0 <= px < x1 and y0 <= py < y1):
            return False
        return py < y0 + top or px < x0 + 1 or px >= x1 - 1 or py >= y1 - 1
    return inside


def caption_button(size, kind, stops, border, glyph, behind, radius=3):
    img = Image(size, size)
    img.vgradient(0, 0, size, size, stops)
    # glossy upper half, brighter towards the top-left
    for y in range(1, size // 2):
        for x in range(1, size - 1):
            img.blend(x, y, WHITE, 0.10 * (1 - y / (size / 2)) * (1 - x / size))
    paint(img, glyph_shape(kind, size), glyph)
    outline(img, in_round_rect(0, 0, size, size, radius),
            in_round_rect(1, 1, size - 1, size - 1, radius - 1), border, behind)
    return img


def caption_strip(kind, colour):
    """Six frames: normal, pressed, hot, inactive window, disabled, hot while inactive."""
    looks = CAPTION_LOOKS[colour]
    behind = title_colour(ACTIVE, 15)
    behind_i = title_colour(INACTIVE, 15)
    normal = caption_button(21, kind, *looks["normal"], behind)
    pressed = caption_button(21, kind, *looks["pressed"], behind)
    hot = caption_button(21, kind, *looks["hot"], behind)
    inactive = caption_button(21, kind, *CAPTION_INACTIVE, behind_i)
    stops, border, _ = looks["normal"]
    disabled = caption_button(21, kind, stops, border, mix(ramp(stops, 0.5), WHITE, 0.45), behind)
    return hstrip([normal, pressed, hot, inactive, disabled, hot])


def mdi_controls():
    """Minimise, restore and close of a maximised MDI child, four 15 x 15 frames each:
    normal, pressed, hot (unused), hot in the menu band."""
    frames = []
    for kind, colour in (("minimize", "blue"), ("restore", "blue"), ("close", "red")):
        looks = CAPTION_LOOKS[colour]
        n = caption_button(15, kind, *looks["normal"], FACE, radius=2)
        p = caption_button(15, kind, *looks["pressed"], FACE, radius=2)
        h = caption_button(15, kind, *looks["hot"], FACE, radius=2)
        frames += [n, p, h, h]
    return hstrip(frames)


# ---------------------------------------------------------------- push buttons, check, radio

def push_button(state):
    """18 x 21 push-button frame with 4-pixel margins."""
    w, h = 18, 21
    img = Image(w, h)
    border = BTN_BORDER
    if state == "pressed":
        img.vgradient(0, 0, w, h, [(0, (214, 210, 200)), (0.2, (228, 226, 218)), (1, (243, 242, 237))])
    elif state == "disabled":
        img.fill(0, 0, w, h, (245, 244, 234))
        border = (201, 199, 186)
    else:
        img.vgradient(0, 0, w, h, [(0, WHITE), (0.7, (244, 243, 238)), (0.9, (232, 230, 222)),
                                   (1, (214, 208, 197))])
    ring = None
    if state == "hot":
        ring = ((255, 240, 207), (253, 216, 137), (248, 179, 48), (229, 151, 0))
    elif state == "default":
        ring = ((206, 231, 255), (188, 212, 246), (137, 173, 228), (105, 130, 238))
    if ring:
        t0, t1, b1, b0 = ring
        img.fill(2, 1, w - 2, 2, t0)
        img.fill(1, 2, w - 1, 3, t1)
        img.fill(1, h - 3, w - 1, h - 2, b1)
        img.fill(2, h - 2, w - 2, h - 1, b0)
        for y in range(2, h - 2):
            c = mix(t1, b1, (y - 2) / (h - 5))
            img.fill(1, y, 3, y + 1, c)
            img.fill(w - 3, y, w - 1, y + 1, c)
    outline(img, in_round_rect(0, 0, w, h, 3), in_round_rect(1, 1, w - 1, h - 1, 2), border, FACE)
    return img


def small_box(state, shade):
    """The 13 x 13 face of a check box or radio button in `state` (white when disabled, else a diagonal ramp
    from `shade` to white) and its border colour."""
    img = Image(13, 13)
    disabled = state in ("off_dis", "on_dis")
    for y in range(13):
        for x in range(13):
            img.set(x, y, WHITE if disabled else mix(shade, WHITE, (x + y) / 20))
    return img, ((202, 200, 187) if disabled else (28, 81, 128))


def check_box(state):
    """13 x 13: unchecked, checked, unchecked disabled, checked disabled, mixed."""
    img, border = small_box(state, (220, 220, 215))
    disabled = state in ("off_dis", "on_dis")
    img.fill(0, 0, 13, 1, border)
    img.fill(0, 12, 13, 13, border)
    img.fill(0, 0, 1, 13, border)
    img.fill(12, 0, 13, 13, border)
    if state in ("on", "on_dis"):
        paint(img, in_polyline([(3.6, 6.4), (5.6, 8.6), (9.6, 4.2)], 2.2),
              (202, 200, 187) if disabled else GREEN)
    elif state == "mixed":
        img.vgradient(3, 3, 10, 10, [(0, (110, 206, 110)), (1, (40, 160, 40))])
    return img


def radio_button(state):
    """13 x 13: unchecked, checked, unchecked disabled, checked disabled, hot."""
    img, border = small_box(state, (216, 216, 210))
    disabled = state in ("off_dis", "on_dis")
    c = 6.5
    if state == "hot":
        paint(img, in_ring(in_circle(c, c, 5.6), in_circle(c, c, 4.1)), (248, 179, 48))
    if state in ("on", "on_dis"):
        if disabled:
            paint(img, in_circle(c, c, 2.7), (202, 200, 187))
        else:
            paint(img, in_circle(c, c, 2.7), None,
                  shade=lambda x, y: mix((120, 226, 120), GREEN,
                                         min(1, math.hypot(x + 0.5 - 5.6, y + 0.5 - 5.6) / 3.2)))
    outline(img, in_circle(c, c, 6.5), in_circle(c, c, 5.4), border, FACE, threshold=0.3)
    return img


# ---------------------------------------------------------------- progress, tabs, header, status

def progress():
    """Two 16 x 14 frames: the empty bar and the filled part (tiled green blocks)."""
    empty = Image(16, 14, WHITE)
    paint(empty, in_ring(in_round_rect(1, 1, 15, 13, 1), in_round_rect(2, 2, 14, 12, 0.01)),
          (214, 220, 228))
    outline(empty, in_round_rect(0, 0, 16, 14, 2), in_round_rect(1, 1, 15, 13, 1),
            (104, 118, 138), FACE)
    filled = Image(16, 14)
    filled.paste(progress_chunk(), 3, 3)
    return hstrip([empty, filled])


def progress_chunk():
    """One 10 x 8 block: eight green columns and a two-pixel gap."""
    img = Image(10, 8)
    for x in range(8):
        t = abs(x - 3.5) / 3.5
        img.fill(x, 0, x + 1, 8, mix((140, 230, 140), (40, 168, 40), t))
    return img


def tab(state):
    """14 x 20 tab: normal, selected, hot, disabled, normal again."""
    w, h = 14, 20
    img = Image(w, h)
    border = TAB_BORDER
    if state == "selected":
        img.fill(0, 0, w, h, (252, 252, 254))
    elif state == "disabled":
        img.fill(0, 0, w, h, (244, 243, 238))
        border = (201, 199, 186)
    else:
        img.vgradient(0, 0, w, h, [(0, WHITE), (1, (236, 235, 230))])
    outer = in_round_rect(0, 0, w, h + 4, 3)
    inner = in_round_rect(1, 1, w - 1, h + 4, 2)
    if state in ("selected", "hot"):
        # an orange top edge: the outline's top rows are drawn in orange
        top = img.crop(0, 0, w, 3)
        outline(top, outer, inner, (230, 139, 44) if state == "selected" else (240, 170, 60), FACE)
        top.fill(2, 1, w - 2, 2, (255, 200, 60))
        top.fill(2, 2, w - 2, 3, (255, 224, 140))
        outline(img, outer, inner, border, FACE)
        img.paste(top, 0, 0)
    else:
        outline(img, outer, inner, border, FACE)
    return img


def tab_border():
    """Page border, drawn with bands 4, 5, 4, 4; the centre is never drawn."""
    img = Image(16, 16, (252, 252, 254))
    img.fill(0, 13, 16, 14, (240, 240, 234))
    img.fill(13, 0, 14, 14, (240, 240, 234))
    img.fill(0, 14, 16, 15, (228, 228, 220))
    img.fill(14, 0, 15, 15, (228, 228, 220))
    for x0, y0, x1, y1 in ((0, 0, 16, 1), (0, 15, 16, 16), (0, 0, 1, 16), (15, 0, 16, 16)):
        img.fill(x0, y0, x1, y1, TAB_BORDER)
    return img


def header(state):
    """12 x 18 column header: normal, hot, pressed, normal, normal."""
    img = Image(12, 18, (222, 223, 216) if state == "pressed" else (235, 234, 219))
    lines = ((250, 222, 160), (248, 179, 48), (229, 151, 0)) if state == "hot" else \
        ((226, 222, 205), (214, 210, 194), (203, 199, 184))
    for i, c in enumerate(lines):
        img.fill(0, 15 + i, 12, 16 + i, c)
    img.fill(10, 3, 11, 13, (199, 197, 178))
    img.fill(11, 3, 12, 13, WHITE)
    return img


def status_edge(kind):
    """8 x 8 panel: lowered, raised, flat."""
    img = Image(8, 8, FACE)
    if kind != "flat":
        tl, br = (SHADOW, WHITE) if kind == "lowered" else (WHITE, SHADOW)
        img.fill(0, 0, 8, 1, tl)
        img.fill(0, 0, 1, 8, tl)
        img.fill(0, 7, 8, 8, br)
        img.fill(7, 1, 8, 8, br)
    return img


# ---------------------------------------------------------------- combo box

def combo_button(state):
    """17 x 21 drop-down button, inset one pixel so the edit border shows around it."""
    looks = {
        "normal": ([(0, (225, 236, 255)), (1, (180, 200, 248))], (165, 185, 240)),
        "pressed": ([(0, (150, 175, 240)), (1, (190, 210, 252))], (120, 150, 230)),
        "disabled": ([(0, (244, 243, 238)), (1, (244, 243, 238))], (222, 221, 216)),
        "hot": ([(0, (240, 246, 255)), (1, (198, 216, 255))], (140, 170, 245)),
    }
    stops, border = looks[state]
    img = Image(17, 21)
    img.vgradient(1, 1, 16, 20, stops)
    outline(img, in_round_rect(1, 1, 16, 20, 2), in_round_rect(2, 2, 15, 19, 1), border, WHITE)
    return img


def sunk_edge(state):
    """10 x 21 edit frame: normal, pressed, disabled, hot or focused."""
    border = {"normal": EDGE, "pressed": (80, 120, 180), "disabled": (201, 199, 186),
              "hot": (60, 120, 190)}[state]
    img = Image(10, 21, (245, 244, 234) if state == "disabled" else WHITE)
    for x0, y0, x1, y1 in ((0, 0, 10, 1), (0, 20, 10, 21), (0, 0, 1, 21), (9, 0, 10, 21)):
        img.fill(x0, y0, x1, y1, border)
    return img


def glyph_on_key(img, inside, colour, behind, bbox=None):
    """Draws a glyph on key-colour pixels: solid where mostly covered, blended with
    the colour it will be shown on where partly covered, key elsewhere."""
    x0, y0, x1, y1 = bbox or (0, 0, img.w, img.h)
    for y in range(y0, y1):
        for x in range(x0, x1):
            a = coverage(inside, x, y)
            if a >= 0.55:
                img.set(x, y, colour)
            elif a >= 0.2:
                img.set(x, y, mix(behind, colour, a / 0.55))


def extra_images():
    """Five 12 x 12 cells: the combo arrow normal, pressed, disabled, hot; the size grip."""
    frames = []
    chevron = in_polyline([(3.2, 4.6), (6.0, 7.4), (8.8, 4.6)], 2.0)
    for colour in (GLYPH, (40, 60, 110), (201, 199, 186), GLYPH):
        img = Image(12, 12)
        glyph_on_key(img, chevron, colour, (205, 220, 252))
        frames.append(img)
    grip = Image(12, 12)
    for a in range(3):
        for b in range(3):
            if a + b >= 2:
                x, y = 2 + 3 * a, 2 + 3 * b
                grip.fill(x + 1, y + 1, x + 3, y + 3, SHADOW)
                grip.fill(x, y, x + 2, y + 2, WHITE)
    frames.append(grip)
    return hstrip(frames)


# ---------------------------------------------------------------- scroll bars

ARROW_LOOKS = {
    "normal": ([(0, (225, 234, 254)), (1, (190, 208, 252))], (180, 199, 240), GLYPH),
    "pressed": ([(0, (150, 178, 244)), (1, (176, 198, 250))], (130, 160, 230), (40, 60, 110)),
    "hot": ([(0, (242, 247, 255)), (1, (206, 222, 255))], (160, 186, 246), GLYPH),
    "disabled": ([(0, (244, 243, 238)), (1, (238, 237, 230))], (222, 221, 216), (201, 199, 186)),
}
CHEVRONS = {
    "left": [(9.6, 4.8), (6.4, 8.5), (9.6, 12.2)],
    "right": [(7.4, 4.8), (10.6, 8.5), (7.4, 12.2)],
    "up": [(4.8, 9.6), (8.5, 6.4), (12.2, 9.6)],
    "down": [(4.8, 7.4), (8.5, 10.6), (12.2, 7.4)],
}


def scroll_arrow(direction, state):
    stops, border, glyph = ARROW_LOOKS[state]
    img = Image(17, 17, TRACK)
    face = Image(15, 15)
    face.vgradient(0, 0, 15, 15, stops)
    img.paste(face, 1, 1)
    # the button sits one pixel inside the bar; its corners show the track
    outline(img, in_round_rect(1, 1, 16, 16, 2), in_round_rect(2, 2, 15, 15, 1), border, TRACK,
            outside=TRACK)
    paint(img, in_polyline(CHEVRONS[direction], 2.1), glyph)
    return img


def scroll_track(vertical, state):
    stops = {
        "normal": [(0, (238, 237, 229)), (0.15, (243, 241, 236)), (1, (254, 254, 251))],
        "pressed": [(0, (216, 216, 206)), (1, (236, 236, 230))],
        "disabled": [(0, (250, 250, 247)), (1, (250, 250, 247))],
        "hot": [(0, (244, 243, 238)), (1, WHITE)],
    }[state]
    if vertical:
        img = Image(17, 8)
        img.hgradient(0, 0, 17, 8, stops)
    else:
        img = Image(8, 17)
        img.vgradient(0, 0, 8, 17, stops)
    return img


def scroll_thumb(vertical, state):
    """Thumb frames: normal, dragged, hot. Uniform along the bar so it stretches cleanly."""
    stops, border = {
        "normal": ([(0, (208, 222, 253)), (1, (182, 202, 250))], (162, 186, 238)),
        "dragged": ([(0, (170, 194, 248)), (1, (150, 178, 244))], (120, 150, 224)),
        "hot": ([(0, (222, 234, 255)), (1, (196, 214, 255))], (172, 196, 246)),
    }[state]
    img = Image(16, 17)
    img.vgradient(0, 1, 16, 16, stops)
    outline(img, in_round_rect(0, 1, 16, 16, 2), in_round_rect(1, 2, 15, 15, 1), border, TRACK)
    if vertical:
        out = Image(17, 16)
        for y in range(16):
            for x in range(17):
                out.set(x, y, img.get(y, x))
        return out
    return img


def scroll_grip(vertical):
    img = Image(17, 17)
    for i in range(4):
        p = 5 + 2 * i
        if vertical:
            img.fill(5, p, 12, p + 1, (238, 244, 254))
            img.fill(6, p + 1, 13, p + 2, (140, 170, 230))
        else:
            img.fill(p, 5, p + 1, 12, (238, 244, 254))
            img.fill(p + 1, 6, p + 2, 13, (140, 170, 230))
    return img


def scrollbar():
    """23 frames of 17 x 17: four per arrow (normal, pressed, hot, disabled) in the order
    left, right, up, down; then the size box, the two thumb grips and four track tiles."""
    frames = []
    for d in ("left", "right", "up", "down"):
        for s in ("normal", "pressed", "hot", "disabled"):
            frames.append(scroll_arrow(d, s))
    frames.append(Image(17, 17, TRACK))
    frames.append(scroll_grip(False))
    frames.append(scroll_grip(True))
    for vertical in (False, True):
        for s in ("normal", "pressed"):
            t = scroll_track(vertical, s)
            tile = Image(17, 17)
            for y in range(17):
                for x in range(17):
                    tile.set(x, y, t.get(x % t.w, y % t.h))
            frames.append(tile)
    return hstrip(frames)


# ---------------------------------------------------------------- menus

def menu_item(state):
    """16 x 18: normal, separator, disabled, selected, selected while disabled."""
    img = Image(16, 18)
    if state == "separator":
        img.fill(2, 13, 14, 14, SHADOW)
    elif state in ("selected", "selected_dis"):
        fill = HILIGHT if state == "selected" else (182, 189, 210)
        img.fill(0, 0, 16, 18, fill)
        outline(img, in_round_rect(0, 0, 16, 18, 2), in_round_rect(1, 1, 15, 17, 1),
                darken(fill, 0.15), WHITE)
    return img


def menu_background():
    img = Image(16, 16, WHITE)
    for x0, y0, x1, y1 in ((0, 0, 16, 1), (0, 15, 16, 16), (0, 0, 1, 16), (15, 0, 16, 16)):
        img.fill(x0, y0, x1, y1, SHADOW)
    return img


def menu_bar():
    """The menu band: active and inactive frames stacked; flat face with a soft top line."""
    frames = []
    for top in (WHITE, (246, 245, 238)):
        img = Image(8, 20, FACE)
        img.fill(0, 0, 8, 1, top)
        frames.append(img)
    return vstrip(frames)


def menu_bar_item(state):
    img = Image(12, 20)
    if state != "normal":
        fill = HILIGHT if state == "hot" else darken(HILIGHT, 0.15)
        img.fill(0, 0, 12, 20, fill)
    return img


# ---------------------------------------------------------------- group box, toolbars, extras

def group_box_edge(enabled):
    img = Image(12, 12)
    colour = (208, 208, 191) if enabled else (226, 226, 214)
    img.fill(0, 0, 12, 12, FACE)
    outline(img, in_round_rect(0, 0, 12, 12, 3), in_round_rect(1, 1, 11, 11, 2), colour, FACE)
    for y in range(1, 11):
        for x in range(1, 11):
            if in_round_rect(1, 1, 11, 11, 2)(x + 0.5, y + 0.5) and img.get(x, y) == FACE:
                img.set(x, y, KEY)
    return img


def toolbar_button(state):
    """16 x 22: normal, hot, pressed, disabled, checked."""
    img = Image(16, 22)
    looks = {
        "hot": ([(0, (232, 241, 255)), (1, (200, 218, 250))], (140, 170, 230)),
        "pressed": ([(0, (170, 195, 240)), (1, (200, 218, 250))], (110, 140, 210)),
        "checked": ([(0, (244, 248, 255)), (1, (232, 240, 255))], (140, 170, 230)),
    }
    if state in looks:
        stops, border = looks[state]
        img.vgradient(0, 0, 16, 22, stops)
        outline(img, in_round_rect(0, 0, 16, 22, 3), in_round_rect(1, 1, 15, 21, 2), border, FACE)
    return img


def rebar_grip():
    img = Image(5, 20, FACE)
    for y in range(3, 17, 4):
        img.fill(1, y, 3, y + 2, WHITE)
        img.fill(2, y + 1, 4, y + 3, SHADOW)
        img.fill(2, y + 1, 3, y + 2, (200, 198, 186))
    return img


def task_bar():
    img = Image(8, 30)
    img.vgradient(0, 0, 8, 30, [(0, (60, 130, 240)), (0.1, (36, 94, 220)), (0.5, (30, 86, 212)),
                                (1, (20, 70, 196))])
    img.fill(0, 0, 8, 1, (90, 150, 250))
    return img


def start_button(pressed):
    img = Image(40, 30)
    stops = [(0, (70, 176, 70)), (0.5, (52, 150, 52)), (1, (40, 128, 40))]
    if pressed:
        stops = [(0, (30, 110, 30)), (1, (52, 150, 52))]
    img.vgradient(0, 0, 40, 30, stops)
    cut(img, in_round_rect(-12, 0, 40, 30, 12), edge=(30, 86, 212))
    return img


def icon_back(forward):
    img = Image(16, 16)
    glyph_on_key(img, in_circle(8, 8, 7.5), (44, 150, 44), FACE)
    arrow = [(11.5, 8), (5, 8)] if not forward else [(4.5, 8), (11, 8)]
    head = [(7.5, 4.8), (4.6, 8), (7.5, 11.2)] if not forward else [(8.5, 4.8), (11.4, 8), (8.5, 11.2)]
    inside_arrow = (lambda px, py: in_polyline(arrow, 2.0)(px, py) or in_polyline(head, 2.0)(px, py))
    paint(img, inside_arrow, WHITE, bbox=(1, 1, 15, 15))
    return img


def icon_stop():
    img = Image(16, 16)
    octagon = [(5, 0.5), (11, 0.5), (15.5, 5), (15.5, 11), (11, 15.5), (5, 15.5), (0.5, 11), (0.5, 5)]
    glyph_on_key(img, in_polygon(octagon), (204, 52, 30), FACE)
    paint(img, lambda px, py: in_polyline([(5, 5), (11, 11)], 2.0)(px, py)
          or in_polyline([(11, 5), (5, 11)], 2.0)(px, py), WHITE, bbox=(2, 2, 14, 14))
    return img


def icon_refresh():
    img = Image(16, 16)

    def arc(px, py):
        d = math.hypot(px - 8, py - 8)
        ang = math.degrees(math.atan2(py - 8, px - 8)) % 360
        return 4.2 <= d <= 6.6 and not (300 <= ang <= 345)
    head = in_polygon([(10.5, 1.0), (15.5, 4.5), (10.0, 7.5)])
    glyph_on_key(img, lambda px, py: arc(px, py) or head(px, py), (44, 150, 44), FACE)
    return img


def icon_home():
    img = Image(16, 16)
    glyph_on_key(img, in_polygon([(8, 1), (15.5, 8), (0.5, 8)]), (196, 64, 40), FACE)
    glyph_on_key(img, lambda px, py: 3 <= px < 13 and 8 <= py < 15, (238, 226, 196), FACE,
                 bbox=(0, 7, 16, 16))
    img.fill(7, 10, 10, 15, (40, 90, 180))
    img.fill(3, 14, 13, 15, (150, 120, 80))
    return img


def icon_print():
    img = Image(16, 16)
    img.fill(4, 1, 12, 7, WHITE)
    img.fill(4, 1, 12, 2, (150, 150, 150))
    img.fill(1, 6, 15, 12, (170, 170, 176))
    img.fill(1, 6, 15, 7, (210, 210, 216))
    img.fill(1, 11, 15, 12, (110, 110, 118))
    img.fill(4, 10, 12, 15, WHITE)
    img.fill(5, 12, 11, 13, (120, 120, 120))
    img.fill(12, 8, 14, 9, (60, 180, 60))
    return img


# ---------------------------------------------------------------- assembly

def build_images():
    images = {
        "blue_frametop.bmp": vstrip([frame_top(ACTIVE), frame_top(INACTIVE)]),
        "blue_frameleft.bmp": hstrip([frame_side(ACTIVE, False), frame_side(INACTIVE, False)]),
        "blue_frameright.bmp": hstrip([frame_side(ACTIVE, True), frame_side(INACTIVE, True)]),
        "blue_framebottom.bmp": vstrip([frame_bottom(ACTIVE), frame_bottom(INACTIVE)]),
        "blue_close.bmp": caption_strip("close", "red"),
        "blue_maximize.bmp": caption_strip("maximize", "blue"),
        "blue_restore.bmp": caption_strip("restore", "blue"),
        "blue_minimize.bmp": caption_strip("minimize", "blue"),
        "blue_mdicontrols.bmp": mdi_controls(),
        "blue_menubar.bmp": menu_bar(),
        "blue_button.bmp": hstrip([push_button(s) for s in
                                   ("normal", "pressed", "disabled", "hot", "default")]),
        "blue_checkbox.bmp": hstrip([check_box(s) for s in
                                     ("off", "on", "off_dis", "on_dis", "mixed")]),
        "blue_radio.bmp": hstrip([radio_button(s) for s in
                                  ("off", "on", "off_dis", "on_dis", "hot")]),
        "blue_progress.bmp": progress(),
        "blue_progresschunk.bmp": progress_chunk(),
        "blue_groupboxedge.bmp": hstrip([group_box_edge(True), group_box_edge(False)]),
        "blue_groupbox.bmp": Image(12, 16, FACE),
        "blue_toolbar.bmp": hstrip([toolbar_button(s) for s in
                                    ("normal", "hot", "pressed", "disabled", "checked")]),
        "blue_tabs.bmp": hstrip([tab(s) for s in
                                 ("normal", "selected", "hot", "disabled", "normal")]),
        "blue_tabborder.bmp": tab_border(),
        "blue_statusbar.bmp": hstrip([status_edge(k) for k in ("lowered", "raised", "flat")]),
        "blue_combobutton.bmp": hstrip([combo_button(s) for s in
                                        ("normal", "pressed", "disabled", "hot")]),
        "blue_sunkedge.bmp": hstrip([sunk_edge(s) for s in ("normal", "pressed", "disabled", "hot")]),
        "blue_extraimages.bmp": extra_images(),
        "blue_header.bmp": hstrip([header(s) for s in
                                   ("normal", "hot", "pressed", "normal", "normal")]),
        "blue_menuitem.bmp": hstrip([menu_item(s) for s in
                                     ("normal", "separator", "disabled", "selected", "selected_dis")]),
        "blue_menubackground.bmp": menu_background(),
        "blue_scrollbar.bmp": scrollbar(),
        "blue_horzscroll.bmp": hstrip([scroll_track(False, s) for s in
                                       ("normal", "pressed", "disabled", "hot")]),
        "blue_vertscroll.bmp": hstrip([scroll_track(True, s) for s in
                                       ("normal", "pressed", "disabled", "hot")]),
        "blue_horzthumb.bmp": hstrip([scroll_thumb(False, s) for s in ("normal", "dragged", "hot")]),
        "blue_vertthumb.bmp": hstrip([scroll_thumb(True, s) for s in ("normal", "dragged", "hot")]),
        "blue_rebargrip.bmp": rebar_grip(),
        "blue_taskbar.bmp": task_bar(),
        "blue_startbutton.bmp": vstrip([start_button(False), start_button(True)]),
        "blue_menubaritem.bmp": hstrip([menu_bar_item(s) for s in ("normal", "hot", "pressed")]),
        "blue_tb_back.bmp": icon_back(False),
        "blue_tb_forward.bmp": icon_back(True),
        "blue_tb_stop.bmp": icon_stop(),
        "blue_tb_refresh.bmp": icon_refresh(),
        "blue_tb_home.bmp": icon_home(),
        "blue_tb_print.bmp": icon_print(),
    }
    return images


# Package order. Two images are listed twice, as in the packages the engine was
# built for; a lookup finds the first copy.
PACKAGE = [
    "blue_frametop.bmp", "blue_frameleft.bmp", "blue_frameright.bmp", "blue_framebottom.bmp",
    "blue_close.bmp", "blue_maximize.bmp", "blue_restore.bmp", "blue_minimize.bmp",
    "blue_mdicontrols.bmp", "blue_menubar.bmp", "blue_button.bmp", "blue_checkbox.bmp",
    "blue_radio.bmp", "blue_progress.bmp", "blue_progresschunk.bmp", "blue_groupboxedge.bmp",
    "blue_groupbox.bmp", "blue_toolbar.bmp", "blue_tabs.bmp", "blue_tabborder.bmp",
    "blue_statusbar.bmp", "blue_combobutton.bmp", "blue_sunkedge.bmp", "blue_extraimages.bmp",
    "blue_header.bmp", "blue_menuitem.bmp", "blue_menubackground.bmp", "blue_scrollbar.bmp",
    "blue_horzscroll.bmp", "blue_vertscroll.bmp", "blue_horzthumb.bmp", "blue_vertthumb.bmp",
    "blue_rebargrip.bmp", "blue_taskbar.bmp", "blue_startbutton.bmp", "blue_menubaritem.bmp",
    "blue_tb_back.bmp", "blue_tb_forward.bmp", "blue_tb_stop.bmp", "blue_tb_refresh.bmp",
    "blue_tb_home.bmp", "blue_tb_print.bmp",
    "blue_menubar.bmp", "blue_button.bmp",
    "xpluna.ini",
]


# ---------------------------------------------------------------- description

DESCRIPTION = r"""; Blue window skin: description of the images in this package.
; Frames of a strip are numbered from 1, left to right (or top to bottom for
; the top and bottom borders and the menu band). Magenta 255 0 255 is transparent.

[TitlebarSkin]
SkinName=Blue
Version=1.0

; ---- window frame: 30-pixel title band, 4-pixel sides and bottom.
; Frame 1 = active window, frame 2 = inactive window.
; Top and bottom hold their frames stacked, left and right side by side.
; Caps: Top keeps 25 pixels at the left and 32 at the right unscaled; the
; sides keep the 30 title rows and the 4 bottom rows. The rounded top
; corners are magenta, so the window region cuts them away.
[Personality]
Top=blue_frametop.bmp
TopTopHeight=25
TopBotHeight=32
TopFrame=2
TopStretch=1
Left=blue_frameleft.bmp
LeftTopHeight=30
LeftBotHeight=4
LeftFrame=2
LeftStretch=1
LeftTrans=1
Right=blue_frameright.bmp
RightTopHeight=30
RightBotHeight=4
RightFrame=2
RightStretch=1
RightTrans=1
Bottom=blue_framebottom.bmp
BottomTopHeight=0
BottomBotHeight=0
BottomFrame=2
BottomStretch=1
BottomTrans=0
; caption text: after the icon, clipped before the buttons
TextShift=22
TextShiftVert=0
TextRightClip=75
TextAlignment=0
Textbackground=0
TXTBackleft=0
TXTBackRight=0
ActiveTextR=255
ActiveTextG=255
ActiveTextB=255
InActiveTextR=216
InActiveTextG=228
InActiveTextB=248
; menu band, frames stacked: active, inactive
menuBar=blue_menubar.bmp
TileMenu=1
TileLeftMenu=1
TileRightMenu=1

[Fonts]
FontName=Trebuchet MS
FontHeight=16
FontBold=1

; colours are red green blue, 0..255
[Colours]
WindowText=0 0 0
ButtonFace=236 233 216
Scrollbar=212 208 200
HilightText=255 255 255
Hilight=49 106 197
Menubar=236 233 216
Menu=255 255 255
MenuText=0 0 0
ButtonText=0 0 0
ButtonHilight=255 255 255
Buttonlight=241 239 226
ButtonShadow=172 168 153
ButtonDkShadow=113 111 100
MenuBarText=0 0 0
TitleTextActive=255 255 255
TitleTextNoActive=216 228 248

; palette of the theme: title blue, selection, face, green
[Colour0]
color=0 84 227
[Colour1]
color=49 106 197
[Colour2]
color=236 233 216
[Colour3]
color=33 161 33

; colours offered to custom colour pickers
[Customcolors]
Color0=0 84 227
Color1=61 149 255
Color2=49 106 197
Color3=122 150 223
Color4=216 228 248
Color5=236 233 216
Color6=172 168 153
Color7=33 161 33
Color8=229 151 0
Color9=212 72 40

; ---- caption buttons, 21 x 21, six frames: normal, pressed, hot,
; inactive window, disabled, hot while inactive. Align 1 = from the right edge.
[Button0]
Action=0
Align=1
Xcoord=27
Ycoord=5
Visibility=0
ButtonImage=blue_close.bmp

[Button3]
Action=1
Align=1
Xcoord=50
Ycoord=5
Visibility=2
ButtonImage=blue_maximize.bmp

[Button6]
Action=1
Align=1
Xcoord=50
Ycoord=5
Visibility=1
ButtonImage=blue_restore.bmp

[Button9]
Action=2
Align=1
Xcoord=73
Ycoord=5
Visibility=0
ButtonImage=blue_minimize.bmp

; window icon: opens the system menu, draws the window's own icon
[Button16]
Action=11
Align=0
Xcoord=7
Ycoord=7
Visibility=0

; minimise, restore, close of a maximised MDI child: 12 frames of 15 x 15,
; four per button: normal, pressed, hot, hot in the menu band
[MDICONTROLS]
Image=blue_mdicontrols.bmp

; ---- controls
; push buttons: normal, pressed, disabled, hot or focused, default
; check and radio: unchecked, checked, unchecked disabled, checked disabled,
; mixed (check) or hot (radio)
[Buttons]
Bitmap=blue_button.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1
Tile=0
CheckButton=blue_checkbox.bmp
RadioButton=blue_radio.bmp
NormalColour2=0 0 0
MouseOverColour2=0 0 0
PressedColour2=0 0 0

; empty bar, filled part (its centre is tiled into blocks)
[Progress]
Bitmap=blue_progress.bmp
Chunk=blue_progresschunk.bmp
Style=0
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1
Tile=1

[GroupBoxEdge]
Image=blue_groupboxedge.bmp
LeftWidth=4
RightWidth=4
TopHeight=4
BottomHeight=4
Trans=1

[GroupBox]
Image=blue_groupbox.bmp
NormalColour2=0 70 213
BackgroundAlignment=0
BackgroundLeftShift=8
BackgroundRightShift=8

; normal, hot, pressed, disabled, checked
[Toolbars]
Image=blue_toolbar.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1
NormalColour2=0 0 0
MouseOverColour2=0 0 0
PressedColour2=0 0 0

; normal, selected, hot, disabled, normal; Border = page frame
[Tabs]
Image=blue_tabs.bmp
Border=blue_tabborder.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=1
Trans=1
Tile=0
NormalColour2=0 0 0
MouseOverColour2=0 0 0

; lowered, raised, flat
[StatusBarEdges]
Image=blue_statusbar.bmp
LeftWidth=1
RightWidth=1
TopHeight=1
BottomHeight=1
NormalColour2=0 0 0

; normal, pressed, disabled, hot or focused
[ComboButton]
Image=blue_combobutton.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1
Style=0

[SunkEdge]
Image=blue_sunkedge.bmp
LeftWidth=2
RightWidth=2
TopHeight=2
BottomHeight=2
Trans=1

; combo arrow normal, pressed, disabled, hot; size grip
[ExtraImages]
Image=blue_extraimages.bmp
Trans=1

; normal, hot, pressed, normal, normal
[Headerbar]
Image=blue_header.bmp
LeftWidth=1
RightWidth=3
TopHeight=2
BottomHeight=3
NormalColour2=0 0 0

; normal, separator, disabled, selected, selected disabled
[MenuItem]
Image=blue_menuitem.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Trans=1
Tile=0

[MenuBackground]
Image=blue_menubackground.bmp
LeftWidth=3
RightWidth=3
TopHeight=3
BottomHeight=3
Tile=0

; arrows left, right, up, down (normal, pressed, hot, disabled each),
; size box, thumb grips, track tiles
[Scrollbar]
Image=blue_scrollbar.bmp
Trans=0

; tracks: normal, pressed, disabled, hot
[HorzScroll]
Image=blue_horzscroll.bmp
Tile=0

[VertScroll]
Image=blue_vertscroll.bmp
Tile=0

; thumbs: normal, dragged, hot
[HorzScrollThumb]
Image=blue_horzthumb.bmp
LeftWidth=3
RightWidth=3
Trans=1
FrameCount=3

[VertScrollThumb]
Image=blue_vertthumb.bmp
TopHeight=3
BottomHeight=3
Trans=1
FrameCount=3

; ---- desktop parts, kept for completeness of the theme; the window
; engine does not read them
[RebarGrip]
Image=blue_rebargrip.bmp

[TaskBar]
Image=blue_taskbar.bmp
Tile=0

[StartButton]
Image=blue_startbutton.bmp
Frame=2

[MenuBar]
Image=blue_menubaritem.bmp
Frame=3
FrameImage=XPLuna\MenuFrame.bmp

[Text]
Shadow=0
ShadowColour=0 0 0

[Font0]
Name=Tahoma
Height=11
[Font1]
Name=Tahoma
Height=11
Bold=1
[Font2]
Name=Trebuchet MS
Height=16
Bold=1
[Font3]
Name=Tahoma
Height=13

[Layout0]
Margin=4
Spacing=2
[Layout1]
Margin=2
Spacing=1

[ToolbarIcon.Back]
Image=blue_tb_back.bmp
[ToolbarIcon.Forward]
Image=blue_tb_forward.bmp
[ToolbarIcon.Stop]
Image=blue_tb_stop.bmp
[ToolbarIcon.Refresh]
Image=blue_tb_refresh.bmp
[ToolbarIcon.Home]
Image=blue_tb_home.bmp
[ToolbarIcon.Print]
Image=blue_tb_print.bmp
"""


def description_bytes():
    return DESCRIPTION.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")


# ---------------------------------------------------------------- self-check

class Description:
    """Reads the description the way the engine does: trimmed significant lines,
    case-insensitive sections, first key of a section wins, empty value = default."""

    def __init__(self, data):
        text = data.split(b"\0", 1)[0].decode("latin-1")
        self.lines = []
        for line in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
            t = line.strip(" \t\r\n\x0b\x0c")
            if t and not t.startswith(";"):
                self.lines.append(t)
        self.sections = [(i, t) for i, t in enumerate(self.lines)
                         if t.startswith("[") and t.endswith("]")]

    def section_names(self):
        return [t[1:-1].strip() for _, t in self.sections]

    def read(self, section, key, default=None):
        want = "[" + section + "]"
        for i, t in self.sections:
            if t.lower() == want.lower():
                for line in self.lines[i + 1:]:
                    if line.startswith("[") and line.endswith("]"):
                        break
                    if "=" in line:
                        k, v = line.split("=", 1)
                        if k.strip().lower() == key.lower():
                            return v.strip() or default
                return default
        return default

    def integer(self, section, key, default):
        v = self.read(section, key)
        if v is None:
            return default
        try:
            return int(v)
        except ValueError:
            return default


def expect(cond, what):
    if not cond:
        raise CheckFailed(what)


def check(images, desc_bytes, package):
    """Checks that the description, the images and the package list agree."""
    sizes = {name: read_bmp_size(data) for name, data in images.items()}
    d = Description(desc_bytes)

    expect(len(package) == 45, "package lists %d entries, not 45" % len(package))
    doubles = sorted({n for n in package if package.count(n) > 1})
    expect(len(doubles) == 2 and all(package.count(n) == 2 for n in doubles),
           "exactly two names must be listed twice: %r" % doubles)
    expect(sum(n.endswith(".bmp") for n in package) == 44, "44 bitmap entries expected")
    expect([n for n in package if n.endswith(".ini")] == ["xpluna.ini"], "one description xpluna.ini")
    expect(all(n == n.lower() for n in package), "entry names are lower case")
    expect(set(package) - {"xpluna.ini"} == set(images), "package and images differ")
    expect(6000 <= len(desc_bytes) <= 8000, "description is %d bytes" % len(desc_bytes))

    def image(section, key):
        ref = d.read(section, key)
        expect(ref is not None, "[%s] %s missing" % (section, key))
        name = ref.replace(":", "\\").split("\\")[-1].lower()
        expect(name in sizes, "[%s] %s=%s names no entry" % (section, key, ref))
        return sizes[name]

    def strip(section, key, frames, vertical=False, size=None):
        w, h, bits = image(section, key)
        expect(bits == 24, "[%s] %s is not 24-bit" % (section, key))
        n = h if vertical else w
        expect(n % frames == 0, "[%s] %s: %d not divisible by %d frames" % (section, key, n, frames))
        if size:
            expect((w, h) == size, "[%s] %s is %dx%d, not %dx%d" % ((section, key, w, h) + size))
        return w, h

    # window borders
    tw, th = strip("Personality", "Top", 2, vertical=True)
    expect(th // 2 == FRAME_TOP, "top border frame height")
    expect(d.integer("Personality", "TopTopHeight", 0) == 25, "top left cap 25")
    expect(d.integer("Personality", "TopBotHeight", 0) == 32, "top right cap 32")
    expect(d.read("Personality", "TopTrans") is None, "no TopTrans key")
    expect(tw > 25 + 32, "top border wider than its caps")
    for side in ("Left", "Right"):
        w, h = strip("Personality", side, 2)
        expect(w // 2 == SIDE, side + " border width")
        expect(d.integer("Personality", side + "TopHeight", 0) +
               d.integer("Personality", side + "BotHeight", 0) < h, side + " caps fit")
    strip("Personality", "Bottom", 2, vertical=True)
    strip("Personality", "menuBar", 2, vertical=True)
    expect(d.read("Fonts", "FontHeight") == "16", "title font height 16")
    expect([d.integer("Personality", "ActiveText" + c, -1) for c in "RGB"] == [255, 255, 255],
           "active caption text")
    expect([d.integer("Personality", "InActiveText" + c, -1) for c in "RGB"] == [216, 228, 248],
           "inactive caption text")

    # caption buttons, in description order
    names = [n.upper() for n in d.section_names()]
    buttons = [n for n in names if n.startswith("BUTTON")
               and n not in ("BUTTONS", "BUTTON.RADIO", "BUTTON.CHECKBOX", "BUTTON")]
    expect(buttons == ["BUTTON0", "BUTTON3", "BUTTON6", "BUTTON9", "BUTTON16"],
           "caption buttons %r" % buttons)
    for b in buttons[:4]:
        w, h = strip(b, "ButtonImage", 6, size=(126, 21))
        expect(w / h > 3.8, b + " reads as six frames")
    expect(d.integer("BUTTON16", "Action", 0) == 11 and d.read("BUTTON16", "ButtonImage") is None,
           "Button16 is the icon button")
    strip("MDICONTROLS", "Image", 12, size=(180, 15))

    # palette and colours
    palette = [n for n in names if n.startswith("COLOUR") and n != "COLOURS"]
    expect(palette == ["COLOUR0", "COLOUR1", "COLOUR2", "COLOUR3"], "palette %r" % palette)
    expect(d.read("Colours", "ButtonFace") == "236 233 216", "button face colour")

    # controls: fixed frame counts of the engine
    strip("Buttons", "Bitmap", 5)
    for key in ("CheckButton", "RadioButton"):
        strip("Buttons", key, 5, size=(65, 13))
    strip("Progress", "Bitmap", 2)
    image("Progress", "Chunk")
    for section, frames in (("GroupBoxEdge", 2), ("GroupBox", 1), ("Toolbars", 5), ("Tabs", 5),
                            ("StatusBarEdges", 3), ("ComboButton", 4), ("SunkEdge", 4),
                            ("ExtraImages", 5), ("Headerbar", 5), ("MenuItem", 5),
                            ("MenuBackground", 1), ("Scrollbar", 23), ("HorzScroll", 4),
                            ("VertScroll", 4)):
        strip(section, "Image", frames)
    image("Tabs", "Border")
    for section in ("HorzScrollThumb", "VertScrollThumb"):
        strip(section, "Image", d.integer(section, "FrameCount", 3))
    for section in ("Trackbar.ThumbHorz", "UpDown.Horz", "UpDown.Vert"):
        expect(d.read(section, "Image") is None, section + " stays absent")

    # every section's margins fit inside one frame of its image
    for section, key, frames in (("Buttons", "Bitmap", 5), ("Progress", "Bitmap", 2),
                                 ("Tabs", "Image", 5), ("ComboButton", "Image", 4),
                                 ("SunkEdge", "Image", 4), ("Headerbar", "Image", 5),
                                 ("MenuItem", "Image", 5), ("MenuBackground", "Image", 1),
                                 ("GroupBoxEdge", "Image", 2), ("Toolbars", "Image", 5)):
        w, h, _ = image(section, key)
        fw = w // frames
        expect(d.integer(section, "LeftWidth", 0) + d.integer(section, "RightWidth", 0) < fw,
               section + " horizontal margins")
        expect(d.integer(section, "TopHeight", 0) + d.integer(section, "BottomHeight", 0) < h,
               section + " vertical margins")

    # the folder-qualified reference that the package does not hold
    expect("XPLuna\\MenuFrame.bmp" in desc_bytes.decode("ascii"), "MenuFrame reference")
    expect("menuframe.bmp" not in package, "menuframe.bmp must have no entry")

    # every image reference in the description resolves
    for line in Description(desc_bytes).lines:
        if "=" in line and line.split("=", 1)[1].strip().lower().endswith(".bmp"):
            ref = line.split("=", 1)[1].strip()
            if "\\" not in ref:
                expect(ref in sizes, "reference %s has no entry" % ref)


# ---------------------------------------------------------------- main

def outputs():
    images = {name: bmp24(img) for name, img in build_images().items()}
    desc = description_bytes()
    manifest = ("\n".join(PACKAGE) + "\n").encode("ascii")
    check(images, desc, PACKAGE)
    files = dict(images)
    files["xpluna.ini"] = desc
    files["package.lst"] = manifest
    return files


if __name__ == "__main__":
    sys.exit(run_generator(outputs, HERE, "skin", sys.argv[1:]))
