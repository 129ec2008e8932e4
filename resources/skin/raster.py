"""Small deterministic raster toolkit for the skin and bitmap generators.

Only the Python standard library is used. Images are plain lists of RGB tuples;
shapes are filled by 4 x 4 supersampling so edges are smooth where the pixel
underneath is opaque. Where an edge meets the key colour (magenta) the callers
decide per pixel: partial coverage must never be blended with magenta, or the
key test of the engine (exact colour) would leave pink fringes on screen.
"""

import struct

KEY = (255, 0, 255)
SS = 4  # supersampling grid per axis


def clamp8(v):
    return 0 if v < 0 else 255 if v > 255 else int(round(v))


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    return tuple(clamp8(a[i] + (b[i] - a[i]) * t) for i in range(3))


def lighten(c, t):
    return mix(c, (255, 255, 255), t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


def ramp(stops, t):
    """Colour at t on a piecewise linear ramp given as [(t0, colour0), ...]."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, 0.0 if t1 == t0 else (t - t0) / (t1 - t0))
    return stops[-1][1]


class Image:
    def __init__(self, w, h, fill=KEY):
        if w <= 0 or h <= 0:
            raise ValueError("image size must be positive: %dx%d" % (w, h))
        self.w, self.h = w, h
        self.px = [fill] * (w * h)

    def get(self, x, y):
        return self.px[y * self.w + x]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = c

    def blend(self, x, y, c, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        if a >= 1:
            self.px[y * self.w + x] = c
        else:
            self.px[y * self.w + x] = mix(self.px[y * self.w + x], c, a)

    def fill(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y * self.w + x] = c

    def vgradient(self, x0, y0, x1, y1, stops):
        """Top-to-bottom ramp over [y0, y1); stops are in 0..1."""
        n = max(1, y1 - y0 - 1)
        for y in range(y0, y1):
            self.fill(x0, y, x1, y + 1, ramp(stops, (y - y0) / n))

    def hgradient(self, x0, y0, x1, y1, stops):
        n = max(1, x1 - x0 - 1)
        for x in range(x0, x1):
            self.fill(x, y0, x + 1, y1, ramp(stops, (x - x0) / n))

    def paste(self, other, dx, dy, key=None):
        for y in range(other.h):
            for x in range(other.w):
                c = other.get(x, y)
                if key is None or c != key:
                    self.set(dx + x, dy + y, c)

    def crop(self, x0, y0, w, h):
        out = Image(w, h)
        for y in range(h):
            for x in range(w):
                out.set(x, y, self.get(x0 + x, y0 + y))
        return out

    def replace(self, old, new):
        self.px = [new if c == old else c for c in self.px]

    def colours(self):
        return set(self.px)


def hstrip(frames):
    """Frames of equal size side by side."""
    w, h = frames[0].w, frames[0].h
    out = Image(w * len(frames), h)
    for i, f in enumerate(frames):
        if (f.w, f.h) != (w, h):
            raise ValueError("strip frames differ in size")
        out.paste(f, i * w, 0)
    return out


def vstrip(frames):
    """Frames of equal size stacked top to bottom."""
    w, h = frames[0].w, frames[0].h
    out = Image(w, h * len(frames))
    for i, f in enumerate(frames):
        if (f.w, f.h) != (w, h):
            raise ValueError("strip frames differ in size")
        out.paste(f, 0, i * h)
    return out


# ---------------------------------------------------------------- coverage

def coverage(inside, x, y):
    """Fraction of pixel (x, y) for which inside(px, py) holds."""
    hits = 0
    for j in range(SS):
        py = y + (j + 0.5) / SS
        for i in range(SS):
            if inside(x + (i + 0.5) / SS, py):
                hits += 1
    return hits / (SS * SS)


def in_round_rect(x0, y0, x1, y1, r):
    """Point test for the rounded rectangle [x0, x1) x [y0, y1) with corner radius r."""
    def inside(px, py):
        if px < x0 or px >= x1 or py < y0 or py >= y1:
            return False
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def in_circle(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def _seg_dist2(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy
    t = 0.0 if ll == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / ll))
    qx, qy = ax + t * dx, ay + t * dy
    return (px - qx) ** 2 + (py - qy) ** 2


def in_polyline(points, width):
    """Point test for a round-capped stroke of the given width along points."""
    r2 = (width / 2.0) ** 2
    segs = list(zip(points, points[1:]))

    def inside(px, py):
        for (ax, ay), (bx, by) in segs:
            if _seg_dist2(px, py, ax, ay, bx, by) <= r2:
                return True
        return False
    return inside


def in_polygon(points):
    """Even-odd point test for a closed polygon."""
    n = len(points)

    def inside(px, py):
        c = False
        j = n - 1
        for i in range(n):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return inside


def in_ring(outer, inner):
    return lambda px, py: outer(px, py) and not inner(px, py)


def paint(img, inside, colour, bbox=None, shade=None):
    """Blend colour (or shade(x, y)) over opaque pixels by coverage."""
    x0, y0, x1, y1 = bbox or (0, 0, img.w, img.h)
    for y in range(max(0, y0), min(img.h, y1)):
        for x in range(max(0, x0), min(img.w, x1)):
            a = coverage(inside, x, y)
            if a > 0:
                img.blend(x, y, shade(x, y) if shade else colour, a)


def cut(img, inside, threshold=0.5, bbox=None, edge=None):
    """Turn pixels outside the shape into the key colour.

    Pixels covered less than threshold become KEY. With edge = (colour),
    partly covered pixels that stay are blended towards that colour: the
    colour the shape is expected to sit on, never the key itself.
    """
    x0, y0, x1, y1 = bbox or (0, 0, img.w, img.h)
    for y in range(max(0, y0), min(img.h, y1)):
        for x in range(max(0, x0), min(img.w, x1)):
            a = coverage(inside, x, y)
            if a < threshold:
                img.set(x, y, KEY)
            elif a < 1 and edge is not None:
                img.set(x, y, mix(edge, img.get(x, y), a))


# ---------------------------------------------------------------- files

def _rows_bottom_up(img):
    for y in range(img.h - 1, -1, -1):
        yield [img.get(x, y) for x in range(img.w)]


def bmp24(img):
    """Windows bitmap file, 24 bits per pixel, bottom-up."""
    stride = (img.w * 3 + 3) & ~3
    pad = b"\0" * (stride - img.w * 3)
    data = bytearray()
    for row in _rows_bottom_up(img):
        for r, g, b in row:
            data += bytes((b, g, r))
        data += pad
    return _bmp_file(img, 24, b"", bytes(data), 0)


def bmp8(img, palette=None):
    """Windows bitmap file, 8 bits per pixel with a palette of the colours used."""
    if palette is None:
        palette = sorted(img.colours())
    if len(palette) > 256:
        raise ValueError("8-bit bitmap needs at most 256 colours, got %d" % len(palette))
    index = {c: i for i, c in enumerate(palette)}
    stride = (img.w + 3) & ~3
    data = bytearray()
    for row in _rows_bottom_up(img):
        data += bytes(index[c] for c in row)
        data += b"\0" * (stride - img.w)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return _bmp_file(img, 8, pal, bytes(data), len(palette))


def bmp1(img, zero=(0, 0, 0), one=(255, 255, 255)):
    """Windows bitmap file, 1 bit per pixel; every pixel must be zero or one."""
    stride = ((img.w + 31) // 32) * 4
    data = bytearray()
    for row in _rows_bottom_up(img):
        line = bytearray(stride)
        for x, c in enumerate(row):
            if c == one:
                line[x >> 3] |= 0x80 >> (x & 7)
            elif c != zero:
                raise ValueError("1-bit bitmap holds a third colour %r" % (c,))
        data += line
    pal = bytes((zero[2], zero[1], zero[0], 0, one[2], one[1], one[0], 0))
    return _bmp_file(img, 1, pal, bytes(data), 2)


def _bmp_file(img, bits, palette, pixels, used):
    header_size = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, img.w, img.h, 1, bits, 0, len(pixels),
                       2835, 2835, used, 0)
    head = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    return head + info + palette + pixels


def read_bmp_size(data):
    """(width, height, bits) of a Windows bitmap file, for self-checks."""
    if data[:2] != b"BM":
        raise ValueError("not a bitmap file")
    w, h, _, bits = struct.unpack_from("<iiHH", data, 18)
    return w, abs(h), bits


def ico(images):
    """Icon file from (Image, alpha) pairs; alpha is a w*h list of 0..255.

    Each entry is a 32-bit DIB with its AND mask, the form every Windows
    version since XP reads, so the icon needs no PNG support.
    """
    entries = []
    for img, alpha in images:
        xor = bytearray()
        for y in range(img.h - 1, -1, -1):
            for x in range(img.w):
                r, g, b = img.get(x, y)
                xor += bytes((b, g, r, alpha[y * img.w + x]))
        stride = ((img.w + 31) // 32) * 4
        andm = bytearray()
        for y in range(img.h - 1, -1, -1):
            line = bytearray(stride)
            for x in range(img.w):
                if alpha[y * img.w + x] == 0:
                    line[x >> 3] |= 0x80 >> (x & 7)
            andm += line
        info = struct.pack("<IiiHHIIiiII", 40, img.w, img.h * 2, 1, 32, 0,
                           len(xor) + len(andm), 0, 0, 0, 0)
        entries.append((img.w, img.h, info + bytes(xor) + bytes(andm)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, blob in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, _, blob in entries:
        out += blob
    return bytes(out)



def outline(img, outer, inner, colour, edge, threshold=0.5, outside=KEY, bbox=None):
    """A shape with a border ring: pixels inside `inner` keep their colour, the ring
    between `inner` and `outer` gets `colour`, pixels outside become `outside`.

    The inner edge is smoothed against the interior; the outer edge against
    `edge` (the colour the shape will sit on). With the key colour outside,
    pixels covered less than threshold become key instead.
    """
    x0, y0, x1, y1 = bbox or (0, 0, img.w, img.h)
    for y in range(max(0, y0), min(img.h, y1)):
        for x in range(max(0, x0), min(img.w, x1)):
            a_out = coverage(outer, x, y)
            if a_out == 0 or (outside == KEY and a_out < threshold):
                img.set(x, y, outside)
                continue
            a_in = coverage(inner, x, y)
            body = mix(colour, img.get(x, y), a_in)
            img.set(x, y, body if a_out >= 1 else mix(edge, body, a_out))


class CheckFailed(Exception):
    """A generated file is not what the program expects."""


def run_generator(outputs, folder, label, argv):
    """A generator's main: builds its files with `outputs()` and writes or checks them (see emit_outputs)."""
    import sys
    try:
        files = outputs()
    except CheckFailed as e:
        print("%s check failed: %s" % (label, e), file=sys.stderr)
        return 1
    return emit_outputs(files, folder, label, argv)


def emit_outputs(files, folder, label, argv):
    """Writes the generated files into `folder`, or with --check only says which are out of date (exit 1)."""
    import os
    import sys
    if "--check" in argv:
        stale = [n for n, d in sorted(files.items())
                 if not os.path.exists(os.path.join(folder, n))
                 or open(os.path.join(folder, n), "rb").read() != d]
        if stale:
            print("out of date: %s" % ", ".join(stale), file=sys.stderr)
            return 1
        print("%s outputs up to date (%d files)" % (label, len(files)))
        return 0
    for name, data in sorted(files.items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    print("wrote %d files to %s" % (len(files), folder))
    return 0
