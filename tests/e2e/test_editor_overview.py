#!/usr/bin/env python3
"""The level editor's overview in the real game, under the software drawer: the picture on
screen is worked out here from the shipped level and the tile pictures, and compared with
the game's frame, before and after cells are edited in the overview.

Under the software drawer the background is flat black, and a 64 x 64 tile drawn at
(column, row) at 1/32 is a 2 x 2 patch at (column, row) that takes the source pixels at
(0, 0), (32, 0), (0, 32) and (32, 32). The cave backgrounds, lamps and light boxes are
drawn first, then earth and grass, each pass in row order."""

import os
import shutil
import sys
import tempfile
import unittest

import numpy
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUNDLE, DRIVER, SOURCE_DIR, drive  # noqa: E402

SHIPPED_LEVEL = os.path.join(BUNDLE, "Contents", "Resources", "level.lev")
IMAGES = os.path.join(SOURCE_DIR, "assets", "images")

WIDTH, HEIGHT = 1024, 768
EARTH, GRASS, CAVE_BACK, LAMP, LIGHT_BOX, SPIKE_BALL_START = 1, 2, 3, 4, 5, 10
POINTER = (990, 730)   # where the pointer picture ends up: left out of the comparison

# Pass by pass, the pictures of each value in drawing order.
PASSES = [
    [(CAVE_BACK, "caveback"), (LIGHT_BOX, "caveback"), (LAMP, "lamp"), (LIGHT_BOX, "lightbox")],
    [(EARTH, "earthtile"), (GRASS, "grasstile")],
]

# Up to the rounding of the blitter's alpha blending.
TOLERANCE = 6


def samples(name):
    picture = numpy.asarray(Image.open(os.path.join(IMAGES, name + ".png")).convert("RGBA"), dtype=numpy.float64)
    return picture[0::32, 0::32] / 255.0   # 2 x 2 x RGBA


def expected_overview(level):
    """The overview of a level, as floats 0..255."""
    frame = numpy.zeros((HEIGHT, WIDTH, 3))
    pictures = {name: samples(name) for pass_pictures in PASSES for _, name in pass_pictures}
    for pass_pictures in PASSES:
        # A pixel is covered by the patches of up to four cells, met in row order: the cell
        # above-left (its bottom-right patch pixel), above, left, and its own.
        for dy, dx in [(1, 1), (1, 0), (0, 1), (0, 0)]:
            cells = numpy.full((HEIGHT, WIDTH), -1, dtype=numpy.int32)
            cells[dy:, dx:] = level[:HEIGHT - dy, :WIDTH - dx]
            for value, name in pass_pictures:
                mask = cells == value
                rgba = pictures[name][dy, dx]
                alpha = rgba[3]
                frame[mask] = rgba[:3] * 255.0 * alpha + frame[mask] * (1.0 - alpha)
    return frame


def step(value, button):
    if button == 1:
        return 0 if value == SPIKE_BALL_START else value + 1
    return SPIKE_BALL_START if value == 0 else value - 1


class EditorOverviewTest(unittest.TestCase):
    def setUp(self):
        for path in (DRIVER, SHIPPED_LEVEL, IMAGES):
            if not os.path.exists(path):
                self.fail("not found: " + path)
        with open(SHIPPED_LEVEL, "rb") as f:
            self.level = numpy.frombuffer(f.read(), dtype=numpy.uint8).reshape(HEIGHT, WIDTH).astype(numpy.int32)
        self.home = tempfile.mkdtemp(prefix="tarnwick-e2e-home-")
        self.addCleanup(shutil.rmtree, self.home, True)

    def shot(self, name):
        return numpy.asarray(Image.open(os.path.join(self.home, name)).convert("RGB"), dtype=numpy.float64)

    def assert_overview(self, shot, level, what):
        self.assertEqual(shot.shape, (HEIGHT, WIDTH, 3))
        difference = numpy.abs(shot - expected_overview(level)).max(axis=2)
        x, y = POINTER
        difference[y:y + 32, x:x + 32] = 0
        wrong = numpy.argwhere(difference > TOLERANCE)
        if len(wrong):
            row, column = wrong[0]
            self.fail("%s: %d pixels differ from the expected overview, first at (%d, %d) by %d"
                      % (what, len(wrong), column, row, difference[row, column]))

    def test_the_overview_shows_the_level_and_its_edits(self):
        script = "frames 2\nkey down\nkey return\nframes 1\nexpect-state LevelEditor\n"
        script += "mousemove %d %d\nkey z\nframes 2\nshot before.bmp\n" % POINTER

        level = self.level.copy()
        # Cells are those of the window view at column 0, row 0 (32 pixels a cell).
        for button, column, row in [(1, 3, 4), (3, 10, 2), (1, 31, 23), (1, 300 // 32, 200 // 32)]:
            x, y = column * 32 + 5, row * 32 + 5
            script += "mousedown %d %d %d\nmouseup %d %d %d\nframes 1\n" % (button, x, y, button, x, y)
            level[row, column] = step(level[row, column], button)
        script += "mousedown 1 645 325\nframes 1\n"
        painted = step(level[10, 20], 1)
        for column in range(20, 26):
            script += "mousemove %d 325\n" % (column * 32 + 5)
            level[10, column] = painted
        script += "mouseup 1 837 325\nmousemove %d %d\nframes 2\nshot after.bmp\nquit\nframes 1\n" % POINTER
        drive(self, script, self.home, args=["--sdl", "-w", "1024", "-h", "768", "-ns", "-nm"])

        self.assert_overview(self.shot("before.bmp"), self.level, "before the edits")
        after = self.shot("after.bmp")
        self.assert_overview(after, level, "after the edits")
        self.assertGreater(numpy.abs(after - self.shot("before.bmp")).max(), 40, "the edits did not show")


if __name__ == "__main__":
    unittest.main(verbosity=2)
