#!/usr/bin/python3
"""Builds the shipped level, resources/level.lev, from tools/level/design.py and the rooms
of tools/level/rooms/.

    tools/make_level.py [--png FILE] [--scale N] [--preview COLUMN ROW FILE [--robot C R]]
                        [--light] [--check-route [FILE]]

The output is the same on every run. Before writing it checks the rules a playable level
must keep (size, a clear start on solid ground, grass only under open sky, every tile
value and nothing above, at least 40 screens of cave and 12 light boxes); --png draws an
overview picture of the played area, --light prints the fewest reflectors each box needs
(tools/level/light.py), --check-route plays a route file (tests/game/routes/perfect.route
unless another is named) through the model in tools/level/sim.py and reports how it ends.
"""
import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)

from level import design, route  # noqa: E402
from level.sim import (EMPTY, EARTH, GRASS, CAVEBACK, LAMP, LIGHTBOX, LIGHTPIPE, CRATE,  # noqa: E402
                       SPIKES, LAVA, SPIKEBALL, WIDTH, HEIGHT, passable)

LEVEL_PATH = os.path.join(ROOT, "resources", "level.lev")

COLOURS = {
    EMPTY: (70, 90, 130), EARTH: (110, 80, 50), GRASS: (60, 160, 60), CAVEBACK: (45, 35, 30),
    LAMP: (255, 240, 120), LIGHTBOX: (80, 200, 255), LIGHTPIPE: (170, 170, 190),
    CRATE: (200, 140, 60), SPIKES: (230, 230, 230), LAVA: (255, 70, 0), SPIKEBALL: (255, 0, 200),
}

# The part of the map the overview shows: the played area and a margin of its surroundings.
VIEW = (0, 4, 208, 136)

SCREEN_COLUMNS, SCREEN_ROWS = 32, 24
MIN_SCREENS = 40
MIN_BOXES = 12
CAVE = (CAVEBACK, LAMP, LIGHTBOX, LIGHTPIPE, CRATE, SPIKES, LAVA, SPIKEBALL)


def cave_screens(c):
    """The 32 x 24-cell blocks of the map, counted on the aligned grid, that hold any cave."""
    screens = set()
    for y in range(HEIGHT):
        row = c.cells[y * WIDTH:(y + 1) * WIDTH]
        for x in range(WIDTH):
            if row[x] in CAVE:
                screens.add((x // SCREEN_COLUMNS, y // SCREEN_ROWS))
    return screens


def check(c):
    cells = c.cells
    problems = []
    if len(cells) != WIDTH * HEIGHT:
        problems.append("size %d" % len(cells))
    sx, sy = design.START
    if not (passable(c.get(sx, sy)) and passable(c.get(sx, sy - 1))):
        problems.append("start cell or the cell above it is blocked")
    if passable(c.get(sx, sy + 1)):
        problems.append("no ground under the start")
    for y in range(HEIGHT):
        for x in range(WIDTH):
            if cells[y * WIDTH + x] == GRASS and y > 0 and c.get(x, y - 1) != EMPTY:
                problems.append("grass under cover at %d,%d" % (x, y))
    for kind in range(SPIKEBALL + 1):
        if c.count(kind) == 0:
            problems.append("no tile of value %d" % kind)
    if max(cells) > SPIKEBALL:
        problems.append("a tile value above %d" % SPIKEBALL)
    if len(cave_screens(c)) < MIN_SCREENS:
        problems.append("only %d screens hold cave" % len(cave_screens(c)))
    if c.count(LIGHTBOX) < MIN_BOXES:
        problems.append("only %d light boxes" % c.count(LIGHTBOX))
    return problems


def overview(c, path, scale):
    from PIL import Image
    x0, y0, x1, y1 = VIEW
    img = Image.new("RGB", ((x1 - x0) * scale, (y1 - y0) * scale))
    px = img.load()
    for y in range(y0, y1):
        for x in range(x0, x1):
            col = COLOURS.get(c.get(x, y), (255, 0, 0))
            for dy in range(scale):
                for dx in range(scale):
                    px[(x - x0) * scale + dx, (y - y0) * scale + dy] = col
    sx, sy = design.START
    for dy in range(scale):
        for dx in range(scale):
            px[(sx - x0) * scale + dx, (sy - y0) * scale + dy] = (255, 255, 255)
    img.save(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--png", help="write an overview picture of the played area")
    parser.add_argument("--scale", type=int, default=4, help="pixels per cell in the picture")
    parser.add_argument("--preview", nargs=3, metavar=("COLUMN", "ROW", "FILE"),
                        help="paint the 32 x 24 cells from COLUMN, ROW with the game's tiles")
    parser.add_argument("--robot", nargs=2, type=int, metavar=("COLUMN", "ROW"),
                        help="where the preview shows the robot (default: the start)")
    parser.add_argument("--light", action="store_true",
                        help="print the fewest reflectors each light box needs")
    parser.add_argument("--check-route", nargs="?", const=route.PERFECT, metavar="FILE",
                        help="play a route file through the rules model")
    parser.add_argument("--output", default=LEVEL_PATH)
    args = parser.parse_args()

    c = design.build()
    problems = check(c)
    if problems:
        for p in problems[:20]:
            print("make_level: " + p)
        return 1
    with open(args.output, "wb") as f:
        f.write(c.cells)
    print("make_level: wrote %s: %d screens of cave, %d light boxes, %d lamps, %d crates, "
          "%d spike balls" % (args.output, len(cave_screens(c)), c.count(LIGHTBOX), c.count(LAMP),
                              c.count(CRATE), c.count(SPIKEBALL)))
    if args.light:
        from level import light
        light.report(c)
    if args.png:
        overview(c, args.png, args.scale)
    if args.preview:
        from level import preview
        column, row, path = int(args.preview[0]), int(args.preview[1]), args.preview[2]
        robot = tuple(args.robot) if args.robot else design.START
        preview.render(c.cells, column, row, player=robot).save(path)
    if args.check_route:
        return route.play(c.cells, verbose=True, path=args.check_route)
    return 0


if __name__ == "__main__":
    sys.exit(main())
