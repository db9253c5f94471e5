#!/usr/bin/env python3
"""The title screen of the real game, under both drawers.

OpenGL: the real binary in an Xvfb server of the test's own, keys sent with xdotool,
screenshots taken with xwd. The rendered frame must be the title picture with the three
labels composited over it at (256, 448), (256, 512) and (256, 576), the selected label
tinted by (0.79, 0, 0) - within a few levels per channel, for the rounding of 8-bit
blending. Up, Down, Return, "x" and Escape are followed through to the screen they lead to
and to the exit status.

Software drawer: the test driver with --sdl under SDL's dummy video driver. That drawer
ignores tints, so its frame is the same composite with all labels white, and the
selection shows only in where Return, "z" and "x" lead.

The OpenGL title screenshot is written to the build folder as title_opengl.png (the
picture kept in docs/screenshots/title.png)."""

import os
import shutil
import struct
import subprocess
import tempfile
import sys
import time
import unittest

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUILD_DIR, GAME, SOURCE_DIR, drive, game_env, start_xvfb  # noqa: E402

IMAGES = os.path.join(SOURCE_DIR, "assets", "images")

LABELS = ["enterbutton.png", "editorbutton.png", "quitbutton.png"]
LABEL_X = 256
LABEL_Y = [448, 512, 576]
TINT = np.array([0.79, 0.0, 0.0])

# Largest difference of one channel allowed between a screenshot and its expectation:
# blending rounds to 8 bits once per layer.
TOLERANCE = 2
GAME_ARGS = ["--width", "1024", "--height", "768", "--nosound", "--nomusic"]


def picture(name):
    return np.asarray(Image.open(os.path.join(IMAGES, name)).convert("RGBA"), dtype=np.float64) / 255.0


def over(frame, image, x, y, tint=(1.0, 1.0, 1.0)):
    """Blends an RGBA picture over an RGB frame (floats 0..1) by the picture's alpha."""
    h, w = image.shape[:2]
    region = frame[y:y + h, x:x + w]
    alpha = image[:, :, 3:4]
    region[:] = image[:, :, :3] * np.array(tint) * alpha + region * (1.0 - alpha)


def expected_title(selected):
    """The title frame with `selected` tinted dark red; None tints nothing."""
    frame = np.zeros((768, 1024, 3))
    over(frame, picture("titlescreen.png"), 0, 0)
    for item, name in enumerate(LABELS):
        over(frame, picture(name), LABEL_X, LABEL_Y[item], TINT if item == selected else (1.0, 1.0, 1.0))
    return np.rint(frame * 255.0).astype(np.int16)


def expected_story():
    frame = np.zeros((768, 1024, 3))
    over(frame, picture("storyscreen.png"), 0, 0)
    return np.rint(frame * 255.0).astype(np.int16)


def difference(shot, expected):
    return int(np.abs(shot.astype(np.int16) - expected).max())


