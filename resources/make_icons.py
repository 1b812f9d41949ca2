#!/usr/bin/env python3
"""Generate Vennet's icon files: resources/picker.ico and resources/tray.ico.

The lotus is drawn in pure Python with supersampled anti-aliasing. The four
caption characters come from ImageMagick (`/usr/bin/convert`) with the WenQuanYi Micro
Hei font, read back as a grayscale mask. Everything is deterministic: the same
packages produce the same bytes.

Usage: python3 resources/make_icons.py
A PNG preview of each icon goes to /tmp (never into the repository).
"""

import math
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
CAPTION = "离开守护"  # "away, on guard": what the program does while you are gone
PREVIEW_DIR = "/tmp"

# Model space is 128 x 128 units; the picker maps it 1:1 onto pixels, the
# tray icon views a tighter box around the flower.

BG_TOP = (226, 233, 240)
BG_BOTTOM = (188, 203, 220)

PETAL_PALE = (253, 226, 236)
PETAL_DEEP = (226, 78, 138)
PETAL_EDGE = (150, 32, 86)

POD_LIGHT = (150, 200, 80)
POD_DARK = (62, 120, 48)
POD_TOP = (196, 222, 110)
POD_HOLE = (52, 92, 36)
POD_EDGE = (36, 74, 30)


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
    return (lerp(c1[0], c2[0], t), lerp(c1[1], c2[1], t), lerp(c1[2], c2[2], t))


def scale(c, k):
    return (c[0] * k, c[1] * k, c[2] * k)


class Canvas:
    """Float RGB image viewing a square box of model space."""

    def __init__(self, size, x0, y0, extent, ss):
        self.n = size
        self.x0 = x0
        self.y0 = y0
        self.unit = extent / size  # model units per pixel
        self.ss = ss
        self.px = [(0.0, 0.0, 0.0)] * (size * size)

    def fill_background(self):
        for py in range(self.n):
            y = self.y0 + (py + 0.5) * self.unit
            c = mix(BG_TOP, BG_BOTTOM, (y / 128.0) ** 1.4)
            for px in range(self.n):
                self.px[py * self.n + px] = c

    def draw(self, shape, bbox):
        """Composite `shape` (model x, y -> colour or None) over the image.

        Coverage and colour are averaged over ss x ss samples per pixel.
        """
        bx0, by0, bx1, by1 = bbox
        n, u, ss = self.n, self.unit, self.ss
        p0x = max(0, int(math.floor((bx0 - self.x0) / u)))
        p1x = min(n - 1, int(math.ceil((bx1 - self.x0) / u)))
        p0y = max(0, int(math.floor((by0 - self.y0) / u)))
        p1y = min(n - 1, int(math.ceil((by1 - self.y0) / u)))
        offs = [(i + 0.5) / ss for i in range(ss)]
        total = ss * ss
        for py in range(p0y, p1y + 1):
            for px in range(p0x, p1x + 1):
                hits = 0
                r = g = b = 0.0
                for oy in offs:
                    y = self.y0 + (py + oy) * u
                    for ox in offs:
                        c = shape(self.x0 + (px + ox) * u, y)
                        if c is not None:
                            hits += 1
                            r += c[0]
                            g += c[1]
                            b += c[2]
                if hits:
                    a = hits / total
                    i = py * n + px
                    d = self.px[i]
                    self.px[i] = (d[0] + (r / hits - d[0]) * a,
                                  d[1] + (g / hits - d[1]) * a,
                                  d[2] + (b / hits - d[2]) * a)

    def blend_mask(self, mask, colour, strength=1.0):
        """Blend a per-pixel coverage mask (0..1 floats, same size) in `colour`."""
        for i, a in enumerate(mask):
            a *= strength
            if a > 0.0:
                d = self.px[i]
                self.px[i] = (d[0] + (colour[0] - d[0]) * a,
                              d[1] + (colour[1] - d[1]) * a,
                              d[2] + (colour[2] - d[2]) * a)

    def rgb_bytes(self):
        out = bytearray()
        for c in self.px:
            for v in c:
                out.append(max(0, min(255, int(v + 0.5))))
        return bytes(out)


# ---------------------------------------------------------------- petals

