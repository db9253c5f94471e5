#!/usr/bin/env python3
"""Playing the real game under the SDL dummy video driver, through the test driver:
title, story, play (a reflector dropped, a few steps right, a jump), Escape, title. The
screenshots of the play field are checked against the game's own pictures. On the shipped
level, a jump pressed again in mid-air is followed frame by frame, and the level is won by
replaying the recorded routes of tests/game/routes/ as key events.

The level is made here: an earth floor in row 23, a lamp above the start (4, 22), a light
box left of the start and a second box nothing reaches, so that the reflector dropped at
the start lights one box of two."""

import os
import shutil
import sys
import tempfile
import unittest

import numpy
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUILD_DIR, BUNDLE, DRIVER, SOURCE_DIR, run_driver, start_xvfb  # noqa: E402

IMAGES = os.path.join(SOURCE_DIR, "assets", "images")
ROUTES = os.path.join(SOURCE_DIR, "tests", "game", "routes")
QUIET = ["--sdl", "--nosound", "--nomusic"]
FONTS = os.path.join(SOURCE_DIR, "assets", "fonts")
REFUSE_LIBRARY = os.path.join(BUILD_DIR, "lib", "libtarnwick_refuse_driver.so")

MAP_WIDTH = 1024
MAP_HEIGHT = 768
EARTH, LAMP, LIGHT_BOX, CRATE = 1, 4, 5, 7

SCRIPT = """\
frames 2
expect-state TitleScreen
key return
frames 1
expect-state GamePlay
shot story.bmp
# the first key only takes the story away
key space
frames 2
shot play1.bmp
key x
frames 2
shot play2.bmp
keydown right
frames 10
keyup right
frames 2
shot play3.bmp
keydown z
frames 8
shot play4.bmp
keyup z
frames 40
expect-state GamePlay
key escape
frames 2
expect-state TitleScreen
quit
"""


def make_level(path):
    cells = bytearray(MAP_WIDTH * MAP_HEIGHT)

    def put(column, row, value):
        cells[row * MAP_WIDTH + column] = value

    for column in range(0, 80):
        put(column, 23, EARTH)
    put(4, 12, LAMP)
    put(1, 22, LIGHT_BOX)
    put(60, 5, LIGHT_BOX)
    with open(path, "wb") as f:
        f.write(cells)


def picture(name):
    return Image.open(os.path.join(IMAGES, name)).convert("RGBA")


def glyph(char, size):
    """A glyph as the software drawer scales it: output column c takes source column
    int(c * 64 / size), likewise for rows."""
    names = {str(d): "font%d.png" % d for d in range(10)}
    source = Image.open(os.path.join(FONTS, names[char])).convert("RGBA")
    cell = int(size)
    step_x = source.width / cell
    step_y = source.height / cell
    scaled = Image.new("RGBA", (cell, cell))
    for r in range(cell):
        for c in range(cell):
            scaled.putpixel((c, r), source.getpixel((int(c * step_x), int(r * step_y))))
    return scaled


def match(shot, image, x, y, tolerance=12):
    """The share of the image's opaque pixels that the screenshot shows at (x, y)."""
    total = 0
    same = 0
    for py in range(image.height):
        for px in range(image.width):
            r, g, b, a = image.getpixel((px, py))
            sx, sy = x + px, y + py
            if a != 255 or not (0 <= sx < shot.width and 0 <= sy < shot.height):
                continue
            total += 1
            sr, sg, sb = shot.getpixel((sx, sy))[:3]
            if abs(sr - r) <= tolerance and abs(sg - g) <= tolerance and abs(sb - b) <= tolerance:
                same += 1
    return same / total if total else 0.0


def best_match(shot, image, xs, ys):
    best = (0.0, None, None)
    for y in ys:
        for x in xs:
            score = match(shot, image, x, y)
            if score > best[0]:
                best = (score, x, y)
    return best


class PlayTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.access(DRIVER, os.X_OK):
            raise RuntimeError("the test driver is not built: " + DRIVER)
        cls.folder = tempfile.mkdtemp(prefix="tarnwick-e2e-play-")
        os.makedirs(os.path.join(cls.folder, "home"))
        os.makedirs(os.path.join(cls.folder, "data", "Contents", "Resources"))
        make_level(os.path.join(cls.folder, "data", "Contents", "Resources", "level.lev"))
        cls.run_result = cls.run_driver(SCRIPT)
        cls.shots = {}
        for name in ("story", "play1", "play2", "play3", "play4"):
            path = os.path.join(cls.folder, name + ".bmp")
            if os.path.exists(path):
                cls.shots[name] = Image.open(path).convert("RGB")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, True)

    @classmethod
    def run_driver(cls, script_text):
        return run_driver(script_text, cls.folder, args=QUIET, home=os.path.join(cls.folder, "home"),
                          data=os.path.join(cls.folder, "data"))

    def shot(self, name):
        self.assertIn(name, self.shots, "no screenshot %s; driver said:\n%s" % (name, self.output()))
        return self.shots[name]

    def output(self):
        return self.run_result.stdout + self.run_result.stderr

    def test_the_script_runs_from_title_through_play_back_to_title(self):
        self.assertEqual(self.run_result.returncode, 0, self.output())

    def test_return_on_the_title_shows_the_story_picture(self):
        self.assertGreater(match(self.shot("story"), picture("storyscreen.png"), 0, 0), 0.95)

    def test_after_a_key_the_robot_stands_at_its_start(self):
        # Start (4, 22); the view stops at the left edge and is 10 rows down:
        # (4 * 32 - 16, 12 * 32 - 16).
        self.assertGreater(match(self.shot("play1"), picture("robot.png"), 112, 368), 0.9)

    def test_the_sky_shows_at_an_empty_spot_and_brightens_when_a_box_is_lit(self):
        # The software drawer fills the sky with its top colour: black with nothing lit,
        # (64, 64, 127) with one box of two lit.
        self.assertEqual(self.shot("play1").getpixel((800, 200)), (0, 0, 0))
        self.assertEqual(self.shot("play2").getpixel((800, 200)), (64, 64, 127))
        self.assertEqual(self.shot("play2").getpixel((600, 700)), (64, 64, 127))

    def test_the_counters_show_lives_lit_boxes_and_reflectors(self):
        before = self.shot("play1")
        self.assertGreater(match(before, glyph("3", 36), 60, 18), 0.9)
        self.assertGreater(match(before, glyph("0", 36), 535, 18), 0.9)
        self.assertGreater(match(before, glyph("1", 36), 920, 18), 0.9)
        self.assertGreater(match(before, glyph("0", 36), 956, 18), 0.9)
        after = self.shot("play2")
        self.assertGreater(match(after, glyph("1", 36), 535, 18), 0.9)
        self.assertGreater(match(after, glyph("9", 36), 920, 18), 0.9)

    def test_the_box_beside_the_start_turns_lit(self):
        unlit, lit = picture("lightbox.png"), picture("lightboxlit.png")
        before = self.shot("play1")
        self.assertGreater(match(before, unlit, 16, 368), 0.9)
        self.assertGreater(match(before, unlit, 16, 368), match(before, lit, 16, 368))
        after = self.shot("play2")
        self.assertGreater(match(after, lit, 16, 368), 0.9)
        self.assertGreater(match(after, lit, 16, 368), match(after, unlit, 16, 368))

    def test_walking_right_moves_the_robot_on_screen(self):
        # Ten steps of 0.1 cells: one cell, 32 pixels.
        score, x, y = best_match(self.shot("play3"), picture("robot.png"), range(136, 153), [368])
        self.assertGreater(score, 0.9)
        self.assertTrue(142 <= x <= 146, "robot found at x %d" % x)

    def test_jumping_moves_the_view_with_the_robot(self):
        shot = self.shot("play4")
        score, x, y = best_match(shot, picture("robot.png"), range(140, 149), [368])
        self.assertGreater(score, 0.9, "the robot stays on the screen's middle row")
        # Eight frames up the arc the robot is 3 sin(0.8) = 2.15 cells higher, so the
        # world, the lit box with it, is drawn about 69 pixels lower.
        score, x, y = best_match(shot, picture("lightboxlit.png"), [16], range(420, 456))
        self.assertGreater(score, 0.9)
        self.assertTrue(430 <= y <= 444, "box found at y %d" % y)

    def test_the_joystick_jumps_again_after_each_landing_and_its_stick_stops_in_the_centre(self):
        def frames(n):
            return "frames 1\nplayer\n" * n

        # Button 0 held through a whole arc and let go, twice; then pressed again in
        # the air, which waits for the landing; then the stick right and back.
        script = "frames 2\nkey return\nframes 1\nkey space\nframes 2\n"
        script += "joybuttondown 0\n" + frames(40) + "joybuttonup 0\n" + frames(5)
        script += "joybuttondown 0\n" + frames(40) + "joybuttonup 0\n" + frames(5)
        script += "joybuttondown 0\n" + frames(8) + "joybuttonup 0\n" + frames(2)
        script += "joybuttondown 0\n" + frames(1) + "joybuttonup 0\n" + frames(60)
        script += "joyaxis 0 32767\n" + frames(10) + "joyaxis 0 0\n" + frames(10)
        result = self.run_driver(script + "quit\nframes 1\n")
        output = result.stdout
        self.assertEqual(result.returncode, 0, output)
        places = [tuple(float(v) for v in line.split()[2:]) for line in output.splitlines()
                  if line.startswith("driver: player ")]
        self.assertEqual(len(places), 181, output)
        heights = [y for _, y in places]
        first, second, in_air, stick = heights[:45], heights[45:90], heights[90:161], places[161:]

        # Each arc rises about three cells and comes back to the floor.
        for arc, name in ((first, "first"), (second, "second")):
            self.assertLess(min(arc), 19.5, "the %s press gave no jump" % name)
            self.assertEqual(arc[-1], 22.0, "the %s jump did not land" % name)
        # Released in the air and pressed again: down to the floor, not hovering.
        self.assertLess(min(in_air[:8]), 20.5)
        self.assertEqual(in_air[-20:], [22.0] * 20, "the robot hovers after a press in the air")
        # Ten frames right move a cell; back in the centre the robot stands still.
        self.assertAlmostEqual(stick[9][0] - places[160][0], 1.0, places=3)
        self.assertEqual(len(set(x for x, _ in stick[10:])), 1, "the stick's return did not stop the robot")


