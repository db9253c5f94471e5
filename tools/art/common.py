"""Shared helpers of the art generator: float RGBA canvases, noise, masks and saving.

Every picture is built as a float32 numpy array of shape (height, width, 4) with
straight (not premultiplied) colour in 0..1, and only turned into 8-bit at the end.
All randomness comes from numpy RandomState objects seeded with fixed numbers, so a
rerun writes byte-identical files.
"""
import math
import os
import zlib

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

FONT_DIR = "/usr/share/fonts/opentype/comic-neue"
FONT_BOLD = os.path.join(FONT_DIR, "ComicNeue-Bold.otf")
FONT_REGULAR = os.path.join(FONT_DIR, "ComicNeue-Regular.otf")

# Cell geometry of the play field: 32 px cells, tile pictures 64 px centred on them.
CELL = 32
TILE = 64
FRINGE = 16


def rng(seed):
    return np.random.RandomState(seed)


def font(size, bold=True):
    return ImageFont.truetype(FONT_BOLD if bold else FONT_REGULAR, size)


# ---------------------------------------------------------------- colour maths

def rgb(hex_or_tuple):
    if isinstance(hex_or_tuple, str):
        h = hex_or_tuple.lstrip("#")
        return np.array([int(h[i:i + 2], 16) / 255.0 for i in (0, 2, 4)], np.float32)
    return np.array(hex_or_tuple[:3], np.float32) / 255.0


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def mix(a, b, t):
    t = np.asarray(t, np.float32)
    if t.ndim == 2:
        t = t[..., None]
    return a * (1.0 - t) + b * t


def blank(w, h):
    return np.zeros((h, w, 4), np.float32)


def solid(colour_rgb, alpha):
    """An RGBA float image of one colour with the given alpha plane."""
    h, w = alpha.shape
    out = np.empty((h, w, 4), np.float32)
    out[..., :3] = colour_rgb
    out[..., 3] = alpha
    return out


def layer(colour, alpha):
    """colour: (h,w,3) array or a 3-vector; alpha: (h,w)."""
    h, w = alpha.shape
    out = np.empty((h, w, 4), np.float32)
    out[..., :3] = colour
    out[..., 3] = np.clip(alpha, 0.0, 1.0)
    return out


def over(top, bottom):
    """Porter-Duff 'over' of straight-alpha float images (same size)."""
    ta = top[..., 3:4]
    ba = bottom[..., 3:4]
    oa = ta + ba * (1.0 - ta)
    safe = np.where(oa > 1e-6, oa, 1.0)
    oc = (top[..., :3] * ta + bottom[..., :3] * ba * (1.0 - ta)) / safe
    return np.concatenate([oc, oa], axis=-1)


def over_at(top, bottom, x, y):
    """Paints 'top' over 'bottom' with its top-left corner at (x, y); clips at the edges."""
    h, w = top.shape[:2]
    H, W = bottom.shape[:2]
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, W), min(y + h, H)
    if x0 >= x1 or y0 >= y1:
        return bottom
    region = bottom[y0:y1, x0:x1]
    bottom[y0:y1, x0:x1] = over(top[y0 - y:y1 - y, x0 - x:x1 - x], region)
    return bottom


def from_pil(img):
    return np.asarray(img.convert("RGBA"), np.float32) / 255.0


def to_pil(arr):
    a = np.clip(arr, 0.0, 1.0)
    # Fully transparent pixels carry no colour; zeroing them keeps the files small.
    a = np.where(a[..., 3:4] < 0.5 / 255.0, 0.0, a)
    return Image.fromarray((a * 255.0 + 0.5).astype(np.uint8), "RGBA")


