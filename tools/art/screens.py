"""The three full-screen pictures: title, story and the closing panel."""
import numpy as np
from PIL import Image, ImageDraw, ImageFilter

from .common import (blank, blur, font, from_pil, grid, layer, over, over_at, rgb, rng, shift, smoothstep, to_pil)
from . import sprites
from .scene import Scene

W, H = 1024, 768
INK = (20, 16, 28, 255)


def _map(fill_rows):
    g = [["." for _ in range(32)] for _ in range(24)]

    def fill(c0, r0, c1, r1, ch):
        for r in range(r0, r1):
            for c in range(c0, c1):
                g[r][c] = ch
    fill_rows(fill, g)
    return ["".join(r) for r in g]


def _title_map(fill, g):
    # Hills under the night sky, a cave beneath them.
    fill(0, 10, 32, 24, "#")
    fill(0, 8, 3, 10, "#")
    fill(29, 8, 32, 10, "#")
    fill(0, 7, 4, 8, "#")
    fill(0, 6, 2, 7, "#")
    fill(29, 7, 32, 8, "#")
    for c in range(32):
        for r in range(24):
            if g[r][c] == "#" and (r == 0 or g[r - 1][c] == "."):
                g[r][c] = "G"
    fill(2, 12, 30, 22, "c")
    fill(3, 11, 12, 12, "c")
    fill(21, 11, 28, 12, "c")
    g[12][5] = "L"
    g[12][26] = "L"
    for c in (16, 17, 18):
        g[12][c] = "S"
    fill(20, 22, 25, 24, "V")
    g[21][8] = "b"
    g[21][28] = "C"
    fill(29, 16, 30, 22, "#")


def _stars(canvas, seed, y1):
    r = rng(seed)
    xx, yy = grid(W, H)
    for _ in range(90):
        x, y = r.uniform(0, W), r.uniform(0, y1)
        size = r.uniform(0.5, 1.6)
        b = r.uniform(0.4, 1.0)
        x0, y0 = int(x) - 4, int(y) - 4
        if x0 < 0 or y0 < 0 or x0 + 9 > W or y0 + 9 > H:
            continue
        sx, sy = xx[y0:y0 + 9, x0:x0 + 9], yy[y0:y0 + 9, x0:x0 + 9]
        d = np.sqrt((sx - x) ** 2 + (sy - y) ** 2)
        a = b * np.exp(-(d / size) ** 2)
        star = layer(rgb((255, 250, 230)), a)
        canvas[y0:y0 + 9, x0:x0 + 9] = over(star, canvas[y0:y0 + 9, x0:x0 + 9])