def petal(base, angle_deg, length, width, ow, tint=1.0):
    """A pointed, broad-bellied petal growing from `base` at `angle_deg`
    (0 = straight up, positive = clockwise). `ow` is the outline width."""
    bx, by = base
    a = math.radians(angle_deg)
    dx, dy = math.sin(a), -math.cos(a)   # along the petal
    nx, ny = math.cos(a), math.sin(a)    # across it
    pa, pb = 0.6, 0.95                   # belly below the middle, pointed tip
    tm = pa / (pa + pb)
    k = 1.0 / (tm ** pa * (1.0 - tm) ** pb)

    def half_width(t):
        if t <= 0.0 or t >= 1.0:
            return 0.0
        return width * k * t ** pa * (1.0 - t) ** pb

    def shape(x, y):
        rx, ry = x - bx, y - by
        u = rx * dx + ry * dy
        v = rx * nx + ry * ny
        if u < -ow or u > length + ow:
            return None
        t = u / length
        av = abs(v)
        if u > length:
            if u - length > ow or av > ow:
                return None
            return PETAL_EDGE if math.hypot(u - length, v) < ow else None
        w = half_width(t)
        # Approximate distance to the rim so the outline keeps its width on
        # the steep flanks near tip and base.
        h = 1e-3
        slope = (half_width(min(t + h, 1.0)) - half_width(max(t - h, 0.0))) / (2 * h * length)
        dist = (av - w) / math.sqrt(1.0 + min(slope * slope, 25.0))
        if dist > ow:
            return None
        if dist > 0.0 or u < 0.0:
            return PETAL_EDGE
        across = av / w if w > 0 else 1.0
        col = mix(PETAL_PALE, PETAL_DEEP, t ** 1.3 * 0.85 + across ** 2 * 0.35)
        # Light the middle of the petal like a gently cupped surface.
        shade = 1.0 - 0.18 * across ** 3
        vein = max(0.0, 1.0 - av / (0.12 * width + 0.6)) * 0.10 * (1.0 - t)
        col = scale(col, shade * tint)
        return mix(col, (255, 255, 255), vein)

    ext = width + ow + 1
    tip = (bx + dx * length, by + dy * length)
    xs = [bx, tip[0]]
    ys = [by, tip[1]]
    bbox = (min(xs) - ext, min(ys) - ext, max(xs) + ext, max(ys) + ext)
    return shape, bbox


# ---------------------------------------------------------------- pod

def pod(cx, top_y, top_rx, top_ry, height, bottom_hw, ow):
    """The seed pod: a flat-topped cone seen slightly from above."""

    def body_hw(y):
        t = (y - top_y) / height
        if t < 0.0 or t > 1.0:
            return -1.0
        # Convex flanks: the pod bulges before tapering to the stalk.
        return lerp(top_rx, bottom_hw, t ** 1.6)

    def in_top(x, y, grow):
        ex = (x - cx) / (top_rx + grow)
        ey = (y - top_y) / (top_ry + grow)
        return ex * ex + ey * ey <= 1.0

    def in_body(x, y, grow):
        if y < top_y or y > top_y + height + grow:
            return False
        yy = min(y, top_y + height)
        hw = body_hw(yy)
        if y > top_y + height:
            # Round the bottom off.
            return math.hypot(max(0.0, abs(x - cx) - bottom_hw), y - top_y - height) <= grow
        return abs(x - cx) <= hw + grow

    def outline(x, y):
        if in_top(x, y, ow) or in_body(x, y, ow):
            return POD_EDGE
        return None

    def body(x, y):
        if not in_body(x, y, 0.0) or in_top(x, y, 0.0):
            return None
        hw = body_hw(min(y, top_y + height))
        s = (x - cx) / hw if hw > 0 else 0.0   # -1 left .. 1 right
        # Light from the upper left: a highlight left of centre.
        light = max(0.0, 1.0 - abs(s + 0.35) * 1.1)
        col = mix(POD_DARK, POD_LIGHT, light)
        depth = (y - top_y) / height
        return scale(col, 1.0 - 0.15 * depth)

    holes = [(cx, top_y)]
    for i in range(6):
        a = math.radians(i * 60)
        holes.append((cx + 0.6 * top_rx * math.cos(a), top_y + 0.58 * top_ry * math.sin(a)))
    hrx = top_rx * 0.12
    hry = top_ry * 0.3

    def top(x, y):
        if not in_top(x, y, 0.0):
            return None
        for hx, hy in holes:
            ex = (x - hx) / hrx
            ey = (y - hy) / hry
            if ex * ex + ey * ey <= 1.0:
                return POD_HOLE
        ex = (x - cx) / top_rx
        ey = (y - top_y) / top_ry
        r = math.sqrt(ex * ex + ey * ey)
        # Slight rim shading on the flat face.
        return mix(POD_TOP, POD_LIGHT, r ** 4 * 0.8)

    g = ow + 1
    bbox = (cx - top_rx - g, top_y - top_ry - g, cx + top_rx + g, top_y + height + g)
    return [(outline, bbox), (body, bbox), (top, bbox)]


def stalk(cx, y0, y1, hw, ow):
    def shape(x, y):
        if y < y0 or y > y1:
            return None
        d = abs(x - cx)
        if d > hw + ow:
            return None
        if d > hw:
            return POD_EDGE
        return mix(POD_LIGHT, POD_DARK, (x - cx + hw) / (2 * hw))
    return shape, (cx - hw - ow - 1, y0, cx + hw + ow + 1, y1)


