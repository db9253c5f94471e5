"""Lays tiles and sprites out the way the play field does: the title picture is built
from the game's own tiles, and the preview uses the same code to show how the tiles
join on screen.

A map is a list of strings, one character a cell:
  .  empty (sky)     #  earth      G  grass      c  cave wall
  L  lamp            B  light box  b  lit light box
  P  light pipe      C  crate      S  spikes     V  lava
"""
import numpy as np

from .common import CELL, FRINGE, blank, layer, over_at, rgb

PASSABLE = ".c"


def sky(w, h, f):
    """The play field's sky for a lit fraction f (0 = nothing lit, 1 = all lit)."""
    top = np.array([f * 128, f * 128, f * 255], np.float32)
    bottom = np.array([47 * (1 - f) + 255 * f, 65 * (1 - f) + 255 * f, 101 * (1 - f) + 255 * f], np.float32)
    t = (np.arange(h, dtype=np.float32) / max(h - 1, 1))[:, None, None]
    col = (top * (1 - t) + bottom * t) / 255.0
    out = np.ones((h, w, 4), np.float32)
    out[..., :3] = np.broadcast_to(col, (h, w, 3))
    return out


class Scene:
    def __init__(self, art, rows, lit_fraction=0.0, origin=(0, 0)):
        self.art = art
        self.rows = [r for r in rows]
        self.h = len(rows)
        self.w = max(len(r) for r in rows)
        self.rows = [r.ljust(self.w, ".") for r in self.rows]
        self.f = lit_fraction
        self.ox, self.oy = origin
        self.reflectors = []   # (column, row, lit)
        self.balls = []        # (x, y) in cells, floats
        self.player = None     # (x, y, facing_right)

    def at(self, c, r):
        if 0 <= r < self.h and 0 <= c < self.w:
            return self.rows[r][c]
        return "#"

    def pos(self, c, r):
        return self.ox + c * CELL, self.oy + r * CELL

    def put(self, canvas, name, c, r, centred=True):
        x, y = self.pos(c, r)
        if centred:
            x -= FRINGE
            y -= FRINGE
        over_at(self.art[name], canvas, x, y)

    def render(self, width=1024, height=768):
        canvas = sky(width, height, self.f)
        cells = [(c, r) for r in range(self.h) for c in range(self.w)]
        # Background pass.
        for c, r in cells:
            t = self.at(c, r)
            if t in "cS":
                self.put(canvas, "caveback", c, r)
            elif t == "L":
                self.put(canvas, "lamp", c, r)
            elif t == "V":
                self.put(canvas, "lava", c, r)
        # Beams of lit reflectors.
        for c, r, lit in self.reflectors:
            if not lit:
                continue
            self.put(canvas, "lightbeamv", c, r, centred=False)
            self.put(canvas, "lightbeamh", c, r, centred=False)
            for dc, dr, name in ((-1, 0, "lightbeamh"), (1, 0, "lightbeamh"), (0, -1, "lightbeamv"), (0, 1, "lightbeamv")):
                cc, rr = c + dc, r + dr
                while self.at(cc, rr) in ".cL" and 0 <= cc < self.w and 0 <= rr < self.h:
                    self.put(canvas, name, cc, rr, centred=False)
                    cc, rr = cc + dc, rr + dr
        for c, r, lit in self.reflectors:
            self.put(canvas, "reflector", c, r)
        # Light boxes.
        for c, r in cells:
            t = self.at(c, r)
            if t in "Bb":
                self.put(canvas, "caveback", c, r)
                if t == "b":
                    rr = r - 1
                    while self.at(c, rr) in ".cP" and rr >= 0:
                        self.put(canvas, "lightbeamv", c, rr, centred=False)
                        rr -= 1
                    self.put(canvas, "lightboxlit", c, r)
                else:
                    self.put(canvas, "lightbox", c, r)
        for bx, by in self.balls:
            x, y = self.pos(bx, by)
            over_at(self.art["spikeball"], canvas, int(x) - FRINGE, int(y) - FRINGE)
        if self.player:
            px, py, right = self.player
            x, y = self.pos(px, py)
            pic = self.art["robot"] if right else self.art["robot"][:, ::-1]
            over_at(pic, canvas, int(x) - FRINGE, int(y) - FRINGE)
        for c, r in cells:
            if self.at(c, r) == "L":
                x, y = self.pos(c, r)
                over_at(self.art["lampglow"], canvas, x - 48, y - 48)
        # Foreground pass.
        for c, r in cells:
            t = self.at(c, r)
            name = {"#": "earthtile", "G": "grasstile", "P": "lightpipe", "S": "spikes"}.get(t)
            if t == "C":
                self.put(canvas, "caveback", c, r)
                name = "crate"
            if name:
                self.put(canvas, name, c, r)
        return canvas


def draw_text(canvas, fonts, text, x, y, size):
    """The play field's drawText: one square cell per byte, glyphs scaled to the cell."""
    from PIL import Image
    from .common import from_pil, to_pil
    pen = float(x)
    for ch in text:
        g = fonts.get(ch)
        if g is not None:
            img = to_pil(g).resize((int(size), int(size)), Image.BILINEAR)
            over_at(from_pil(img), canvas, int(pen), int(y))
        pen += size
    return canvas


def blank_like(w, h):
    return blank(w, h)


def tint(arr, colour):
    out = arr.copy()
    out[..., :3] *= np.asarray(colour, np.float32)
    return out


__all__ = ["Scene", "sky", "draw_text", "tint", "layer", "rgb"]