def read_xwd(path):
    """An X window dump (ZPixmap, 24 or 32 bits per pixel) as an RGB array."""
    with open(path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, _, _, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks = fields[14:17]
    colours = fields[19]
    if bits_per_pixel != 32:
        raise ValueError("xwd: %d bits per pixel" % bits_per_pixel)
    pixels = np.frombuffer(data, dtype="<u4" if byte_order == 0 else ">u4",
                           count=bytes_per_line // 4 * height, offset=header_size + colours * 12)
    pixels = pixels.reshape(height, bytes_per_line // 4)[:, :width]
    channels = []
    for mask in masks:
        shift = (mask & -mask).bit_length() - 1
        channels.append(((pixels & mask) >> shift).astype(np.uint8))
    return np.dstack(channels)


class TitleUnderOpenGL(unittest.TestCase):
    """The real game on Mesa's software OpenGL in a 1024 x 768 Xvfb screen."""

    @classmethod
    def setUpClass(cls):
        cls.server, cls.display = start_xvfb()

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait()

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="tarnwick-title-")
        self.env = game_env(self.home, display=self.display)
        self.game = None
        self.output = None

    def tearDown(self):
        if self.game and self.game.poll() is None:
            self.game.kill()
            self.game.wait()
        if self.output:
            self.output.close()
        shutil.rmtree(self.home, ignore_errors=True)

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, text=True,
                              timeout=30)

    def start_game(self):
        # A busy X server can turn a connection away for a moment; SDL then gives up at once.
        for _ in range(5):
            if self.output:
                self.output.close()
            self.output = tempfile.TemporaryFile()
            self.game = subprocess.Popen([GAME] + GAME_ARGS, env=self.env, cwd=self.home,
                                         stdout=self.output, stderr=subprocess.STDOUT)
            found = self.xdotool("search", "--sync", "--limit", "1", "--name", "^Tarnwick$")
            if found.returncode == 0 and found.stdout.strip():
                self.window = found.stdout.split()[0]
                self.xdotool("windowfocus", "--sync", self.window)
                return
            self.game.kill()
            self.game.wait()
            if "Could not initialise SDL" not in self.game_output():
                break
        self.fail("the game's window did not appear:\n" + self.game_output())

    def game_output(self):
        self.output.seek(0)
        return self.output.read().decode(errors="replace")

    def screenshot(self):
        path = os.path.join(self.home, "screen.xwd")
        subprocess.run(["xwd", "-root", "-silent", "-out", path], env=self.env, check=True, timeout=30)
        return read_xwd(path)

    def wait_for(self, expected, what, timeout=15.0):
        """Screenshots until one matches; returns it. Frames come every 30 ms, so the
        screen settles long before the timeout."""
        deadline = time.time() + timeout
        while True:
            shot = self.screenshot()
            if difference(shot, expected) <= TOLERANCE:
                return shot
            if time.time() > deadline:
                Image.fromarray(shot).save(os.path.join(BUILD_DIR, "title_opengl_failed.png"))
                self.fail("%s: the screen differs by up to %d levels (saved title_opengl_failed.png)\n%s"
                          % (what, difference(shot, expected), self.game_output()))
            time.sleep(0.1)

    def key(self, name):
        result = self.xdotool("key", name)
        self.assertEqual(0, result.returncode, result.stderr)

    def wait_for_exit(self):
        try:
            status = self.game.wait(timeout=15)
        except subprocess.TimeoutExpired:
            self.fail("the game did not end:\n" + self.game_output())
        self.assertEqual(0, status, self.game_output())

    def test_expectations_tell_the_selections_apart(self):
        # Otherwise the screenshots below could not show which item is highlighted.
        for a in range(3):
            for b in range(a + 1, 3):
                self.assertGreater(difference(expected_title(a).astype(np.uint8), expected_title(b)), 40)

    def test_menu_walks_wraps_and_escape_quits(self):
        self.start_game()
        shot = self.wait_for(expected_title(0), "first frame, Start highlighted")
        Image.fromarray(shot).save(os.path.join(BUILD_DIR, "title_opengl.png"))
        self.assertNotIn("software drawer", self.game_output())
        self.key("Down")
        self.wait_for(expected_title(1), "Down: Level Editor highlighted")
        self.key("Down")
        self.wait_for(expected_title(2), "Down again: Quit highlighted")
        self.key("Down")
        self.wait_for(expected_title(0), "Down on Quit wraps to Start")
        self.key("Up")
        self.wait_for(expected_title(2), "Up on Start wraps to Quit")
        self.key("Up")
        self.wait_for(expected_title(1), "Up: Level Editor")
        self.key("Escape")
        self.wait_for_exit()

    def test_return_starts_play_and_escape_comes_back_to_start(self):
        self.start_game()
        self.wait_for(expected_title(0), "title")
        self.key("Down")
        self.wait_for(expected_title(1), "Level Editor highlighted")
        self.key("Up")
        self.wait_for(expected_title(0), "Start highlighted again")
        self.key("Return")
        self.wait_for(expected_story(), "Return on Start shows the story picture of play")
        self.key("space")      # takes the story away
        self.key("Escape")     # back to the title
        self.wait_for(expected_title(0), "back from play, Start highlighted")
        self.key("Up")
        self.wait_for(expected_title(2), "Quit highlighted")
        self.key("Return")
        self.wait_for_exit()

    def test_editor_and_back_then_x_on_quit(self):
        self.start_game()
        self.wait_for(expected_title(0), "title")
        self.key("Down")
        self.wait_for(expected_title(1), "Level Editor highlighted")
        self.key("z")
        # The editor paints its own screen: neither the title nor the story any more.
        deadline = time.time() + 15
        while difference(self.screenshot(), expected_title(1)) <= 40:
            self.assertLess(time.time(), deadline, "z on Level Editor left the title on screen")
            time.sleep(0.1)
        self.key("Escape")
        self.wait_for(expected_title(0), "back from the editor, Start highlighted")
        self.key("Up")
        self.wait_for(expected_title(2), "Quit highlighted")
        self.key("x")
        self.wait_for_exit()


class TitleUnderTheSoftwareDrawer(unittest.TestCase):
    """The test driver with --sdl on SDL's dummy video driver."""

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="tarnwick-title-sdl-")

    def tearDown(self):
        shutil.rmtree(self.home, ignore_errors=True)

    def drive(self, script):
        return drive(self, script, self.home, args=["--sdl"] + GAME_ARGS[4:])

    def shot(self, name):
        return np.asarray(Image.open(os.path.join(self.home, name)).convert("RGB"))

    def test_frame_is_the_title_with_white_labels_whatever_is_selected(self):
        self.drive("frames 2\nexpect-state TitleScreen\nshot first.bmp\n"
                   "key down\nframes 1\nshot second.bmp\nquit\nframes 1\n")
        expected = expected_title(None)
        for name in ("first.bmp", "second.bmp"):
            shot = self.shot(name)
            self.assertEqual((768, 1024, 3), shot.shape)
            self.assertLessEqual(difference(shot, expected), TOLERANCE, name)
        Image.fromarray(self.shot("first.bmp")).save(os.path.join(BUILD_DIR, "title_sdl.png"))

    def test_return_on_start_plays_and_escape_comes_back(self):
        self.drive("frames 2\nkey return\nframes 1\nexpect-state GamePlay\n"
                   "key space\nkey escape\nframes 1\nexpect-state TitleScreen\n"
                   # a new title screen starts on Start again
                   "key return\nframes 1\nexpect-state GamePlay\nquit\nframes 1\n")

    def test_down_and_return_open_the_editor(self):
        self.drive("frames 2\nkey down\nkey return\nframes 1\nexpect-state LevelEditor\n"
                   "key escape\nframes 1\nexpect-state TitleScreen\nquit\nframes 1\n")

    def test_wrapping_decides_where_z_and_x_lead(self):
        # Down three times wraps back to Start; Up twice from Start lands on Level Editor.
        self.drive("frames 2\nkey down\nkey down\nkey down\nkey z\nframes 1\nexpect-state GamePlay\n"
                   "key space\nkey escape\nframes 1\nexpect-state TitleScreen\n"
                   "key up\nkey up\nkey x\nframes 1\nexpect-state LevelEditor\nquit\nframes 1\n")

    def test_other_keys_and_the_mouse_do_nothing(self):
        self.drive("frames 2\nkey left\nkey right\nkey space\nkey s\nkey c\n"
                   "mousedown 1 300 530\nmouseup 1 300 530\nmousemove 300 600\nframes 2\n"
                   "expect-state TitleScreen\nkey return\nframes 1\nexpect-state GamePlay\nquit\nframes 1\n")

    def test_quit_item_and_escape_end_the_loop(self):
        # Quit is chosen with Return on the third item, and Escape quits from any item;
        # a pass after either draws nothing more and the loop ends.
        self.drive("frames 2\nkey up\nkeydown return\nframes 1\nexpect-quit\n")
        self.drive("frames 2\nkey down\nkeydown escape\nframes 1\nexpect-quit\n")
        with self.assertRaises(AssertionError):
            self.drive("frames 2\nkey down\nframes 1\nexpect-quit\n")


if __name__ == "__main__":
    unittest.main()
