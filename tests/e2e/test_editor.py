#!/usr/bin/env python3
"""The level editor in the real game: entered from the title screen, cells edited with
injected mouse events, saved with left Control-S into the working folder, left with Escape.

Every run uses the test driver under the SDL dummy video driver with the software drawer,
its own temporary HOME and its own temporary working folder (where "level.lev" is saved)."""

import os
import pathlib
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUILD_DIR, BUNDLE, DRIVER, drive, game_env, start_xvfb  # noqa: E402

SHIPPED_LEVEL = os.path.join(BUNDLE, "Contents", "Resources", "level.lev")
PAUSE_LIBRARY = os.path.join(BUILD_DIR, "lib", "libtarnwick_save_pause.so")

MAP_WIDTH = 1024
MAP_HEIGHT = 768
LEFT, MIDDLE, RIGHT = 1, 2, 3
EMPTY, SPIKE_BALL_START = 0, 10
# The level maker and another user of the same machine.
MAKER, OTHER = 64101, 64102
REFUSED = "Could not save level.lev: it leads through another user's link in a folder others may write\n"

ENTER_EDITOR = """
frames 2
expect-state TitleScreen
key down
key return
frames 1
expect-state LevelEditor
"""

SAVE = """
keydown s 64
keyup s 64
frames 1
"""

LEAVE_EDITOR = """
key escape
frames 1
expect-state TitleScreen
quit
frames 1
"""


def step(value, button):
    """A click's new value: left steps forward, every other button backward."""
    if button == LEFT:
        return EMPTY if value == SPIKE_BALL_START else value + 1
    return SPIKE_BALL_START if value == EMPTY else value - 1


def click(button, x, y):
    return "mousedown %d %d %d\nmouseup %d %d %d\nframes 1\n" % (button, x, y, button, x, y)


def read(path):
    return pathlib.Path(path).read_bytes()


def as_from_a_terminal():
    """A hang-up and SIGQUIT end the program unless it catches them, whatever this test inherited."""
    signal.signal(signal.SIGHUP, signal.SIG_DFL)
    signal.signal(signal.SIGQUIT, signal.SIG_DFL)


def scroll(key, times):
    """Key presses in batches that fit SDL's event queue, each batch handled in one pass."""
    lines = []
    for start in range(0, times, 50):
        for _ in range(min(50, times - start)):
            lines.append("keydown %s" % key)
        lines.append("frames 1")
    return "\n".join(lines) + "\n"


