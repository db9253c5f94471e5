"""The text face (42 glyphs) and the three menu labels: white hand-lettered capitals
with a dark pen outline on transparency, so they read on the bright sky of a finished
level as well as on dark rock, and so the title screen can tint them red by multiplying."""
import numpy as np
from PIL import Image, ImageDraw

from .common import blank, blur, downsample, font, from_pil, over, rng, shift

GLYPH = 64
SS = 4  # supersampling

# The glyph files, in the order of the text face, with the character each one shows.
GLYPHS = ([(c, c.upper()) for c in "abcdefghijklmnopqrstuvwxyz"] +
          [(d, d) for d in "0123456789"] +
          [("period", "."), ("comma", ","), ("plus", "+"), ("minus", "-"),
           ("exclaim", "!"), ("question", "?")])

INK = (20, 16, 28)


def _lettered(text, w, h, size, baseline, stroke, angle=0.0, shadow=0.55, widen=1.0, max_width=None):
    """Renders 'text' centred horizontally with its baseline at 'baseline' (pixels of
    the final picture), white with a dark outline, returned as a float RGBA image."""
    f = font(size * SS)
    img = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    left, top, right, bottom = d.textbbox((0, 0), text, font=f, anchor="ls", stroke_width=stroke * SS)
    x = (w * SS - (right - left)) / 2.0 - left
    d.text((x, baseline * SS), text, font=f, anchor="ls", fill=(255, 255, 255, 255),
           stroke_width=stroke * SS, stroke_fill=INK + (255,))
    if widen != 1.0 or max_width:
        img = _widen(img, widen, (max_width or w) * SS)
    if angle:
        img = img.rotate(angle, resample=Image.BICUBIC, center=(w * SS / 2, baseline * SS - size * SS * 0.35))
    pic = downsample(from_pil(img), SS)
    # A soft drop shadow lifts the letters off busy backgrounds.
    sh = blank(w, h)
    a = blur(pic[..., 3], 1.6) * shadow
    sh[..., 3] = shift(a, 1, 2)
    return over(pic, sh)


def _widen(img, factor, max_width):
    """Stretches the ink horizontally about its centre by 'factor', but never wider than
    'max_width': the text face advances a whole cell per letter, so broad letters read
    as words where narrow ones would drift apart."""
    box = img.getbbox()
    if not box:
        return img
    ink = img.crop(box)
    new_w = min(int(round(ink.width * factor)), int(max_width))
    ink = ink.resize((new_w, ink.height), Image.LANCZOS)
    out = Image.new("RGBA", img.size, (0, 0, 0, 0))
    out.paste(ink, ((img.width - new_w) // 2, box[1]))
    return out


def glyph(char):
    """One 64 x 64 glyph: capitals 44 px tall standing on a baseline at y = 54."""
    index = [c for _, c in GLYPHS].index(char)
    angle = rng(500 + index).uniform(-3.0, 3.0)   # a hand never holds the pen quite straight
    # The comma's tail would run off the bottom of its square; it sits a little higher.
    baseline = 48 if char == "," else 53
    size = 66
    return _lettered(char, GLYPH, GLYPH, size, baseline, stroke=3, angle=angle, widen=1.25, max_width=56)


def label(text):
    """A 512 x 64 menu label."""
    return _lettered(text, 512, 64, 56, 50, stroke=3, angle=0.0, shadow=0.7)