def downsample(arr, factor):
    """Box-filters a supersampled float RGBA image by an integer factor, weighting colour by alpha."""
    h, w = arr.shape[:2]
    a = arr[..., 3:4]
    pre = np.concatenate([arr[..., :3] * a, a], axis=-1)
    pre = pre.reshape(h // factor, factor, w // factor, factor, 4).mean(axis=(1, 3))
    al = pre[..., 3:4]
    col = pre[..., :3] / np.where(al > 1e-6, al, 1.0)
    return np.concatenate([col, al], axis=-1)


def _blur_axis(plane, sigma, axis, wrap):
    reach = max(1, int(math.ceil(sigma * 3.0)))
    taps = np.exp(-0.5 * (np.arange(-reach, reach + 1) / sigma) ** 2)
    taps /= taps.sum()
    if wrap:
        padded = plane
    else:
        pad = [(0, 0), (0, 0)]
        pad[axis] = (reach, reach)
        padded = np.pad(plane, pad, mode="constant")
    out = np.zeros_like(padded)
    for i, t in enumerate(taps):
        out += t * np.roll(padded, i - reach, axis=axis)
    if wrap:
        return out
    return out[reach:-reach, :] if axis == 0 else out[:, reach:-reach]


def shift(plane, dx, dy):
    """Moves a 2-D plane by whole pixels, filling with zeros (no wrap-around)."""
    out = np.zeros_like(plane)
    h, w = plane.shape
    out[max(dy, 0):h + min(dy, 0), max(dx, 0):w + min(dx, 0)] = \
        plane[max(-dy, 0):h + min(-dy, 0), max(-dx, 0):w + min(-dx, 0)]
    return out


def blur(plane, radius, wrap=False):
    """Gaussian blur of a 2-D float plane; beyond the edges it sees zeros (or the
    opposite edge, for periodic textures)."""
    if radius <= 0:
        return plane.astype(np.float32)
    p = plane.astype(np.float32)
    return _blur_axis(_blur_axis(p, radius, 0, wrap), radius, 1, wrap).astype(np.float32)


def blur_wrap(plane, radius):
    return blur(plane, radius, wrap=True)


# ---------------------------------------------------------------- noise

def periodic_noise(size, beta, seed, lowcut=1.0, kmin=0.0):
    """Fractal noise of period 'size' in both axes (FFT-filtered white noise), scaled to 0..1.
    Frequencies below 'kmin' cycles per period are left out, so that no single blob per
    period dominates (which would make a repeated texture show its grid)."""
    r = rng(seed)
    white = r.standard_normal((size, size))
    f = np.fft.fftfreq(size) * size
    fx, fy = np.meshgrid(f, f)
    k = np.sqrt(fx * fx + fy * fy)
    k[0, 0] = 1.0
    spectrum = np.fft.fft2(white) / np.power(np.maximum(k, lowcut), beta)
    spectrum[0, 0] = 0.0
    spectrum[k < kmin] = 0.0
    n = np.real(np.fft.ifft2(spectrum))
    n -= n.min()
    n /= max(n.max(), 1e-9)
    return n.astype(np.float32)


def noise(w, h, beta, seed):
    """Non-periodic fractal noise of any size (a periodic field larger than needed, cropped)."""
    size = 1 << int(math.ceil(math.log2(max(w, h) * 1.5)))
    return periodic_noise(size, beta, seed)[:h, :w]


def worley_periodic(size, count, seed, jitter_to=None):
    """Periodic Worley noise: returns (F1, F2, index of nearest point) for 'count' points."""
    r = rng(seed)
    pts = r.uniform(0, size, (count, 2))
    yy, xx = np.mgrid[0:size, 0:size].astype(np.float32) + 0.5
    best = np.full((size, size), 1e9, np.float32)
    second = np.full((size, size), 1e9, np.float32)
    idx = np.zeros((size, size), np.int32)
    for i, (px, py) in enumerate(pts):
        dx = np.abs(xx - px)
        dx = np.minimum(dx, size - dx)
        dy = np.abs(yy - py)
        dy = np.minimum(dy, size - dy)
        d = np.sqrt(dx * dx + dy * dy)
        closer = d < best
        second = np.where(closer, best, np.minimum(second, d))
        idx = np.where(closer, i, idx)
        best = np.where(closer, d, best)
    return best, second, idx, pts


# ---------------------------------------------------------------- masks

def box_distance(w, h, x0, y0, x1, y1, p=3.0):
    """Distance of every pixel centre from the box [x0,x1) x [y0,y1), 0 inside, with a
    p-norm so that corners are rounded but straight edges stay straight."""
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32) + 0.5
    dx = np.maximum(np.maximum(x0 - xx, xx - x1), 0.0)
    dy = np.maximum(np.maximum(y0 - yy, yy - y1), 0.0)
    return np.power(np.power(dx, p) + np.power(dy, p), 1.0 / p)


