"""Pictures for looking at the art, not for the game: a contact sheet of every picture
and a mock play-field frame laid out as the game lays it out."""
import os

import numpy as np
from PIL import Image, ImageDraw

from .common import from_pil, over, over_at, to_pil
from .lettering import GLYPHS
from .scene import Scene, draw_text

CHECK = 8


def _checker(w, h):
    yy, xx = np.mgrid[0:h, 0:w]
    c = np.where(((xx // CHECK) + (yy // CHECK)) % 2 == 0, 0.55, 0.42).astype(np.float32)
    out = np.ones((h, w, 4), np.float32)
    out[..., 0] = out[..., 1] = out[..., 2] = c
    return out


def _zoom(pic, k):
    return np.repeat(np.repeat(pic, k, axis=0), k, axis=1)


def contact_sheet(art, glyphs, path, zoom=2):
    names = [n for n in art if art[n].shape[0] <= 128]
    cell = 128 * zoom + 24
    cols = 6
    rows = (len(names) + cols - 1) // cols
    sheet = _checker(cols * cell, rows * cell + 3 * 70 + 20)
    labels = []
    for i, n in enumerate(names):
        x, y = (i % cols) * cell + 10, (i // cols) * cell + 4
        over_at(_zoom(art[n], zoom), sheet, x, y)
        labels.append((x, y + cell - 16, n))
    gy = rows * cell + 10
    for i, (name, _) in enumerate(GLYPHS):
        x = (i % 16) * 70 + 10
        y = gy + (i // 16) * 70
        over_at(glyphs[name], sheet, x, y)
    img = to_pil(sheet).convert("RGB")
    d = ImageDraw.Draw(img)
    for x, y, n in labels:
        d.text((x, y), n, fill=(255, 255, 255))
    img.save(path)


def _mock_rows():
    return [
        "..........................................",
        "..........................................",
        "..........................................",
        "..........................................",
        "....................GGGG..................",
        "...................G####G.................",
        "..................G######GG...............",
        "...........GGGGGG##########GGGGGGG........",
        "GGGGGGGGGGG#############################GG",
        "##########cccccLcccccccSSSccccccccc#######",
        "#######ccccccccccccccccccccccccccccccc####",
        "#####cccccccccccccccccccccccccccccccccc###",
        "####cccccccccccccccccccccccccccPcccccccc##",
        "###ccccccccccccccccccccccccccccPccccccccc#",
        "###ccccccccccccccccccccccccccccPcccccc#cc#",
        "###cccccccccccccccccccccccCccccbcccccc#cc#",
        "###cccc######cccccccccGGGGGGGGGGGGG####cc#",
        "###ccc########ccccccc#################ccc#",
        "###ccccccccccccccccccccccccccccccccccccc##",
        "####cccccccccBccccccccccccccccccccccccccc#",
        "#####GGGGGGGGGGGGGGGGGG#VVVVVVV#GGGGGGG###",
        "#######################VVVVVVVVV##########",
        "########################VVVVVVV###########",
        "##########################################",
        "##########################################",
        "##########################################",
    ]


def mock_playfield(art, glyphs, path, lit_fraction=0.5):
    scene = Scene(art, _mock_rows(), lit_fraction=lit_fraction, origin=(-16, -16))
    scene.reflectors = [(15, 15, True), (8, 15, True), (15, 19, True), (35, 15, False)]
    scene.player = (20.0, 19.0, True)
    scene.balls = [(28.3, 19.0)]
    canvas = scene.render()
    over_at(art["heartui"], canvas, -20, -20)
    over_at(art["lightboxui"], canvas, 435, -20)
    over_at(art["reflectorui"], canvas, 820, -20)
    fonts = {c.lower() if c.isalpha() else c: glyphs[n] for n, c in GLYPHS}
    draw_text(canvas, fonts, "3", 60, 18, 36)
    draw_text(canvas, fonts, "12", 535, 18, 36)
    draw_text(canvas, fonts, "10", 920, 18, 36)
    draw_text(canvas, fonts, "game over", 225, 350, 64)
    to_pil(canvas).convert("RGB").save(path)


def title_with_menu(art, path, selected=0):
    canvas = art["titlescreen"].copy()
    for i, (name, y) in enumerate((("enterbutton", 448), ("editorbutton", 512), ("quitbutton", 576))):
        pic = art[name].copy()
        if i == selected:
            pic[..., :3] *= np.array([0.79, 0.0, 0.0], np.float32)
        over_at(pic, canvas, 256, y)
    to_pil(canvas).convert("RGB").save(path)


def win_over_field(art, glyphs, path):
    scene = Scene(art, _mock_rows(), lit_fraction=1.0, origin=(-16, -16))
    scene.reflectors = [(15, 15, True)]
    scene.player = (20.0, 18.0, False)
    canvas = scene.render()
    canvas = over(art["winscreen"], canvas)
    to_pil(canvas).convert("RGB").save(path)


def write(folder, art, glyphs):
    os.makedirs(folder, exist_ok=True)
    contact_sheet(art, glyphs, os.path.join(folder, "sheet.png"))
    mock_playfield(art, glyphs, os.path.join(folder, "field.png"), 0.5)
    mock_playfield(art, glyphs, os.path.join(folder, "field_dark.png"), 0.0)
    mock_playfield(art, glyphs, os.path.join(folder, "field_bright.png"), 1.0)
    title_with_menu(art, os.path.join(folder, "title.png"))
    win_over_field(art, glyphs, os.path.join(folder, "win.png"))
    to_pil(art["storyscreen"]).convert("RGB").save(os.path.join(folder, "story.png"))
