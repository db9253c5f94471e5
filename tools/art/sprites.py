"""The things that move or are placed: the robot, reflectors, spike balls, the mouse
pointer and the head-up icons."""
import math

import numpy as np

from .common import (CELL, TILE, FRINGE, Sketch, blank, blur, grid, layer, over, rgb, smoothstep)

INK = (24, 22, 30, 255)


def robot():
    """Tarnwick's hero, a one-cell robot facing right. The cell is the middle 32 x 32 of
    the picture; the feet stand on its bottom edge (y = 48)."""
    s = Sketch(TILE, TILE)
    foot = FRINGE + CELL          # 48: the ground under the robot
    body = (62, 150, 170, 255)
    body_dark = (38, 98, 116, 255)
    body_light = (136, 212, 224, 255)
    accent = (238, 140, 48, 255)

    # Legs and feet (the back leg darker).
    s.line([(27, 38), (26, 45)], fill=(60, 64, 74, 255), width=3.2)
    s.rect((22.5, 44.5, 29.5, foot), fill=(40, 42, 50, 255), radius=1.5)
    s.line([(35, 38), (36, 45)], fill=(96, 100, 112, 255), width=3.2)
    s.rect((33.5, 44.5, 41.5, foot), fill=(58, 62, 72, 255), outline=INK, width=0.9, radius=1.5)

    # Torso.
    s.rect((21, 27, 42, 40), fill=body, outline=INK, width=1.2, radius=4)
    s.rect((23, 28.6, 40, 31), fill=body_light, radius=1.2)
    s.rect((21, 36, 42, 40), fill=body_dark, radius=2.5)
    s.rect((21, 27, 42, 40), outline=INK, width=1.2, radius=4)
    # A chest lamp: the robot carries light in it.
    s.ellipse((28, 31.5, 33, 36.5), fill=accent, outline=INK, width=0.8)
    s.ellipse((29.2, 32.4, 31, 34.2), fill=(255, 226, 160, 255))

    # Arm (the near one, swinging slightly forward).
    s.line([(30, 30), (37, 35.5)], fill=(46, 110, 128, 255), width=3.0)
    s.ellipse((35.5, 33.8, 39.5, 37.8), fill=(200, 206, 214, 255), outline=INK, width=0.8)

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
    s.line([(27, 12.5), (25, 6.5)], fill=(60, 62, 70, 255), width=1.3)
    s.ellipse((22.6, 3.6, 27.4, 8.4), fill=accent, outline=INK, width=0.8)
    s.ellipse((23.8, 4.6, 25.4, 6.2), fill=(255, 230, 170, 255))
    pic = s.finished()
    return over(pic, _shadow(pic, 1.2, 0.5))


def _shadow(pic, radius, strength, dx=0, dy=1):
    a = blur(pic[..., 3], radius) * strength
    a = np.roll(np.roll(a, dy, axis=0), dx, axis=1)
    out = blank(pic.shape[1], pic.shape[0])
    out[..., 3] = a
    return out


def reflector():
    """A small mirror on a tripod, tilted at 45 degrees, standing on the cell's floor."""
    s = Sketch(TILE, TILE)
    foot = FRINGE + CELL
    cx = 32.0
    iron = (70, 70, 80, 255)
    # Tripod.
    s.line([(cx, 36), (cx - 8, foot - 0.8)], fill=iron, width=1.8)
    s.line([(cx, 36), (cx + 8, foot - 0.8)], fill=iron, width=1.8)
    s.line([(cx, 34), (cx, foot - 0.8)], fill=(90, 90, 100, 255), width=2.0)
    s.ellipse((cx - 2.2, 33.5, cx + 2.2, 37.9), fill=(180, 140, 60, 255), outline=INK, width=0.7)
    # The mirror plate: a rounded slab along the diagonal.
    ang = math.radians(-45)
    hx, hy = math.cos(ang) * 10.0, math.sin(ang) * 10.0
    nx, ny = -math.sin(ang) * 2.6, math.cos(ang) * 2.6
    mx, my = cx, 26.0
    back = [(mx - hx + nx, my - hy + ny), (mx + hx + nx, my + hy + ny),
            (mx + hx + nx * 2, my + hy + ny * 2), (mx - hx + nx * 2, my - hy + ny * 2)]
    s.polygon(back, fill=(120, 86, 40, 255))
    plate = [(mx - hx - nx, my - hy - ny), (mx + hx - nx, my + hy - ny),
             (mx + hx + nx, my + hy + ny), (mx - hx + nx, my - hy + ny)]
    s.polygon(plate, fill=(190, 220, 240, 255), outline=INK, width=1.0)
    # A streak of reflected light on the glass.
    s.line([(mx - hx * 0.6 - nx * 0.2, my - hy * 0.6 - ny * 0.2), (mx + hx * 0.1 - nx * 0.2, my + hy * 0.1 - ny * 0.2)],
           fill=(255, 255, 255, 255), width=1.3)
    s.line([(cx, 29), (cx, 34)], fill=iron, width=1.6)
    pic = s.finished()
    return over(pic, _shadow(pic, 1.0, 0.45))


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
# The icon's picture sits at (-20, -20) and its number 80 px to the right, so its
# content is kept inside x 26..78, y 26..86, centred on the number's line.
HUD_CX, HUD_CY = 52.0, 56.0


def _hud_backing():
    xx, yy = grid(HUD, HUD)
    r = np.sqrt((xx - HUD_CX) ** 2 + (yy - HUD_CY) ** 2)
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
    cx, cy = HUD_CX, HUD_CY
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
    return over(_outlined(pic), over(glow, _hud_backing()))


def reflector_ui():
    s = Sketch(HUD, HUD)
    cx, cy = HUD_CX, HUD_CY
    foot = cy + 20
    s.line([(cx, cy + 6), (cx - 13, foot)], fill=(200, 204, 214, 255), width=3.0)
    s.line([(cx, cy + 6), (cx + 13, foot)], fill=(200, 204, 214, 255), width=3.0)
    s.line([(cx, cy + 2), (cx, foot)], fill=(220, 224, 232, 255), width=3.2)
    ang = math.radians(-45)
    hx, hy = math.cos(ang) * 17.0, math.sin(ang) * 17.0
    nx, ny = -math.sin(ang) * 4.0, math.cos(ang) * 4.0
    mx, my = cx, cy - 6
    plate = [(mx - hx - nx, my - hy - ny), (mx + hx - nx, my + hy - ny),
             (mx + hx + nx, my + hy + ny), (mx - hx + nx, my - hy + ny)]
    s.polygon(plate, fill=(214, 236, 250, 255))
    s.line([(mx - hx * 0.7 - nx * 0.3, my - hy * 0.7 - ny * 0.3), (mx + hx * 0.1 - nx * 0.3, my + hy * 0.1 - ny * 0.3)],
           fill=(255, 255, 255, 255), width=2.2)
    s.ellipse((cx - 3.5, cy + 0.5, cx + 3.5, cy + 7.5), fill=(240, 200, 110, 255))
    pic = s.finished()
    return over(_outlined(pic), _hud_backing())
