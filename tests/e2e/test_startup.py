#!/usr/bin/env python3
"""Start-up of the real game: the help text, the first run that writes the settings
file, and output that survives the process being killed.

Every run gets its own temporary HOME and the SDL dummy video driver, so no display is
needed and the real home is never touched."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import GAME, game_env  # noqa: E402

SETTINGS_FOLDER = os.path.join("Library", "Application Support", "Tarnwick")
DEFAULT_SETTINGS = "w 800\nh 600\na 0\nf 0\nns 0\nnm 0\nsdl 0\n"

HELP_LINES = [
    "",
    "Tarnwick",
    "",
    "Usage:",
    "Tarnwick -w [width] -h [height] -a [val] -f -ns -nm -s",
    "",
    "Flags:",
    "--width [val] | -w [val]:\tSet the width of the window.",
    "--height [val] | -h [val]:\tSet the height of the window.",
    "--antialias [val] | -a [val]:\tSets the antialiasing level (2, 4, or 6).",
    "--fullscreen | -f:\t\tSets whether to go fullscreen or not.",
    "--nosound | -ns:\t\tSwitches off the sound output.",
    "--nomusic | -nm:\t\tSwitches off the background music.",
    "--sdl | -s:\t\tSwitches to the SDL drawing backend in favour of the OpenGL one.",
    "--help:\t\t\t\tDisplay this help.",
]


def help_output(stdout):
    """The run's output after the music's one line: the music is opened before the
    arguments are looked at, so "vorbisfile: Loaded file: ..." (or its complaint when
    there is no music.ogg) comes first, and exactly one such line."""
    lines = stdout.decode().split("\n")
    if lines and lines[0].startswith("vorbisfile: "):
        lines.pop(0)
    return "\n".join(lines)


def wait_for(predicate, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return predicate()


class StartupTest(unittest.TestCase):
    def setUp(self):
        if not os.access(GAME, os.X_OK):
            self.fail("the game is not built: " + GAME)
        self.home = tempfile.mkdtemp(prefix="tarnwick-e2e-home-")
        self.addCleanup(shutil.rmtree, self.home, True)
        self.folder = os.path.join(self.home, SETTINGS_FOLDER)
        self.settings = os.path.join(self.folder, "Tarnwick.conf")

    def start_game(self, args=()):
        return subprocess.Popen([GAME] + list(args), env=game_env(self.home), cwd=self.home,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)

    def end_game(self, game, sig):
        """Waits ~2 s of running, sends sig, and returns (status, stdout text)."""
        self.assertTrue(wait_for(lambda: os.path.exists(self.settings) or game.poll() is not None, 30),
                        "the settings file never appeared")
        time.sleep(2)
        self.assertIsNone(game.poll(), "the game ended on its own")
        game.send_signal(sig)
        try:
            out, _ = game.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            game.kill()
            out, _ = game.communicate()
            self.fail("the game did not end within 30 s of the signal")
        return game.returncode, out.decode("utf-8", "replace")

    def test_help_prints_the_help_text_and_two_empty_lines(self):
        os.makedirs(self.folder)
        with open(self.settings, "w") as f:
            f.write("w 1024\nh 768\na 0\nf 0\nns 0\nnm 0\nsdl 1\n")
        result = subprocess.run([GAME, "--help"], env=game_env(self.home), cwd=self.home,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(help_output(result.stdout), "\n".join(HELP_LINES) + "\n" + "\n\n")
        with open(self.settings) as f:
            self.assertEqual(f.read(), "w 1024\nh 768\na 0\nf 0\nns 0\nnm 0\nsdl 1\n",
                             "the settings file was rewritten")

    def test_help_after_other_options_reads_nothing_else(self):
        os.makedirs(self.folder)
        with open(self.settings, "w") as f:
            f.write(DEFAULT_SETTINGS)
        result = subprocess.run([GAME, "-w", "640", "--help"], env=game_env(self.home), cwd=self.home,
                                stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0)
        self.assertEqual(help_output(result.stdout), "\n".join(HELP_LINES) + "\n" + "\n\n")

    def test_first_run_writes_the_default_settings_file(self):
        self.assertFalse(os.path.exists(os.path.join(self.home, "Library")))
        status, out = self.end_game(self.start_game(), signal.SIGTERM)

        with open(self.settings) as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)
        self.assertEqual(out.splitlines().count("Created directory " + self.folder), 1, out)
        self.assertEqual(sum("Created directory" in line for line in out.splitlines()), 1, out)
        # No arguments: the file decides, so neither command-line default message appears.
        self.assertNotIn("Using default width", out)
        self.assertNotIn("Using default height", out)
        self.assertEqual(status, 0, "a terminated run still ends with status 0\n" + out)

    def test_killed_run_keeps_every_line_complete(self):
        # A kill leaves no chance to flush at exit, so only lines flushed as they were
        # written reach the pipe.
        status, out = self.end_game(self.start_game(), signal.SIGKILL)
        self.assertEqual(status, -signal.SIGKILL)
        self.assertIn("Created directory " + self.folder + "\n", out)
        self.assertTrue(out.endswith("\n"), "the last line was cut: " + repr(out[-80:]))

    def test_second_run_is_silent_about_the_folder(self):
        os.makedirs(self.folder)
        with open(self.settings, "w") as f:
            f.write(DEFAULT_SETTINGS)
        status, out = self.end_game(self.start_game(), signal.SIGTERM)
        self.assertNotIn("Created directory", out)
        self.assertNotIn("Could not create", out)
        with open(self.settings) as f:
            self.assertEqual(f.read(), DEFAULT_SETTINGS)


if __name__ == "__main__":
    unittest.main(verbosity=2)
