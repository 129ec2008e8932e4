#!/usr/bin/env python3
"""Tests of the skin and bitmap generators: file formats, the description
checker, and the artwork facts the engine relies on.

Run: python3 resources/skin/test_skin.py
"""

import importlib.util
import os
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import generate as skin  # noqa: E402
import raster  # noqa: E402
from raster import KEY, Image  # noqa: E402

_spec = importlib.util.spec_from_file_location(
    "bitmaps_generate", os.path.join(HERE, "..", "bitmaps", "generate.py"))
bitmaps = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(bitmaps)


def decode_bmp(data):
    """Independent reader: (width, height, bits, rows of RGB tuples top-down)."""
    assert data[:2] == b"BM"
    file_size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    assert file_size == len(data)
    hsize, w, h, planes, bits, comp = struct.unpack_from("<IiiHHI", data, 14)
    assert (hsize, planes, comp) == (40, 1, 0)
    colours = struct.unpack_from("<I", data, 46)[0]
    palette = []
    if bits <= 8:
        n = colours or (1 << bits)
        for i in range(n):
            b, g, r, _ = data[54 + 4 * i: 58 + 4 * i]
            palette.append((r, g, b))
    stride = ((w * bits + 31) // 32) * 4
    rows = []
    for y in range(abs(h)):
        start = offset + y * stride
        row = []
        for x in range(w):
            if bits == 24:
                b, g, r = data[start + 3 * x: start + 3 * x + 3]
                row.append((r, g, b))
            elif bits == 8:
                row.append(palette[data[start + x]])
            elif bits == 1:
                row.append(palette[(data[start + (x >> 3)] >> (7 - (x & 7))) & 1])
        rows.append(row)
    if h > 0:
        rows.reverse()
    return w, abs(h), bits, rows


class BitmapFiles(unittest.TestCase):
    def sample(self):
        img = Image(3, 2)
        img.set(0, 0, (1, 2, 3))
        img.set(1, 0, (250, 128, 7))
        img.set(2, 1, (0, 0, 0))
        return img

    def test_24_bit_round_trip_keeps_pixels_and_row_order(self):
        img = self.sample()
        w, h, bits, rows = decode_bmp(raster.bmp24(img))
        self.assertEqual((w, h, bits), (3, 2, 24))
        self.assertEqual(rows[0], [(1, 2, 3), (250, 128, 7), KEY])
        self.assertEqual(rows[1], [KEY, KEY, (0, 0, 0)])

    def test_8_bit_round_trip_and_palette_limit(self):
        img = self.sample()
        w, h, bits, rows = decode_bmp(raster.bmp8(img))
        self.assertEqual(bits, 8)
        self.assertEqual(rows[1][2], (0, 0, 0))
        many = Image(17, 16)
        for i in range(17 * 16):
            many.px[i] = (i % 256, i // 256, 0)
        with self.assertRaises(ValueError):
            raster.bmp8(many)

    def test_1_bit_packs_most_significant_bit_first_and_rejects_other_colours(self):
        img = Image(10, 1, (255, 255, 255))
        img.set(0, 0, (0, 0, 0))
        img.set(9, 0, (0, 0, 0))
        data = raster.bmp1(img, zero=(0, 0, 0), one=(255, 255, 255))
        _, _, bits, rows = decode_bmp(data)
        self.assertEqual(bits, 1)
        self.assertEqual(rows[0][0], (0, 0, 0))
        self.assertEqual(rows[0][1], (255, 255, 255))
        self.assertEqual(rows[0][9], (0, 0, 0))
        img.set(3, 0, (255, 0, 255))
        with self.assertRaises(ValueError):
            raster.bmp1(img)

    def test_icon_directory_points_at_each_image_and_masks_clear_pixels(self):
        a = Image(16, 16, (10, 20, 30))
        alpha = [255] * 256
        alpha[0] = 0  # top-left pixel transparent
        data = raster.ico([(a, alpha)])
        reserved, kind, count = struct.unpack_from("<HHH", data, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1))
        w, h, _, _, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
        self.assertEqual((w, h, planes, bits), (16, 16, 1, 32))
        self.assertEqual(offset + size, len(data))
        dib_h = struct.unpack_from("<i", data, offset + 8)[0]
        self.assertEqual(dib_h, 32)  # colour and mask halves
        mask = offset + 40 + 16 * 16 * 4
        top_row = mask + 15 * 4  # rows are stored bottom-up, 4 bytes each
        self.assertEqual(data[top_row] & 0x80, 0x80)
        self.assertEqual(data[top_row] & 0x40, 0)


class DescriptionReader(unittest.TestCase):
    def test_reads_like_the_engine(self):
        d = skin.Description(b"A=1\r\n[Sec]\r\n; note\r\n  key = 1 \r\nKEY=0\r\nempty=\r\n"
                             b"[sec]\r\nkey=9\r\n[Other]\nx=b=c\0[Late]\nz=1\n")
        self.assertEqual(d.read("SEC", "Key"), "1")        # first key wins, case-insensitive
        self.assertEqual(d.read("Sec", "empty", "dflt"), "dflt")
        self.assertEqual(d.read("Other", "x"), "b=c")
        self.assertIsNone(d.read("Late", "z"))            # text after NUL is ignored
        self.assertEqual(d.section_names(), ["Sec", "sec", "Other"])
        self.assertEqual(d.integer("Sec", "missing", 7), 7)


class DescriptionCheck(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.images = {n: raster.bmp24(i) for n, i in skin.build_images().items()}
        cls.desc = skin.description_bytes()

    def check(self, images=None, desc=None, package=None):
        skin.check(images or self.images, desc or self.desc, package or skin.PACKAGE)

    def replace(self, old, new):
        self.assertIn(old.encode(), self.desc)
        return self.desc.replace(old.encode(), new.encode(), 1)

    def test_committed_skin_passes(self):
        self.check()

    def test_caption_button_read_as_three_frames_is_caught(self):
        images = dict(self.images)
        images["blue_close.bmp"] = raster.bmp24(Image(60, 21))
        with self.assertRaises(skin.CheckFailed):
            self.check(images=images)

    def test_description_faults_are_caught(self):
        edits = {
            "a fifth palette section": ("[Customcolors]", "[Colour4]\r\ncolor=1 2 3\r\n[Customcolors]"),
            "an extra caption button section": ("[MDICONTROLS]", "[ButtonHelp]\r\nAction=5\r\n[MDICONTROLS]"),
            "margins wider than a frame": ("[MenuItem]\r\nImage=blue_menuitem.bmp\r\nLeftWidth=3",
                                           "[MenuItem]\r\nImage=blue_menuitem.bmp\r\nLeftWidth=14"),
            "a reference to a missing entry": ("Image=blue_header.bmp", "Image=blue_headr.bmp"),
            "a top Trans key": ("TopStretch=1", "TopStretch=1\r\nTopTrans=1"),
        }
        for what, (old, new) in edits.items():
            with self.subTest(what):
                with self.assertRaises(skin.CheckFailed):
                    self.check(desc=self.replace(old, new))

    def test_package_list_shape_is_enforced(self):
        p = skin.PACKAGE
        broken = {
            "a name listed three times": p[:-2] + ["blue_menubar.bmp", "xpluna.ini"],
            "no description": p[:-1] + ["blue_tabs.bmp"],
            "an upper-case name": ["Blue_FrameTop.bmp"] + p[1:],
            "an entry for the folder reference": p[:-2] + ["menuframe.bmp", "xpluna.ini"],
        }
        for what, package in broken.items():
            with self.subTest(what):
                with self.assertRaises(skin.CheckFailed):
                    self.check(package=package)


class Artwork(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.images = skin.build_images()

    def test_no_pink_fringes(self):
        # Near-magenta pixels would survive the exact key test and show pink.
        for name, img in self.images.items():
            for c in img.colours():
                if c != KEY:
                    self.assertFalse(c[0] > 200 and c[2] > 200 and c[1] < 80,
                                     "%s holds near-key colour %r" % (name, c))

    def test_title_corners_are_cut_and_body_is_opaque(self):
        left = self.images["blue_frameleft.bmp"]
        top = self.images["blue_frametop.bmp"]
        for frame in (0, 1):
            self.assertEqual(left.get(frame * 4, 0), KEY)
            self.assertNotEqual(left.get(frame * 4, skin.FRAME_TOP), KEY)
            self.assertNotEqual(left.get(frame * 4 + 3, left.h - 1), KEY)
            self.assertEqual(top.get(0, frame * 30), KEY)      # corner continues into the cap
            self.assertNotEqual(top.get(30, frame * 30 + 15), KEY)
        for x in range(top.w):
            self.assertNotEqual(top.get(x, 29), KEY)           # the title's bottom row is solid

    def test_active_and_inactive_frames_differ(self):
        for name, vertical in (("blue_frametop.bmp", True), ("blue_frameleft.bmp", False)):
            img = self.images[name]
            a = img.get(30, 15) if vertical else img.get(2, 35)
            b = img.get(30, 45) if vertical else img.get(6, 35)
            self.assertNotEqual(a, b, name)

    def test_caption_buttons_have_transparent_corners_and_solid_centres(self):
        for name in ("blue_close.bmp", "blue_maximize.bmp", "blue_restore.bmp", "blue_minimize.bmp"):
            img = self.images[name]
            for f in range(6):
                self.assertEqual(img.get(f * 21, 0), KEY, name)
                self.assertNotEqual(img.get(f * 21 + 3, 10), KEY, name)

    def test_close_button_is_red_and_others_blue(self):
        r, g, b = self.images["blue_close.bmp"].get(3, 14)
        self.assertGreater(r, b)
        r, g, b = self.images["blue_minimize.bmp"].get(3, 14)
        self.assertGreater(b, r)

    def test_generation_is_deterministic(self):
        self.assertEqual(skin.outputs(), skin.outputs())


class SmallBitmaps(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.files = bitmaps.outputs()

    def test_button_glyphs_are_8_bit_with_face_background(self):
        for name in ("ok_glyph.bmp", "cancel_glyph.bmp"):
            w, h, bits, rows = decode_bmp(self.files[name])
            self.assertEqual((w, h, bits), (32, 16, 8))
            self.assertEqual(rows[h - 1][0], (236, 233, 216))
            normal = {c for row in rows for c in row[:16]} - {(236, 233, 216)}
            grey = {c for row in rows for c in row[16:]} - {(236, 233, 216)}
            self.assertTrue(normal and grey, name)
            darkest = min(grey, key=sum)  # the stroke's core, free of blending with the face
            self.assertTrue(abs(darkest[0] - darkest[1]) < 8 and abs(darkest[1] - darkest[2]) < 8,
                            "%s disabled form %r is not grey" % (name, darkest))

    def test_check_is_green_and_cross_is_red(self):
        _, _, _, rows = decode_bmp(self.files["ok_glyph.bmp"])
        r, g, b = rows[10][6]
        self.assertGreater(g, r)
        _, _, _, rows = decode_bmp(self.files["cancel_glyph.bmp"])
        r, g, b = rows[8][8]
        self.assertGreater(r, g)

    def test_menu_glyphs_are_four_black_glyphs_on_white(self):
        w, h, bits, rows = decode_bmp(self.files["veneermenu.bmp"])
        self.assertEqual((w, h, bits), (64, 16, 1))
        for k in range(4):
            cells = [rows[y][x] for y in range(16) for x in range(16 * k, 16 * k + 16)]
            self.assertIn((0, 0, 0), cells)
            self.assertEqual(cells[0], (255, 255, 255))  # mask colour at the corner

    def test_icon_holds_three_sizes_with_transparent_corners(self):
        data = self.files["QuandrelDemo.ico"]
        count = struct.unpack_from("<H", data, 4)[0]
        self.assertEqual(count, 3)
        for i in range(count):
            w, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            # top-left pixel of the colour part (last stored row) has alpha 0
            top_left = offset + 40 + (w * (w - 1)) * 4
            self.assertEqual(data[top_left + 3], 0)
            centre = offset + 40 + (w * (w // 2) + w // 2) * 4
            self.assertEqual(data[centre + 3], 255)


if __name__ == "__main__":
    unittest.main()
