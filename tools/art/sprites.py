"""The things that move or are placed: the robot, reflectors, spike balls, the mouse
pointer and the head-up icons."""
import math

import numpy as np

from .common import (CELL, TILE, FRINGE, Sketch, blank, blur, grid, layer, over, rgb, shift, smoothstep)

INK = (24, 22, 30, 255)


def robot(zoom=1):
    """Tarnwick's hero, a one-cell robot facing right. The cell is the middle 32 x 32 of
    the picture; the feet stand on its bottom edge (y = 48)."""
    s = Sketch(TILE, TILE, zoom=zoom)
    foot = FRINGE + CELL          # 48: the ground under the robot
    body = (62, 150, 170, 255)
    body_dark = (38, 98, 116, 255)
    body_light = (136, 212, 224, 255)
    accent = (238, 140, 48, 255)

    # Legs and feet (the back leg darker).
    s.line([(26.5, 38), (25.5, 45)], fill=INK, width=4.4)
    s.line([(26.5, 38), (25.5, 45)], fill=(118, 122, 134, 255), width=2.6)
    s.rect((21.5, 44, 29.5, foot), fill=(52, 54, 64, 255), outline=INK, width=0.9, radius=1.8)
    s.line([(35.5, 38), (36.5, 45)], fill=INK, width=4.4)
    s.line([(35.5, 38), (36.5, 45)], fill=(170, 174, 186, 255), width=2.6)
    s.rect((32.5, 44, 42.5, foot), fill=(78, 82, 94, 255), outline=INK, width=0.9, radius=1.8)

    # Torso.
    s.rect((21, 27, 42, 40), fill=body, outline=INK, width=1.2, radius=4)
    s.rect((23, 28.6, 40, 31), fill=body_light, radius=1.2)
    s.rect((21, 36, 42, 40), fill=body_dark, radius=2.5)
    s.rect((21, 27, 42, 40), outline=INK, width=1.2, radius=4)
    # A chest lamp: the robot carries light in it.
    s.ellipse((28, 31.5, 33, 36.5), fill=accent, outline=INK, width=0.8)
    s.ellipse((29.2, 32.4, 31, 34.2), fill=(255, 226, 160, 255))

    # Arm: the near one, hanging at the front and reaching a little forward.
    s.line([(38, 29.5), (42.5, 35)], fill=INK, width=4.0)
    s.line([(38, 29.5), (42.5, 35)], fill=(46, 110, 128, 255), width=2.4)
    s.ellipse((40.4, 33.2, 44.8, 37.6), fill=(200, 206, 214, 255), outline=INK, width=0.8)

    # Neck and head.
    s.rect((28.5, 24, 33.5, 28), fill=(70, 74, 84, 255))
    s.rect((20, 12, 44, 25.5), fill=body, outline=INK, width=1.2, radius=5)
    s.rect((22, 13.4, 42, 15.4), fill=body_light, radius=1.0)
    # Visor on the front (right) side with one big eye looking ahead.
    s.rect((30, 15.5, 43, 23), fill=(20, 26, 36, 255), radius=3)
    s.ellipse((35.4, 16.6, 41.6, 22.2), fill=(150, 250, 255, 255))
    s.ellipse((37.4, 17.8, 40.6, 21), fill=(255, 255, 255, 255))
    s.ellipse((38.6, 18.4, 40.2, 20.0), fill=(20, 40, 60, 255))
    # Ear bolt at the back.
    s.ellipse((21.5, 16.5, 26.0, 21.0), fill=(200, 206, 214, 255), outline=INK, width=0.8)
    s.rect((20, 12, 44, 25.5), outline=INK, width=1.2, radius=5)
    # Antenna with its bulb.
    s.line([(27, 12.5), (25, 6.5)], fill=INK, width=2.6)
    s.line([(27, 12.5), (25, 6.5)], fill=(170, 174, 186, 255), width=1.2)
    s.ellipse((22.6, 3.6, 27.4, 8.4), fill=accent, outline=INK, width=0.8)
    s.ellipse((23.8, 4.6, 25.4, 6.2), fill=(255, 230, 170, 255))
    pic = s.finished()
    return over(pic, _shadow(pic, 1.2 * zoom, 0.5, dy=zoom))


def _shadow(pic, radius, strength, dx=0, dy=1):
    a = blur(pic[..., 3], radius) * strength
    a = shift(a, dx, dy)
    out = blank(pic.shape[1], pic.shape[0])
    out[..., 3] = a
    return out