class EditorTest(unittest.TestCase):
    def setUp(self):
        for path in (DRIVER, SHIPPED_LEVEL):
            if not os.path.exists(path):
                self.fail("not built: " + path)
        with open(SHIPPED_LEVEL, "rb") as f:
            self.shipped = bytearray(f.read())
        self.assertEqual(len(self.shipped), MAP_WIDTH * MAP_HEIGHT)
        self.home = tempfile.mkdtemp(prefix="tarnwick-e2e-home-")
        self.addCleanup(shutil.rmtree, self.home, True)
        self.work = tempfile.mkdtemp(prefix="tarnwick-e2e-work-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.saved = os.path.join(self.work, "level.lev")

    def run_script(self, script, args=("--sdl", "-w", "1024", "-h", "768"), display=None):
        """Under the SDL dummy driver, or in the X server `display` when one is given."""
        return drive(self, script, self.home, args=["-ns", "-nm"] + list(args), display=display, cwd=self.work)

    def read_saved(self):
        self.assertTrue(os.path.isfile(self.saved), "level.lev was not saved")
        with open(self.saved, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), MAP_WIDTH * MAP_HEIGHT)
        return bytearray(data)

    def assert_level(self, saved, expected):
        changed = [i for i in range(len(expected)) if saved[i] != expected[i]]
        self.assertEqual(changed, [], "cells differ from what was expected, first at column %s row %s"
                         % ((changed[0] % MAP_WIDTH, changed[0] // MAP_WIDTH) if changed else ("-", "-")))

    def test_clicks_and_a_drag_are_saved_with_left_control_s(self):
        expected = bytearray(self.shipped)

        def cell(column, row):
            return row * MAP_WIDTH + column

        script = ENTER_EDITOR
        # Window pixels are logical pixels in a 1024 x 768 window: a cell is 32 x 32.
        for button, column, row in [(LEFT, 3, 4), (RIGHT, 10, 2), (MIDDLE, 31, 23), (LEFT, 3, 4)]:
            script += click(button, column * 32 + 5, row * 32 + 5)
            expected[cell(column, row)] = step(expected[cell(column, row)], button)

        # A drag from (20, 10) to (23, 11) paints the clicked cell's new value.
        script += "mousedown 1 645 325\nframes 1\n"
        painted = step(expected[cell(20, 10)], LEFT)
        for column, row in [(20, 10), (21, 10), (22, 10), (23, 10), (23, 11)]:
            script += "mousemove %d %d\n" % (column * 32 + 5, row * 32 + 5)
            expected[cell(column, row)] = painted
        script += "frames 1\nmouseup 1 741 357\nframes 1\n"
        # Moving without a button changes nothing.
        script += "mousemove 100 600\nmousemove 400 700\nframes 1\n"

        # Scrolled two columns right and one row down, the view's top-left cell is (2, 1).
        script += "key right\nkey right\nkey down\n"
        script += click(LEFT, 5, 5)
        expected[cell(2, 1)] = step(expected[cell(2, 1)], LEFT)

        # The overview edits the cells the window view would show under the pointer.
        script += "key z\nframes 2\n"
        script += click(LEFT, 64 + 5, 5)
        expected[cell(4, 1)] = step(expected[cell(4, 1)], LEFT)
        script += "key z\nframes 1\n"

        out = self.run_script(script + SAVE + LEAVE_EDITOR)
        self.assertNotIn("Could not save", out)
        saved = self.read_saved()
        self.assertNotEqual(saved, self.shipped, "no edit reached the file")
        self.assert_level(saved, expected)

    def test_control_s_with_caps_lock_or_right_control_does_not_save(self):
        script = ENTER_EDITOR + click(LEFT, 5, 5)
        script += "keydown s 8256\nkeyup s 8256\nframes 1\n"   # left Control and Caps Lock
        script += "keydown s 128\nkeyup s 128\nframes 1\n"     # right Control
        script += "keydown s 0\nkeyup s 0\nframes 1\n"
        self.run_script(script + LEAVE_EDITOR)
        self.assertFalse(os.path.exists(self.saved))

    def test_escape_leaves_without_saving_and_the_editor_starts_again_from_the_installed_level(self):
        script = ENTER_EDITOR + click(LEFT, 5, 5) + "key escape\nframes 1\nexpect-state TitleScreen\n"
        script += "key down\nkey return\nframes 1\nexpect-state LevelEditor\n" + SAVE + LEAVE_EDITOR
        self.run_script(script)
        self.assert_level(self.read_saved(), self.shipped)

    def test_a_click_at_the_pictures_centre_edits_the_cell_under_it_at_every_window_size(self):
        # The view starts at column 0, row 0: the centre of the picture is cell (16, 12).
        centre = 12 * MAP_WIDTH + 16
        expected = bytearray(self.shipped)
        expected[centre] = step(expected[centre], LEFT)
        server, display = start_xvfb("1280x1024x24")
        self.addCleanup(server.wait)
        self.addCleanup(server.terminate)
        # (window size asked for, X display or None for the dummy driver, drawer option,
        #  the picture's centre in the window, clicks that land in a band)
        runs = [
            ((800, 600), None, ["--sdl"], (512, 384), []),       # the window is 1024 x 768 anyway
            ((800, 600), None, [], (512, 384), []),              # no OpenGL: the software drawer
            ((800, 600), display, [], (400, 300), []),
            ((1280, 800), display, [], (639, 400), [(50, 400), (1230, 400)]),
        ]
        for (width, height), where, drawer, (x, y), band in runs:
            with self.subTest(size=(width, height), display=where, drawer=drawer):
                script = ENTER_EDITOR + click(LEFT, x, y)
                for bx, by in band:
                    script += click(LEFT, bx, by)
                out = self.run_script(script + SAVE + LEAVE_EDITOR,
                                      args=drawer + ["-w", str(width), "-h", str(height)], display=where)
                if where:
                    self.assertNotIn("using the software drawer", out)
                self.assert_level(self.read_saved(), expected)
                os.remove(self.saved)

    def test_a_save_that_fails_says_why_and_keeps_what_was_there(self):
        os.mkdir(self.saved)
        with open(os.path.join(self.saved, "keep"), "w") as f:
            f.write("x")
        out = self.run_script(ENTER_EDITOR + click(LEFT, 5, 5) + SAVE + LEAVE_EDITOR)
        self.assertIn("Could not save level.lev: Is a directory\n", out)
        self.assertTrue(os.path.isfile(os.path.join(self.saved, "keep")))
        self.assertEqual(sorted(os.listdir(self.work)), ["level.lev"], "a temporary file was left behind")


@unittest.skipUnless(os.geteuid() == 0, "runs the editor as one user beside another")
class SharedFolderTest(unittest.TestCase):
    """The level maker edits in a sticky folder anyone may write (as /tmp), where another
    user can put files and links of their own. The game refuses a planted link by its own
    rule, whether or not the kernel's fs.protected_symlinks is on."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="tarnwick-e2e-shared-")
        self.addCleanup(shutil.rmtree, self.root, True)
        os.chmod(self.root, 0o755)
        self.home = self.make_folder("home", MAKER, 0o700)
        self.shared = self.make_folder("shared", 0, 0o1777)
        self.level = os.path.join(self.shared, "level.lev")

    def make_folder(self, name, owner, mode):
        path = os.path.join(self.root, name)
        os.mkdir(path)
        os.chown(path, owner, owner)
        os.chmod(path, mode)
        return path

    def put(self, path, data, owner, mode):
        pathlib.Path(path).write_bytes(data)
        os.chown(path, owner, owner)
        os.chmod(path, mode)   # after chown, which clears set-user-id

    def link_level(self, target, owner):
        if os.path.lexists(self.level):
            os.remove(self.level)
        os.symlink(target, self.level)
        os.lchown(self.level, owner, owner)

    def start(self, script, preload=None):
        env = game_env(self.home)
        if preload:
            env["LD_PRELOAD"] = preload
        command = ["setpriv", "--reuid=%d" % MAKER, "--regid=%d" % MAKER, "--clear-groups",
                   DRIVER, script, "-ns", "-nm", "--sdl"]
        return subprocess.Popen(command, env=env, cwd=self.shared, bufsize=0, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, preexec_fn=as_from_a_terminal)

    def read_until(self, game, start):
        """The game's output up to and with the first line that begins with `start`."""
        lines = []
        while not lines or not lines[-1].startswith(start):
            line = game.stdout.readline().decode("utf-8", "replace")
            self.assertTrue(line, "the game ended before %r:\n%s" % (start, "".join(lines)))
            lines.append(line)
        return "".join(lines), lines[-1]

    def finish(self, game):
        out = game.communicate(timeout=120)[0].decode("utf-8", "replace")
        self.assertEqual(game.returncode, 0, out)
        return out

    def test_a_link_swapped_in_while_the_editor_is_open_is_refused_and_the_makers_own_link_is_followed(self):
        theirs = bytes([SPIKE_BALL_START]) * (MAP_WIDTH * MAP_HEIGHT)
        self.put(self.level, theirs, OTHER, 0o644)
        bashrc = os.path.join(self.home, ".bashrc")
        self.put(bashrc, b"echo hello\n", MAKER, 0o600)
        levels = self.make_folder("home/levels", MAKER, 0o700)
        mine = os.path.join(levels, "mine.lev")
        self.put(mine, bytes(MAP_WIDTH * MAP_HEIGHT), MAKER, 0o600)
        self.put(os.path.join(levels, ".level.lev.Ab12Cd"), b"cut short", MAKER, 0o600)
        self.put(os.path.join(levels, ".level.lev.Zz9Yy8"), b"not mine", OTHER, 0o600)
        script = os.path.join(self.root, "script")
        os.mkfifo(script)
        os.chmod(script, 0o644)
        feed = os.open(script, os.O_RDWR)   # never waits for the reader
        game = self.start(script)
        try:
            os.write(feed, (ENTER_EDITOR + "say open\n").encode())
            self.assertIn("LevelEditor: opened level.lev", self.read_until(game, "driver: open")[0])
            self.link_level(bashrc, OTHER)
            os.write(feed, (click(LEFT, 5, 5) + SAVE + "say saved\n").encode())
            self.assertIn(REFUSED, self.read_until(game, "driver: saved")[0])
            self.link_level(mine, MAKER)
            os.write(feed, (SAVE + LEAVE_EDITOR).encode())
        finally:
            os.close(feed)
        self.finish(game)
        self.assertEqual(read(bashrc), b"echo hello\n")
        self.assertEqual(bytes([step(theirs[0], LEFT)]) + theirs[1:], read(mine))
        self.assertEqual(stat.S_IMODE(os.stat(mine).st_mode), 0o600)
        self.assertEqual(os.readlink(self.level), mine)
        self.assertEqual(sorted(os.listdir(levels)), [".level.lev.Zz9Yy8", "mine.lev"])

    def test_a_followed_link_leaves_no_set_user_id_file_and_a_temporary_name_swapped_mid_save_gains_nothing(self):
        anyones = self.make_folder("anyones", 0, 0o777)
        planted = os.path.join(anyones, "planted")
        self.put(planted, b"", OTHER, 0o4755)
        secret = os.path.join(self.home, "secret")
        self.put(secret, b"private\n", MAKER, 0o600)
        self.link_level(planted, MAKER)
        script = os.path.join(self.root, "script")
        with open(script, "w") as f:
            f.write(ENTER_EDITOR + (click(LEFT, 5, 5) + SAVE) * 3 + LEAVE_EDITOR)
        game = self.start(script, preload=PAUSE_LIBRARY)
        # A hang-up in the middle of the first save waits for the save to end.
        self.read_until(game, "pause: created")
        game.send_signal(signal.SIGHUP)
        game.stdin.write(b"\n")
        # In the second, the other user swaps the temporary name for a link to a private file.
        temporary = os.path.join(anyones, self.read_until(game, "pause: created")[1].split()[-1])
        os.rename(temporary, os.path.join(anyones, "taken"))
        os.symlink(secret, temporary)
        os.lchown(temporary, OTHER, OTHER)
        game.send_signal(signal.SIGQUIT)
        game.stdin.write(b"\n")
        # In the third, the saved file is swapped for another file of the other user's.
        said = self.read_until(game, "pause: created")[0]
        first_save = read(planted)
        os.rename(planted, os.path.join(anyones, "saved"))
        self.put(planted, b"theirs", OTHER, 0o644)
        game.stdin.write(b"\n")
        said += self.finish(game)
        self.assertEqual(said.count("Could not save level.lev: it changed while it was being saved\n"), 2, said)
        self.assertEqual(read(planted), b"theirs")
        saved = os.path.join(anyones, "saved")
        info = os.stat(saved)
        self.assertEqual((info.st_uid, stat.S_IMODE(info.st_mode)), (MAKER, 0o644))
        self.assertEqual(first_save[:2], bytes([step(EMPTY, LEFT), EMPTY]))
        self.assertEqual(stat.S_IMODE(os.stat(secret).st_mode), 0o600)


if __name__ == "__main__":
    unittest.main(verbosity=2)
