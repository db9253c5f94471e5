#!/usr/bin/env python3
"""Frames a second of the real game while the robot walks through a cave, under Xvfb,
with the OpenGL drawer (Mesa's llvmpipe here) and with the software drawer, in turns in
one run so that both see the same load on the machine.

    /usr/bin/python3 bench/play_frame_rate.py [BUILD_DIR] [ROUNDS]

The cave is the screen of the shipped level with the most cave cells, copied (with its
surroundings) over the start of a copy of the level, with a floor carved along the robot's
row; the robot holds the right arrow from the start, so the view scrolls through the cave. Each round runs the test driver twice per drawer,
once for a few frames and once for 200 more (about 6 seconds at the game's pace), and
takes the frame rate from the difference of the two wall-clock times, so that start-up
and loading cancel out. Prints each round and the medians, and OpenGL / software."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from gamerun import start_xvfb  # noqa: E402

SOURCE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
BUILD_DIR = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(SOURCE_DIR, "build"))
ROUNDS = int(sys.argv[2]) if len(sys.argv) > 2 else 3
DRIVER = os.path.join(BUILD_DIR, "bin", "tarnwick_driver")
LEVEL = os.path.join(BUILD_DIR, "share", "tarnwick", "Contents", "Resources", "level.lev")
MAP_WIDTH, MAP_HEIGHT, CAVE_BACK = 1024, 768, 3
WALK_FRAMES = 200


START_ROW = 22   # the robot's row at the start of a level


def fullest_cave(level):
    """The top-left cell of the 32 x 24 view (on an 8-cell grid) with the most cave cells."""
    best, where = -1, (0, 0)
    for top in range(0, MAP_HEIGHT - 24 + 1, 8):
        rows = [level[(top + r) * MAP_WIDTH:(top + r + 1) * MAP_WIDTH] for r in range(24)]
        for left in range(0, MAP_WIDTH - 32 + 1, 8):
            count = sum(row[left:left + 32].count(CAVE_BACK) for row in rows)
            if count > best:
                best, where = count, (left, top)
    return where


def cave_level(level, left, top):
    """The level with the cave's 96 x 40 cells from (left - 8, top - 8) over columns 0..95 and
    rows 4..43, and a walk along the start row over an earth floor."""
    cells = bytearray(level)
    left, top = min(max(left - 8, 0), MAP_WIDTH - 96), min(max(top - 8, 0), MAP_HEIGHT - 40)
    for r in range(40):
        source = (top + r) * MAP_WIDTH + left
        cells[(4 + r) * MAP_WIDTH:(4 + r) * MAP_WIDTH + 96] = level[source:source + 96]
    for column in range(96):
        cells[START_ROW * MAP_WIDTH + column] = CAVE_BACK
        cells[(START_ROW + 1) * MAP_WIDTH + column] = 1   # earth
    return bytes(cells)


def script(walk):
    return "\n".join([
        "frames 2", "key return", "frames 1", "key space", "frames 2", "keydown right", "frames 20",
    ] + (["frames %d" % WALK_FRAMES] if walk else []) + ["quit", ""])


def run(folder, env, arguments, text):
    path = os.path.join(folder, "walk.txt")
    with open(path, "w") as f:
        f.write(text)
    # A busy X server refuses connections for a moment now and then: try again.
    for attempt in range(20):
        start = time.monotonic()
        result = subprocess.run([DRIVER, path] + arguments, env=env, cwd=folder, stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=600)
        elapsed = time.monotonic() - start
        if b"Couldn't open X11 display" not in result.stdout:
            break
        time.sleep(0.5)
    if result.returncode != 0:
        raise RuntimeError("driver failed: " + (result.stdout + result.stderr).decode("utf-8", "replace"))
    return elapsed


def main():
    with open(LEVEL, "rb") as f:
        level = f.read()
    column, row = fullest_cave(level)
    folder = tempfile.mkdtemp(prefix="tarnwick-frame-rate-")
    resources = os.path.join(folder, "data", "Contents", "Resources")
    os.makedirs(resources)
    with open(os.path.join(resources, "level.lev"), "wb") as f:
        f.write(cave_level(level, column, row))
    xvfb, display = start_xvfb()
    try:
        env = dict(os.environ, DISPLAY=display, SDL_VIDEODRIVER="x11", SDL_AUDIODRIVER="dummy",
                   HOME=folder, TARNWICK_DATA_DIR=os.path.join(folder, "data"))
        common = ["--width", "1024", "--height", "768", "--nosound", "--nomusic"]
        drawers = {"opengl": common, "software": common + ["--sdl"]}
        rates = {name: [] for name in drawers}
        print("the cave at cell (%d, %d), %d frames of walking, 1024 x 768" % (column, row, WALK_FRAMES))
        for round_number in range(ROUNDS):
            for name, arguments in drawers.items():
                short = run(folder, env, arguments, script(False))
                full = run(folder, env, arguments, script(True))
                rates[name].append(WALK_FRAMES / max(full - short, 1e-3))
            print("round %d: opengl %.1f frames/s, software %.1f frames/s" %
                  (round_number + 1, rates["opengl"][-1], rates["software"][-1]))
        opengl, software = statistics.median(rates["opengl"]), statistics.median(rates["software"])
        print("median: opengl %.1f frames/s, software %.1f frames/s, opengl / software %.2f" %
              (opengl, software, opengl / software))
    finally:
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(folder, True)


if __name__ == "__main__":
    main()
