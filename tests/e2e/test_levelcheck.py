#!/usr/bin/env python3
"""tarnwick-levelcheck on the shipped level, on damaged copies of it and on small made-up
caves: each fault is named with its cell, and the exit status says winnable with a safe
start (0), faulty (1) or unreadable (2)."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUILD_DIR, SOURCE_DIR  # noqa: E402

CHECKER = os.path.join(BUILD_DIR, "bin", "tarnwick-levelcheck")
LEVEL = os.path.join(SOURCE_DIR, "resources", "level.lev")
WIDTH = 1024
EARTH, LAMP, LIGHT_BOX, CAVE_BACK, CRATE, SPIKES, LAVA, SPIKE_BALL = 1, 4, 5, 3, 7, 8, 9, 10


def check(path):
    run = subprocess.run([CHECKER, path], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    return run.returncode, run.stdout.decode()


def small_cave():
    """Solid rock with one room, columns 1-40 and rows 17-22 open, the start on its floor.
    The lamp in the west wall lights row 21; the box in the east wall sees row 20, so it
    needs two reflectors: one on row 21, one above it on row 20 (at the top of a jump)."""
    level = bytearray([EARTH]) * (WIDTH * 768)
    fill(level, range(1, 41), range(17, 23), CAVE_BACK)
    put(level, 0, 21, LAMP)
    put(level, 41, 20, LIGHT_BOX)
    return level


def put(level, column, row, value):
    level[row * WIDTH + column] = value


def fill(level, columns, rows, value):
    for row in rows:
        for column in columns:
            put(level, column, row, value)


def wall_in(level, column, row, value):
    """`value` at the cell, solid earth on its four sides."""
    put(level, column, row, value)
    for dc, dr in ((-1, 0), (1, 0), (0, -1), (0, 1)):
        put(level, column + dc, row + dr, EARTH)


class LevelCheckTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        with open(LEVEL, "rb") as f:
            self.shipped = bytearray(f.read())

    def tearDown(self):
        self.folder.cleanup()

    def check_copy(self, level):
        path = os.path.join(self.folder.name, "level.lev")
        with open(path, "wb") as f:
            f.write(level)
        return check(path)

    def test_damaged_copies_name_each_fault_and_fail(self):
        faults = {"truncated": (self.shipped[:500000], ["Size: 500,000 bytes, WRONG", "286,432 bytes short",
                                                         "from column 288, row 488 on empty"], []),
                  "one byte": (b"\x01", ["Size: 1 byte, WRONG", "786,431 bytes short"], [])}
        level = bytearray(self.shipped)
        put(level, 700, 600, 200)
        faults["byte 200"] = (level, ["column 700, row 600: byte 200 is not a tile", "  200 not a tile"], [])
        level = bytearray(self.shipped)
        wall_in(level, 900, 700, LIGHT_BOX)
        faults["walled-in box"] = (level, ["column 900, row 700: light box walled in"], [])
        level = bytearray(self.shipped)
        put(level, 4, 22, EARTH)
        wall_in(level, 950, 650, LAMP)
        wall_in(level, 960, 660, SPIKE_BALL)
        wall_in(level, 970, 660, SPIKE_BALL)
        put(level, 971, 660, SPIKE_BALL)  # a ball's start is cave once loaded: room to roll
        put(level, 972, 660, EARTH)
        wall_in(level, 980, 650, LIGHT_BOX)  # seen only past a crate: not walled in (but out of reach)
        put(level, 981, 650, CRATE)
        put(level, 982, 650, CAVE_BACK)
        faults["start, lamp, balls"] = (level, ["column 4, row 22: the robot starts here, but the cell holds Earth",
                                                "column 950, row 650: lamp walled in",
                                                "column 960, row 660: spike ball has no room"],
                                               ["column 970, row 660", "column 971, row 660: spike",
                                                "column 980, row 650: light box walled in"])
        for name, (level, expected, sound_cells) in faults.items():
            with self.subTest(name):
                status, report = self.check_copy(level)
                self.assertEqual(status, 1, report)
                for text in expected:
                    self.assertIn(text, report)
                self.assertNotIn("No problems found", report)
                problems = report.split("\nProblems:")[-1]
                for text in sound_cells:
                    self.assertNotIn(text, problems)

    def test_shipped_level_can_be_won(self):
        status, report = check(LEVEL)
        self.assertEqual(status, 0, report)
        self.assertIn("Size: 786,432 bytes, right", report)
        self.assertIn("No problems found", report)
        table = report.split("Light boxes and the reflectors they need:")[1].split("Reflectors:")[0]
        self.assertEqual(table.count("\n  column "), self.shipped.count(LIGHT_BOX), table)
        self.assertNotIn("cannot be lit", table)
        crates = self.shipped.count(CRATE)
        self.assertRegex(report, r"Reflectors: \d+ needed, %d to hand \(10 carried, 5 in each of %d crates reached\), "
                                 r"\d+ spare" % (10 + 5 * crates, crates))
        self.assertNotIn("one way only", report)

    def test_made_up_caves(self):
        """Each cave is the small one with one change; the texts are what must be said."""
        ok = small_cave()
        too_many = small_cave()
        for column in range(10, 34, 2):  # 12 boxes in the ceiling, each seen down its own column only
            put(too_many, column, 16, LIGHT_BOX)
        with_crate = bytearray(too_many)
        put(with_crate, 30, 22, CRATE)
        pocket = small_cave()
        fill(pocket, range(100, 111), range(50, 53), CAVE_BACK)
        put(pocket, 99, 51, LAMP)
        put(pocket, 111, 51, LIGHT_BOX)
        behind_spikes = small_cave()
        fill(behind_spikes, [30], range(17, 23), SPIKES)
        hazards = small_cave()
        put(hazards, 4, 21, SPIKES)
        put(hazards, 5, 22, LAVA)
        boxed_in = small_cave()
        put(boxed_in, 3, 22, EARTH)
        put(boxed_in, 5, 22, EARTH)
        put(boxed_in, 4, 21, EARTH)
        ball = small_cave()
        put(ball, 25, 22, SPIKE_BALL)
        pit = small_cave()  # a drop into a shaft with no way up again
        fill(pit, [38], range(23, 30), CAVE_BACK)
        # A box on row 16 is seen only from high up: from a ledge three rows over the floor
        # a jump gets there, from one four rows over (which no jump reaches) it does not.
        ledges = []
        for top in (20, 19):
            level = small_cave()
            fill(level, range(1, 41), range(14, 17), CAVE_BACK)
            put(level, 41, 20, EARTH)
            put(level, 41, 16, LIGHT_BOX)
            fill(level, range(20, 25), [top], EARTH)
            ledges.append(level)
        no_lamp = small_cave()
        put(no_lamp, 0, 21, EARTH)
        no_box = small_cave()
        put(no_box, 41, 20, EARTH)
        cases = {
            "sound": (ok, 0, ["column 41, row 20: 2", "2 needed, 10 to hand"]),
            "no lamps": (no_lamp, 1, ["the level has no lamp", "column 41, row 20: cannot be lit: no lamp in reach"]),
            "no boxes": (no_box, 1, ["the level has no light box"]),
            "too few reflectors": (too_many, 1, ["too few reflectors: lighting the boxes takes at least 12",
                                                  "only 10"]),
            "a crate makes enough": (with_crate, 0, ["15 to hand", "1 of 1"]),
            "sealed pocket": (pocket, 1, ["column 111, row 51: light box cannot be lit: unreachable"]),
            "behind spikes": (behind_spikes, 1, ["column 41, row 20: light box cannot be lit: unreachable"]),
            "hazards at the start": (hazards, 1, ["column 4, row 21: spikes over the start",
                                                  "column 5, row 22: lava beside the start"]),
            "boxed-in start": (boxed_in, 1, ["column 4, row 22: the robot cannot leave the start"]),
            "ball on the start row": (ball, 1, ["column 25, row 22: spike ball rolls through the start"]),
            "one-way pit": (pit, 0, ["Warnings: 1", "column 38, row 29: one way only"]),
            "ledge within a jump": (ledges[0], 0, ["column 41, row 16: 2"]),
            "ledge out of reach": (ledges[1], 1, ["column 41, row 16: light box cannot be lit: unreachable"]),
        }
        for name, (level, expected_status, expected) in cases.items():
            with self.subTest(name):
                status, report = self.check_copy(level)
                self.assertEqual(status, expected_status, report)
                for text in expected:
                    self.assertIn(text, report)

    def test_unreadable_file_exits_2(self):
        for path in (os.path.join(self.folder.name, "missing.lev"), self.folder.name):
            with self.subTest(path):
                status, report = check(path)
                self.assertEqual(status, 2, report)
                self.assertIn("cannot read the level", report)


if __name__ == "__main__":
    unittest.main()