def leaf(cx, cy, rx, ry, ow):
    """A lotus pad seen edge-on: a flat ellipse."""
    def shape(x, y):
        ex = (x - cx) / (rx + ow)
        ey = (y - cy) / (ry + ow)
        if ex * ex + ey * ey > 1.0:
            return None
        ex = (x - cx) / rx
        ey = (y - cy) / ry
        r2 = ex * ex + ey * ey
        if r2 > 1.0:
            return POD_EDGE
        return mix(POD_LIGHT, POD_DARK, 0.3 + 0.7 * (ey + 1) / 2)
    return shape, (cx - rx - ow - 1, cy - ry - ow - 1, cx + rx + ow + 1, cy + ry + ow + 1)


# ---------------------------------------------------------------- scene

def draw_lotus(cv, ow, small=False):
    base = (64.0, 91.0)
    if not small:
        for shp, bb in (leaf(28, 94, 25, 4.0, ow), leaf(100, 94, 25, 4.0, ow)):
            cv.draw(shp, bb)

    cv.draw(*stalk(64.0, 36.0, 70.0, 2.6 if not small else 4.0, ow))
    for shp, bb in pod(64.0, 18.0, 19.0, 6.0, 20.0, 6.5, ow):
        cv.draw(shp, bb)

    if small:
        # Few, fat petals: anything finer turns to mush at 16 pixels.
        back = [(-76, 46, 13.0, 0.9), (76, 46, 13.0, 0.9)]
        front = [(-38, 52, 15.0, 1.0), (38, 52, 15.0, 1.0),
                 (0, 56, 15.0, 1.06)]
        low = []
    else:
        # Back row first, then the front row overlapping it.
        back = [(-84, 44, 10.5, 0.84), (84, 44, 10.5, 0.84),
                (-54, 50, 12.0, 0.90), (54, 50, 12.0, 0.90),
                (-20, 50, 11.5, 0.94), (20, 50, 11.5, 0.94)]
        front = [(-66, 42, 12.5, 1.0), (66, 42, 12.5, 1.0),
                 (-34, 46, 13.5, 1.0), (34, 46, 13.5, 1.0),
                 (0, 46, 13.5, 1.04)]
        # Two low petals cupping the flower from below.
        low = [(-102, 32, 8.5, 0.97), (102, 32, 8.5, 0.97)]
    for ang, ln, wd, tint in back + front:
        cv.draw(*petal(base, ang, ln, wd, ow, tint))
    for ang, ln, wd, tint in low:
        cv.draw(*petal((64.0, 93.0), ang, ln, wd, ow, tint))


# ---------------------------------------------------------------- caption