REPLAY_SCRIPT = """\
frames 2
key return
frames 1
expect-state GamePlay
pacing off
replay {keys}
shot win.bmp
expect-state GamePlay
"""

# The counters take the top of the screen; below them the win picture's opaque pixels
# must show as they are.
HUD_HEIGHT = 120


def run_on_shipped_level(folder, script_text, display=None, more_env=()):
    """Runs a driver script on the installed level, with a home of its own in folder: with
    the software drawer under the SDL dummy video driver, or through OpenGL in the X server
    `display` when one is given."""
    home = os.path.join(folder, "home")
    os.makedirs(home)
    args = ["--nosound", "--nomusic", "-w", "1024", "-h", "768"] if display else QUIET
    return run_driver(script_text, folder, args=args, home=home, data=BUNDLE, display=display,
                      extra_env=more_env, timeout=500)


def shipped_level():
    with open(os.path.join(BUNDLE, "Contents", "Resources", "level.lev"), "rb") as f:
        return f.read()


def shipped_cell(cells, column, row):
    if 0 <= column < MAP_WIDTH and 0 <= row < MAP_HEIGHT:
        return cells[row * MAP_WIDTH + column]
    return EARTH


class MidAirJumpTest(unittest.TestCase):
    """Z released and pressed again in the air, and held: the arc starts on landing."""

    def play(self, events, frames):
        """Plays the shipped level from its start with events {frame: [driver lines]}, and
        returns the robot's place after every frame."""
        script = "frames 2\nkey return\nframes 1\nkey space\n"
        for frame in range(frames):
            script += "".join(line + "\n" for line in events.get(frame, []))
            script += "frames 1\nplayer\n"
        with tempfile.TemporaryDirectory(prefix="tarnwick-e2e-jump-") as folder:
            result = run_on_shipped_level(folder, script + "quit\nframes 1\n")
        output = result.stdout
        self.assertEqual(result.returncode, 0, output)
        places = [tuple(float(v) for v in line.split()[2:]) for line in output.splitlines()
                  if line.startswith("driver: player ")]
        self.assertEqual(len(places), frames, output)
        return places

    def check_places(self, places):
        cells = shipped_level()
        # Every jump here starts from the floor in row 23, where the robot stands at 22.
        ground = 22.0
        previous = ground
        for frame, (x, y) in enumerate(places):
            self.assertLessEqual(previous - y, 0.6, "frame %d rises from %.3f to %.3f" % (frame, previous, y))
            self.assertGreaterEqual(y, ground - 3.0 - 1e-3, "frame %d: the robot's top at %.3f" % (frame, y))
            # The level as shipped: a crate the robot comes to is taken and its cell opened.
            cell = shipped_cell(cells, int(x + 0.5), int(y))
            self.assertIn(cell, (0, 3, CRATE), "frame %d ends inside tile %d at (%.2f, %.3f)" % (frame, cell, x, y))
            previous = y

    def test_pressed_again_in_the_air_it_jumps_no_higher_and_never_into_rock(self):
        # Released and pressed again at the tops of the arcs measured from the press: there
        # the robot rose 9 cells in one frame, its top 12 cells above where it stood.
        at_the_tops = {0: ["keydown z"], 16: ["keyup z", "keydown z"], 48: ["keyup z", "keydown z"],
                       80: ["keyup z", "keydown z"]}
        # Pressed again falling past the hill's edge, then under its overhang at column 9:
        # there the arc measured from the press ended in the rock at (8.7, 17).
        under_the_hill = {0: ["keydown z"], 2: ["keydown right"], 16: ["keyup z", "keydown z"],
                          59: ["keyup z", "keydown z"], 73: ["keyup right"]}
        for name, events in (("at the tops", at_the_tops), ("under the hill", under_the_hill)):
            with self.subTest(name):
                places = self.play(events, 130)
                self.check_places(places)
                self.assertLess(min(y for _, y in places[60:]), 19.5, "no arc after a landing")
        self.assertNotIn(shipped_cell(shipped_level(), 9, 18), (0, 3), "the hill has no overhang at column 9")
        self.assertTrue(any(int(x + 0.5) == 9 for x, _ in places), "the robot never came under it")