def reflector(zoom=1):
    """A small round mirror in a brass ring, held at 45 degrees by a fork on a post that
    stands on the cell's floor."""
    s = Sketch(TILE, TILE, zoom=zoom)
    foot = FRINGE + CELL
    cx = 32.0
    brass = (196, 150, 64, 255)
    dark_brass = (120, 86, 34, 255)
    # Base and post.
    s.ellipse((cx - 8, foot - 4, cx + 8, foot + 0.5), fill=dark_brass, outline=INK, width=0.8)
    s.ellipse((cx - 6.5, foot - 3.6, cx + 6.5, foot - 1.0), fill=brass)
    s.line([(cx, foot - 2.5), (cx, 31)], fill=INK, width=3.6)
    s.line([(cx, foot - 2.5), (cx, 31)], fill=(150, 154, 166, 255), width=2.0)
    # Fork holding the mirror's pivots.
    s.line([(cx - 6.5, 24.5), (cx - 5, 31.5), (cx + 5, 31.5), (cx + 6.5, 24.5)], fill=INK, width=2.8)
    s.line([(cx - 6.5, 24.5), (cx - 5, 31.5), (cx + 5, 31.5), (cx + 6.5, 24.5)], fill=(150, 154, 166, 255), width=1.4)
    # The mirror: a disc seen at an angle, tilted so it faces up-left / down-right.
    my = 22.0
    disc = []
    for i in range(48):
        t = 2 * math.pi * i / 48
        u, v = 10.5 * math.cos(t), 5.0 * math.sin(t)
        a = math.radians(-45)
        disc.append((cx + u * math.cos(a) - v * math.sin(a), my + u * math.sin(a) + v * math.cos(a)))
    s.polygon(disc, fill=brass, outline=INK, width=1.0)
    glass = [(cx + (x - cx) * 0.78, my + (y - my) * 0.72) for x, y in disc]
    s.polygon(glass, fill=(176, 214, 240, 255))
    s.line([(cx - 5.5, my + 3.0), (cx + 3.5, my - 6.0)], fill=(255, 255, 255, 255), width=1.4)
    s.line([(cx - 2.5, my + 4.2), (cx + 1.5, my + 0.2)], fill=(230, 244, 255, 255), width=0.8)
    pic = s.finished()
    return over(pic, _shadow(pic, 1.0 * zoom, 0.45, dy=zoom))


def spikeball():
    """A round iron ball bristling with spikes, centred in the picture."""
    s = Sketch(TILE, TILE)
    cx = cy = 32.0
    n = 10
    for i in range(n):
        a = 2 * math.pi * i / n + 0.2
        ca, sa = math.cos(a), math.sin(a)
        tip = (cx + ca * 17.5, cy + sa * 17.5)
        b1 = (cx + math.cos(a - 0.33) * 9.5, cy + math.sin(a - 0.33) * 9.5)
        b2 = (cx + math.cos(a + 0.33) * 9.5, cy + math.sin(a + 0.33) * 9.5)
        s.polygon([b1, tip, b2], fill=(196, 200, 210, 255), outline=INK, width=0.9)
        s.line([(cx + ca * 10, cy + sa * 10), (cx + ca * 15.5, cy + sa * 15.5)], fill=(238, 240, 246, 255), width=0.7)
    s.ellipse((cx - 11, cy - 11, cx + 11, cy + 11), fill=(74, 60, 70, 255), outline=INK, width=1.2)
    s.ellipse((cx - 9, cy - 9, cx + 7, cy + 7), fill=(110, 88, 100, 255))
    s.ellipse((cx - 7, cy - 7.5, cx - 1.5, cy - 2.5), fill=(200, 176, 186, 255))
    # Two angry red eyes: it means harm.
    s.ellipse((cx - 5, cy + 0.5, cx - 1, cy + 4.5), fill=(255, 60, 40, 255))
    s.ellipse((cx + 1.5, cy + 0.5, cx + 5.5, cy + 4.5), fill=(255, 60, 40, 255))
    s.line([(cx - 6, cy - 1), (cx - 1, cy + 0.8)], fill=INK, width=1.1)
    s.line([(cx + 6.5, cy - 1), (cx + 1.5, cy + 0.8)], fill=INK, width=1.1)
    pic = s.finished()
    return over(pic, _shadow(pic, 1.2, 0.5))


def mouse_pointer():
    """An arrow whose tip is the top-left pixel."""
    s = Sketch(CELL, CELL, scale=8)
    arrow = [(0.3, 0.3), (0.3, 22), (5.6, 17.2), (9.4, 26.2), (13.2, 24.6), (9.6, 15.8), (16.6, 15.6)]
    s.polygon(arrow, fill=(255, 255, 255, 255))
    s.polygon(arrow, outline=(10, 10, 16, 255), width=1.6)
    return s.finished()


# ---------------------------------------------------------------- head-up icons

