"""Paints a stretch of the level with the game's own tile pictures, layered the way the
play screen layers them (sky, cave backs, boxes, balls, robot, lamp halos, rock), so the
look of a design can be judged without building the game. Beams are not drawn."""
import os

from PIL import Image

from .sim import (EMPTY, EARTH, GRASS, CAVEBACK, LAMP, LIGHTBOX, LIGHTPIPE, CRATE, SPIKES,
                  LAVA, SPIKEBALL)

IMAGES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "assets", "images")
CELL = 32

BACK = {CAVEBACK: "caveback", SPIKES: "caveback", LAMP: "lamp", LAVA: "lava",
        SPIKEBALL: "caveback"}
FORE = {EARTH: ["earthtile"], GRASS: ["grasstile"], LIGHTPIPE: ["lightpipe"],
        CRATE: ["caveback", "crate"], SPIKES: ["spikes"]}


def picture(name, cache={}):
    if name not in cache:
        cache[name] = Image.open(os.path.join(IMAGES, name + ".png")).convert("RGBA")
    return cache[name]


def sky(width, height):
    """The unlit sky: black at the top to (47, 65, 101) at the bottom."""
    img = Image.new("RGBA", (width, height))
    px = img.load()
    for y in range(height):
        f = y / float(height - 1)
        colour = (int(47 * f), int(65 * f), int(101 * f), 255)
        for x in range(width):
            px[x, y] = colour
    return img


def render(cells, column, row, columns=32, rows=24, player=(4, 22)):
    width, height = columns * CELL, rows * CELL
    margin = 2 * CELL   # pictures hang over their cell's edges: paint on a larger sheet
    img = Image.new("RGBA", (width + 2 * margin, height + 2 * margin))
    img.paste(sky(width, height), (margin, margin))

    def cell(c, r):
        if 0 <= c < 1024 and 0 <= r < 768:
            return cells[r * 1024 + c]
        return EARTH

    def paste(name, c, r, centred=True, offset=16):
        pic = picture(name)
        x = margin + (c - column) * CELL - (offset if centred else 0)
        y = margin + (r - row) * CELL - (offset if centred else 0)
        img.alpha_composite(pic, (x, y))

    span = [(c, r) for r in range(row - 1, row + rows + 2)
            for c in range(column - 1, column + columns + 2)]
    for c, r in span:
        if cell(c, r) in BACK:
            paste(BACK[cell(c, r)], c, r)
    for c, r in span:
        if cell(c, r) == LIGHTBOX:
            paste("caveback", c, r)
            paste("lightbox", c, r)
        if cell(c, r) == SPIKEBALL:
            paste("spikeball", c, r)
    if player:
        paste("robot", player[0], player[1])
    for c, r in span:
        if cell(c, r) == LAMP:
            paste("lampglow", c, r, offset=48)
    for c, r in span:
        for name in FORE.get(cell(c, r), []):
            paste(name, c, r)
    return img.crop((margin, margin, margin + width, margin + height)).convert("RGB")