def read_pnm(path):
    """Read a binary P5 (grey) or P6 (RGB) file; returns (w, h, grey bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b""):
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    magic, w, h, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if maxval != 255 or magic not in (b"P5", b"P6"):
        raise SystemExit("unexpected PNM from /usr/bin/convert: %r maxval %d" % (magic, maxval))
    raw = data[pos:]
    if magic == b"P5":
        return w, h, raw[:w * h]
    return w, h, bytes(raw[i * 3] for i in range(w * h))


def caption_mask(tmp, width, height, ss=4):
    """Coverage (0..1 floats) of the caption, rendered ss-times larger by
    ImageMagick and box-filtered down here for even anti-aliasing."""
    pgm = os.path.join(tmp, "caption.pgm")
    cmd = ["/usr/bin/convert", "-size", "%dx%d" % (width * ss, height * ss), "xc:black",
           "-font", FONT, "-pointsize", str(21 * ss), "-kerning", str(3 * ss),
           "-fill", "white", "-stroke", "white", "-strokewidth", str(0.35 * ss),
           "-gravity", "center", "-annotate", "+0+0", CAPTION,
           "-colorspace", "Gray", "-depth", "8", "pgm:" + pgm]
    subprocess.run(cmd, check=True)
    w, h, grey = read_pnm(pgm)
    if (w, h) != (width * ss, height * ss):
        raise SystemExit("caption render has wrong size %dx%d" % (w, h))
    out = []
    norm = 255.0 * ss * ss
    for y in range(height):
        for x in range(width):
            s = 0
            for yy in range(y * ss, y * ss + ss):
                row = yy * w
                for xx in range(x * ss, x * ss + ss):
                    s += grey[row + xx]
            out.append(s / norm)
    return out


def draw_caption(cv, tmp, top, height):
    n = cv.n
    glyph = caption_mask(tmp, n, height)
    if max(glyph) < 0.9:
        raise SystemExit("caption render came back empty; is the font installed?")
    # Soft dark halo: grow the glyph by one pixel and nudge it down-right.
    halo = [0.0] * (n * height)
    for y in range(height):
        for x in range(n):
            m = 0.0
            for dy in (-1, 0, 1, 2):
                for dx in (-1, 0, 1, 2):
                    sx, sy = x - dx, y - dy
                    if 0 <= sx < n and 0 <= sy < height:
                        w = 1.0 if (dx in (0, 1) and dy in (0, 1)) else 0.55
                        v = glyph[sy * n + sx] * w
                        if v > m:
                            m = v
            halo[y * n + x] = m
    full_halo = [0.0] * (n * n)
    full_glyph = [0.0] * (n * n)
    for y in range(height):
        full_halo[(top + y) * n:(top + y + 1) * n] = halo[y * n:(y + 1) * n]
        full_glyph[(top + y) * n:(top + y + 1) * n] = glyph[y * n:(y + 1) * n]
    cv.blend_mask(full_halo, (44, 56, 84), 0.75)
    cv.blend_mask(full_glyph, (255, 255, 255))


# ---------------------------------------------------------------- ICO

def build_ico(size, rgb):
    """One 32-bpp image, fully opaque, with an all-zero AND mask."""
    colour = bytearray()
    for row in range(size - 1, -1, -1):      # DIB rows run bottom-up
        for col in range(size):
            i = (row * size + col) * 3
            colour += bytes((rgb[i + 2], rgb[i + 1], rgb[i], 255))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    image = header + bytes(colour) + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    dim = 0 if size >= 256 else size
    entry = struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(image), 22)
    return icondir + entry + image


def require(ok, what):
    # Not `assert`: the check must survive python -O.
    if not ok:
        raise SystemExit("icon self-check failed: %r" % (what,))


def check_ico(data, size, expected_len):
    """Refuse to write anything that is not exactly the agreed layout."""
    require(len(data) == expected_len, (len(data), expected_len))
    res, typ, count = struct.unpack_from("<HHH", data, 0)
    require((res, typ, count) == (0, 1, 1), (res, typ, count))
    w, h, cc, r, planes, bpp, nbytes, off = struct.unpack_from("<BBBBHHII", data, 6)
    require((w, h, cc, r, planes, bpp) == (size, size, 0, 0, 1, 32), (w, h, cc, r, planes, bpp))
    require(off == 22 and nbytes == expected_len - 22, (off, nbytes))
    hdr = struct.unpack_from("<IiiHHIIiiII", data, 22)
    colour_len = size * size * 4
    mask_len = ((size + 31) // 32) * 4 * size
    require(hdr[:6] == (40, size, size * 2, 1, 32, 0), hdr)
    require(hdr[6] in (0, colour_len + mask_len), hdr)
    require(hdr[7:] == (0, 0, 0, 0), hdr)
    require(62 + colour_len + mask_len == expected_len, "layout arithmetic")
    colour = data[62:62 + colour_len]
    require(all(a == 255 for a in colour[3::4]), "non-opaque pixel")
    mask = data[62 + colour_len:]
    require(len(mask) == mask_len and not any(mask), "AND mask must be all zero")


def write_preview(tmp, name, size, rgb, zoom):
    ppm = os.path.join(tmp, name + ".ppm")
    with open(ppm, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (size, size))
        f.write(rgb)
    png = os.path.join(PREVIEW_DIR, "vennet_%s_preview.png" % name)
    subprocess.run(["/usr/bin/convert", ppm, "-filter", "point", "-resize", "%d%%" % (zoom * 100),
                    png], check=True)
    return png


def main():
    with tempfile.TemporaryDirectory(prefix="vennet_icons_") as tmp:
        picker = Canvas(128, 0.0, 0.0, 128.0, 4)
        picker.fill_background()
        draw_lotus(picker, ow=1.1)
        draw_caption(picker, tmp, top=101, height=27)
        picker_rgb = picker.rgb_bytes()

        # The tray icon is far too small for text; frame the flower alone and
        # use a heavier outline so it survives 16 pixels.
        tray = Canvas(16, 8.0, 7.0, 112.0, 8)
        tray.fill_background()
        draw_lotus(tray, ow=4.5, small=True)
        tray_rgb = tray.rgb_bytes()

        picker_ico = build_ico(128, picker_rgb)
        tray_ico = build_ico(16, tray_rgb)
        check_ico(picker_ico, 128, 67646)
        check_ico(tray_ico, 16, 1150)

        for name, data in (("picker.ico", picker_ico), ("tray.ico", tray_ico)):
            with open(os.path.join(HERE, name), "wb") as f:
                f.write(data)

        previews = [write_preview(tmp, "picker", 128, picker_rgb, 3),
                    write_preview(tmp, "tray", 16, tray_rgb, 16)]
    for p in previews:
        print("preview:", p)
    return 0


if __name__ == "__main__":
    sys.exit(main())