class ReplayTest(unittest.TestCase):
    def test_the_recorded_routes_win_the_shipped_level_through_the_event_loop(self):
        win = picture("winscreen.png")
        below_hud = win.crop((0, HUD_HEIGHT, win.width, win.height))
        for name in ("perfect", "careless"):
            with self.subTest(route=name), tempfile.TemporaryDirectory(prefix="tarnwick-e2e-replay-") as folder:
                result = run_on_shipped_level(folder, REPLAY_SCRIPT.format(keys=os.path.join(ROUTES, name + ".keys")))
                output = result.stdout + result.stderr
                self.assertEqual(result.returncode, 0, output)
                shot = Image.open(os.path.join(folder, "win.bmp")).convert("RGB")
                self.assertGreater(match(shot, below_hud, 0, HUD_HEIGHT), 0.98, "the last frame shows no win picture")


# The robot in the shaft of sky at the level's left edge with a reflector beside it (sky,
# cave, earth, grass, crates, a lamp's glow, sprites and counters in one view); the
# editor's window view six rows down over the same spot.
REFUSAL_SCRIPTS = {
    "play": "frames 3\nkey return\nframes 1\nexpect-state GamePlay\nkey space\nplace 6 22\nreflector 7 22\nframes 20\n",
    "editor": "frames 3\nkey down\nkey return\nframes 2\nexpect-state LevelEditor\n" + "key down\n" * 6 + "frames 2\n",
}
# What the preloaded library refuses, and what it says when it does.
REFUSALS = {"framebuffers": "refuse: framebuffers after the first", "page1024": "refuse: empty 1024-wide textures"}


class RefusedDriverTest(unittest.TestCase):
    """Through Mesa's software OpenGL, with the driver refusing every framebuffer after the
    first (the layers' probe succeeds, every layer page after it fails) or the empty
    1024-wide texture (the atlas page, with GL_OUT_OF_MEMORY): the play field and the
    editor's window view are the frames drawn without the fault, up to the rounding of
    blending, and one line says the faster path is off. Each screen runs in a game of its
    own, so that its tile layers make the first framebuffer."""

    def run_screen(self, display, screen, refuse=None):
        more_env = {"LD_PRELOAD": REFUSE_LIBRARY, "TARNWICK_REFUSE": refuse} if refuse else {}
        with tempfile.TemporaryDirectory(prefix="tarnwick-e2e-refuse-") as folder:
            script = REFUSAL_SCRIPTS[screen] + "shot shot.bmp\nquit\nframes 1\n"
            result = run_on_shipped_level(folder, script, display, more_env)
            said = result.stdout.replace(folder, "")
            self.assertEqual(result.returncode, 0, said + result.stderr)
            shot = numpy.asarray(Image.open(os.path.join(folder, "shot.bmp")).convert("RGB"), dtype=numpy.int16)
        return said.splitlines(), result.stderr, shot

    def test_refused_framebuffers_and_atlas_page_leave_play_and_the_editor_unchanged(self):
        server, display = start_xvfb()
        self.addCleanup(server.wait)
        self.addCleanup(server.terminate)
        for screen in REFUSAL_SCRIPTS:
            normal_lines, _, normal = self.run_screen(display, screen)
            for refuse, refusal in REFUSALS.items():
                with self.subTest(screen=screen, refused=refuse):
                    lines, errors, shot = self.run_screen(display, screen, refuse)
                    self.assertIn(refusal, errors, "the driver refused nothing")
                    difference = numpy.abs(shot - normal).max(axis=2)
                    wrong = numpy.argwhere(difference > 3)
                    self.assertEqual(len(wrong), 0, "%d pixels differ, by up to %d, first at (x, y) %s"
                                     % (len(wrong), difference.max(), tuple(wrong[0][::-1]) if len(wrong) else ""))
                    new = [line for line in lines if line not in normal_lines]
                    self.assertEqual(len(new), 1, "not one line saying the faster path is off:\n" + "\n".join(new))


if __name__ == "__main__":
    unittest.main()