def ellipse_mask(w, h, cx, cy, rx, ry, soft=1.0):
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32) + 0.5
    d = np.sqrt(((xx - cx) / rx) ** 2 + ((yy - cy) / ry) ** 2)
    edge = soft / max(min(rx, ry), 1e-3)
    return 1.0 - smoothstep(1.0 - edge, 1.0 + edge, d)


def grid(w, h):
    yy, xx = np.mgrid[0:h, 0:w].astype(np.float32) + 0.5
    return xx, yy


# ---------------------------------------------------------------- vector drawing helpers

class Sketch:
    """A supersampled PIL canvas for shapes; finished() returns the float RGBA picture."""

    def __init__(self, w, h, scale=4, zoom=1):
        # 'zoom' draws the same design larger (the title picture shows a big robot).
        self.w, self.h, self.ss = w, h, scale
        self.s = scale * zoom
        self.img = Image.new("RGBA", (w * self.s, h * self.s), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.img)

    def pts(self, points):
        return [(x * self.s, y * self.s) for x, y in points]

    def polygon(self, points, fill=None, outline=None, width=1.0):
        self.draw.polygon(self.pts(points), fill=fill)
        if outline is not None:
            p = self.pts(points)
            self.draw.line(p + [p[0]], fill=outline, width=max(1, int(width * self.s)), joint="curve")

    def line(self, points, fill, width=1.0):
        self.draw.line(self.pts(points), fill=fill, width=max(1, int(width * self.s)), joint="curve")
        # Round caps, as a pen would leave them.
        r = width * self.s / 2.0
        for x, y in (self.pts(points)[0], self.pts(points)[-1]):
            self.draw.ellipse((x - r, y - r, x + r, y + r), fill=fill)

    def ellipse(self, box, fill=None, outline=None, width=1.0):
        x0, y0, x1, y1 = box
        self.draw.ellipse((x0 * self.s, y0 * self.s, x1 * self.s, y1 * self.s), fill=fill,
                          outline=outline, width=max(1, int(width * self.s)) if outline else 0)

    def rect(self, box, fill=None, outline=None, width=1.0, radius=0.0):
        x0, y0, x1, y1 = box
        b = (x0 * self.s, y0 * self.s, x1 * self.s - 1, y1 * self.s - 1)
        w = max(1, int(width * self.s)) if outline else 0
        if radius > 0:
            self.draw.rounded_rectangle(b, radius=radius * self.s, fill=fill, outline=outline, width=w)
        else:
            self.draw.rectangle(b, fill=fill, outline=outline, width=w)

    def finished(self):
        return downsample(from_pil(self.img), self.ss)


def wobble(points, amount, seed):
    """Jitters a polyline a little so that outlines look drawn by hand."""
    r = rng(seed)
    return [(x + r.uniform(-amount, amount), y + r.uniform(-amount, amount)) for x, y in points]


# ---------------------------------------------------------------- output

def save_png(arr, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    to_pil(arr).save(path, "PNG", optimize=True)


def png_header(path):
    """Returns (width, height, bit depth, colour type, interlace) read from the IHDR chunk."""
    with open(path, "rb") as f:
        data = f.read(33)
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("%s is not a PNG file" % path)
    w = int.from_bytes(data[16:20], "big")
    h = int.from_bytes(data[20:24], "big")
    crc = zlib.crc32(data[12:29]) & 0xFFFFFFFF
    if crc != int.from_bytes(data[29:33], "big"):
        raise ValueError("%s has a damaged IHDR chunk" % path)
    return w, h, data[24], data[25], data[28]