def _big_lettering(text, size, centre_x, baseline, glow_colour=(255, 200, 90)):
    """Large title words: warm light letters with a pen outline and a soft glow."""
    f = font(size)
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.text((centre_x, baseline), text, font=f, anchor="ms", fill=(255, 246, 220, 255),
           stroke_width=max(2, size // 28), stroke_fill=INK)
    letters = from_pil(img)
    # Warm the lower half of each letter a little, as if lit from below.
    xx, yy = grid(W, H)
    warm = smoothstep(baseline - size * 0.7, baseline, yy)
    core = letters[..., 3] * (letters[..., 0] > 0.5)
    letters[..., 1] = np.where(core > 0, letters[..., 1] - 0.18 * warm, letters[..., 1])
    letters[..., 2] = np.where(core > 0, letters[..., 2] - 0.45 * warm, letters[..., 2])
    glow = layer(rgb(glow_colour), np.clip(blur(letters[..., 3], size * 0.16) * 0.9, 0, 0.8))
    return over(letters, glow)


def title_scene(art):
    scene = Scene(art, _map(_title_map), lit_fraction=0.0)
    scene.reflectors = [(5, 21, True), (25, 21, False)]
    scene.player = None
    scene.balls = [(15.4, 21.0)]
    return scene


def titlescreen(art):
    canvas = title_scene(art).render()
    _stars(canvas, 7, 230)
    # The band of the menu: darkened smoothly so the labels, white or tinted red, read.
    xx, yy = grid(W, H)
    band = smoothstep(400, 448, yy) * (1.0 - smoothstep(640, 668, yy))
    band *= 1.0 - 0.6 * smoothstep(300, 520, np.abs(xx - 512))
    # The rock behind the menu is softened as well as darkened: calm, and small to store.
    soft = from_pil(to_pil(canvas).filter(ImageFilter.GaussianBlur(3)))
    canvas = canvas * (1.0 - band[..., None]) + soft * band[..., None]
    canvas = over(layer(rgb((8, 10, 18)), band * 0.78), canvas)
    canvas = over(_big_lettering("Tarnwick", 190, 512, 215), canvas)
    canvas = over(_caption("a puzzle of lamps, mirrors and light", 34, 512, 285), canvas)
    # Wick himself, three times his size in the game, on the left hill, and a mirror on
    # the right one.
    big = sprites.robot(zoom=3)
    over_at(big, canvas, -38, 224 - 144)
    mirror = sprites.reflector(zoom=3)
    over_at(mirror, canvas, 1024 - 150, 224 - 144)
    return _opaque(canvas)


def _caption(text, size, cx, baseline, colour=(230, 236, 250, 255), bold=False, anchor="ms"):
    img = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.text((cx, baseline), text, font=font(size, bold), anchor=anchor, fill=colour,
           stroke_width=2, stroke_fill=INK)
    return from_pil(img)


def _opaque(canvas):
    out = canvas.copy()
    out[..., 3] = 1.0
    return out


def _panel(x0, y0, x1, y1, fill=(22, 26, 44), alpha=0.9, border=(214, 170, 86)):
    """A rounded panel with a brass rim and soft shadow, like a framed plaque."""
    s = 4
    img = Image.new("RGBA", (W * s // 2, H * s // 2), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    k = s // 2
    d.rounded_rectangle((x0 * k, y0 * k, x1 * k, y1 * k), radius=26 * k, fill=fill + (int(alpha * 255),),
                        outline=border + (255,), width=4 * k)
    d.rounded_rectangle(((x0 + 8) * k, (y0 + 8) * k, (x1 - 8) * k, (y1 - 8) * k), radius=20 * k,
                        outline=border + (110,), width=1 * k)
    img = img.resize((W, H), Image.LANCZOS)
    pic = from_pil(img)
    shadow = blank(W, H)
    shadow[..., 3] = shift(blur(pic[..., 3], 10) * 0.6, 6, 8)
    return over(pic, shadow)


def _icon(canvas, pic, x, y, size):
    img = to_pil(pic).resize((size, size), Image.LANCZOS)
    over_at(from_pil(img), canvas, x, y)


def storyscreen(art):
    back = title_scene(art).render()
    _stars(back, 7, 230)
    img = to_pil(back).filter(ImageFilter.GaussianBlur(5))
    canvas = from_pil(img)
    canvas = over(layer(rgb((6, 8, 16)), np.full((H, W), 0.45, np.float32)), canvas)
    canvas = over(_panel(40, 28, 984, 740), canvas)

    text = []   # (x, baseline, string, size, bold, colour)
    gold = (255, 214, 120, 255)
    white = (240, 242, 250, 255)
    soft = (196, 206, 230, 255)
    text.append((512, 92, "The lamps of Tarnwick", 52, True, gold, "ms"))
    text.append((80, 146, "The caves under Tarnwick have gone dark. You are Wick, the little", 28, False, white, "ls"))
    text.append((80, 180, "lamp-keeper robot, and every light box down there must shine again.", 28, False, white, "ls"))

    # How light works, shown rather than told: a lamp, a reflector in its row, the beam
    # on to a light box, with the rules beside it.
    _light_diagram(canvas, art, DIAGRAM_X, DIAGRAM_Y)
    for x, by, label in DIAGRAM_LABELS:
        text.append((DIAGRAM_X + x, DIAGRAM_Y + by, label, 22, True, gold, "ms"))
    rules = ["X drops a reflector where you stand.", "A reflector that sees a lamp along its",
             "row or column lights up, and then lights", "the reflectors and light boxes it sees.",
             "Light every light box in the caves to win."]
    for i, line in enumerate(rules):
        text.append((DIAGRAM_X + DIAGRAM_W + 28, DIAGRAM_Y + 34 + 32 * i, line, 26, False, white, "ls"))

    rows = [
        ("crate", "Walk into a crate to open it: 5 more reflectors."),
        ("spikeball", "Beware of spikes, lava and spike balls."),
        ("heart", "You have three lives."),
    ]
    y = DIAGRAM_Y + DIAGRAM_H + 20
    icons = []
    for name, line in rows:
        icons.append((name, 84, y))
        text.append((156, y + 30, line, 28, False, white, "ls"))
        y += 52

    text.append((512, y + 34, "Controls", 36, True, gold, "ms"))
    controls = [("Arrows", "walk"), ("Z", "jump"), ("X", "drop a reflector"), ("Escape", "back to the title")]
    cy = y + 76
    positions = [(120, cy), (560, cy), (120, cy + 40), (560, cy + 40)]
    for (key, what), (cx, by) in zip(controls, positions):
        text.append((cx, by, key, 28, True, gold, "ls"))
        text.append((cx + 120, by, what, 28, False, white, "ls"))
    text.append((512, 706, "Press any key to begin", 30, True, soft, "ms"))

    for name, x, iy in icons:
        # Each picture is shown a third larger than in the game, centred on its line.
        if name == "heart":
            pic, size = art["heartui"][24:88, 20:84], 64
        else:
            pic, size = art[name], 84
        cx, cy = 108, iy + 19
        _icon(canvas, pic, cx - size // 2, cy - size // 2, size)
    for x, by, s, size, bold, colour, anchor in text:
        canvas = over(_caption(s, size, x, by, colour, bold, anchor), canvas)
    return _opaque(canvas)


# The light diagram of the story picture: a piece of cave drawn with the game's own tiles,
# at play scale, in a frame. The lamp stands on the floor by the left wall, a reflector
# lies in its row under a light box in the ceiling, and Wick looks on.
DIAGRAM_X, DIAGRAM_Y, DIAGRAM_W, DIAGRAM_H = 80, 202, 384, 160
DIAGRAM_MAP = [
    "#########b###",
    "#ccccccccccc#",
    "#ccccccccccc#",
    "#Lcccccccccc#",
    "#############",
]
DIAGRAM_LABELS = [(32, 82, "lamp"), (288, 152, "reflector"), (350, 56, "light box")]


def _light_diagram(canvas, art, x, y):
    scene = Scene(art, DIAGRAM_MAP, lit_fraction=0.0, origin=(-16, 0))
    scene.reflectors = [(9, 3, True)]
    scene.player = (11, 3, False)
    pic = scene.render(DIAGRAM_W, DIAGRAM_H)
    k = 4
    mask = Image.new("L", (DIAGRAM_W * k, DIAGRAM_H * k), 0)
    ImageDraw.Draw(mask).rounded_rectangle((0, 0, DIAGRAM_W * k - 1, DIAGRAM_H * k - 1), radius=14 * k, fill=255)
    mask = np.asarray(mask.resize((DIAGRAM_W, DIAGRAM_H), Image.LANCZOS), np.float32) / 255.0
    pic[..., 3] *= mask
    shadow = blank(W, H)
    shadow[y:y + DIAGRAM_H, x:x + DIAGRAM_W, 3] = mask
    shadow[..., 3] = shift(blur(shadow[..., 3], 6) * 0.6, 4, 5)
    canvas[:] = over(shadow, canvas)
    over_at(pic, canvas, x, y)
    rim = Image.new("RGBA", (W * 2, H * 2), (0, 0, 0, 0))
    ImageDraw.Draw(rim).rounded_rectangle(((x - 1) * 2, (y - 1) * 2, (x + DIAGRAM_W + 1) * 2, (y + DIAGRAM_H + 1) * 2),
                                          radius=15 * 2, outline=(214, 170, 86, 255), width=3 * 2)
    canvas[:] = over(from_pil(rim.resize((W, H), Image.LANCZOS)), canvas)


def winscreen(art):
    canvas = blank(W, H)
    canvas = over(_panel(162, 190, 862, 560, fill=(26, 30, 50), alpha=0.92), canvas)
    canvas = over(_big_lettering("Well done!", 96, 512, 300), canvas)
    lines = ["Every light box is shining and the caves", "of Tarnwick are bright again.",
             "Thank you, Wick!"]
    y = 368
    for i, line in enumerate(lines):
        colour = (255, 214, 120, 255) if i == 2 else (240, 242, 250, 255)
        canvas = over(_caption(line, 34, 512, y, colour, i == 2), canvas)
        y += 46
    canvas = over(_caption("Press any key to return to the title", 26, 512, 528, (196, 206, 230, 255)), canvas)
    # Wick sits on the panel's top edge, and a lit box on the other end.
    over_at(sprites.robot(zoom=2), canvas, 744, 192 - 96)
    over_at(_scaled(art["lightboxlit"], 2), canvas, 176, 192 - 96)
    return canvas


def _scaled(pic, k):
    img = to_pil(pic)
    return from_pil(img.resize((img.width * k, img.height * k), Image.LANCZOS))