HUD = 107
# The lives icon sits at (-20, -20) with its number 80 px right of that corner, so its
# content is kept inside x 26..78, y 26..86, centred on the number's line. The other
# two stand at x 435 and 820 with their numbers 100 px to the right: their content
# moves right so that it sits as close to its number as the heart does.
HUD_CX, HUD_CY = 52.0, 56.0
HUD_CX_WIDE = 68.0


def _hud_backing(cx=HUD_CX):
    xx, yy = grid(HUD, HUD)
    r = np.sqrt((xx - cx) ** 2 + (yy - HUD_CY) ** 2)
    return layer(rgb((10, 12, 24)), 0.42 * (1.0 - smoothstep(18.0, 29.0, r)))


def _outlined(pic, width=2.0):
    ring = blur(pic[..., 3], width) * 2.4
    out = blank(pic.shape[1], pic.shape[0])
    out[..., :3] = rgb((16, 14, 24))
    out[..., 3] = np.clip(ring, 0, 0.9)
    return over(pic, out)


def heart_ui():
    s = Sketch(HUD, HUD)
    cx, cy = HUD_CX, HUD_CY
    pts = []
    for i in range(120):
        t = 2 * math.pi * i / 120
        x = 16 * math.sin(t) ** 3
        y = -(13 * math.cos(t) - 5 * math.cos(2 * t) - 2 * math.cos(3 * t) - math.cos(4 * t))
        pts.append((cx + x * 1.3, cy + y * 1.3 - 1.0))
    s.polygon(pts, fill=(255, 120, 130, 255))
    inner = [(cx + (x - cx) * 0.78, cy + (y - cy) * 0.78 + 1.0) for x, y in pts]
    s.polygon(inner, fill=(255, 160, 168, 255))
    s.ellipse((cx - 14, cy - 12, cx - 6, cy - 5), fill=(255, 236, 238, 255))
    pic = s.finished()
    return over(_outlined(pic), _hud_backing())


def lightbox_ui():
    s = Sketch(HUD, HUD)
    cx, cy = HUD_CX_WIDE, HUD_CY
    h = 17.0
    s.rect((cx - h, cy - h, cx + h, cy + h), fill=(214, 220, 232, 255), radius=5)
    s.rect((cx - h + 7, cy - h + 7, cx + h - 7, cy + h - 7), fill=(255, 236, 150, 255), radius=2.5)
    s.ellipse((cx - 6, cy - 6, cx + 6, cy + 6), fill=(255, 253, 232, 255))
    s.line([(cx, cy - h + 7.5), (cx, cy + h - 7.5)], fill=(150, 120, 60, 255), width=1.6)
    s.line([(cx - h + 7.5, cy), (cx + h - 7.5, cy)], fill=(150, 120, 60, 255), width=1.6)
    for bx, by in ((-1, -1), (1, -1), (-1, 1), (1, 1)):
        s.ellipse((cx + bx * (h - 4) - 1.6, cy + by * (h - 4) - 1.6, cx + bx * (h - 4) + 1.6, cy + by * (h - 4) + 1.6),
                  fill=(120, 126, 140, 255))
    pic = s.finished()
    xx, yy = grid(HUD, HUD)
    r = np.sqrt((xx - cx) ** 2 + (yy - cy) ** 2)
    glow = layer(rgb((255, 220, 120)), 0.5 * (1.0 - smoothstep(8.0, 30.0, r)))
    return over(_outlined(pic), over(glow, _hud_backing(cx)))


def reflector_ui():
    """The placed reflector drawn large: a round mirror at 45 degrees on its post."""
    s = Sketch(HUD, HUD)
    cx, cy = HUD_CX_WIDE, HUD_CY
    light = (226, 230, 238, 255)
    brass = (246, 206, 120, 255)
    foot = cy + 22
    s.ellipse((cx - 13, foot - 5, cx + 13, foot + 1), fill=brass)
    s.line([(cx, foot - 3), (cx, cy + 6)], fill=light, width=3.6)
    s.line([(cx - 11, cy - 5), (cx - 8.5, cy + 7), (cx + 8.5, cy + 7), (cx + 11, cy - 5)], fill=light, width=3.0)
    my = cy - 8
    disc = []
    for i in range(64):
        t = 2 * math.pi * i / 64
        u, v = 19.0 * math.cos(t), 9.0 * math.sin(t)
        a = math.radians(-45)
        disc.append((cx + u * math.cos(a) - v * math.sin(a), my + u * math.sin(a) + v * math.cos(a)))
    s.polygon(disc, fill=brass)
    glass = [(cx + (x - cx) * 0.8, my + (y - my) * 0.74) for x, y in disc]
    s.polygon(glass, fill=(206, 234, 252, 255))
    s.line([(cx - 10, my + 5.5), (cx + 6.5, my - 11)], fill=(255, 255, 255, 255), width=2.6)
    pic = s.finished()
    return over(_outlined(pic), _hud_backing(cx))
