#!/usr/bin/env python3
"""Damaged and hostile input in the real game: each case feeds the game a file or a stream
it must survive, and checks the line it prints, that the game goes on to the end of its
script, and that nothing of the user's is lost.

Runs the test driver under the SDL dummy video driver with its own HOME, working folder
and data folder. The unreadable-file cases need a user the file's mode shuts out: as root
(who reads mode 0200 files anyway) the game is run as "nobody" through setpriv.
The oversized PNG cannot reach the game from outside (every picture is compiled in); its
refusal is checked through ImageLoader in the unit tests."""

import os
import resource
import shutil
import stat
import struct
import subprocess
import tempfile
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUNDLE, DRIVER, GAME, drive, game_env  # noqa: E402

MAP_BYTES = 1024 * 768
NOBODY = 65534

TITLE_TO_PLAY = "frames 2\nexpect-state TitleScreen\nkey return\nframes 1\nexpect-state GamePlay\n"
TITLE_TO_EDITOR = "frames 2\nexpect-state TitleScreen\nkey down\nkey return\nframes 1\nexpect-state LevelEditor\n"
LEAVE = "key escape\nframes 1\nexpect-state TitleScreen\n"
SAVE = "keydown s 64\nkeyup s 64\nframes 1\n"
END = "quit\nframes 1\n"
JUMP = "key space\nframes 30\nkeydown z\nframes 30\nkeyup z\nframes 1\n"


def click(x, y):
    return "mousedown 1 %d %d\nmouseup 1 %d %d\nframes 1\n" % (x, y, x, y)


def ogg_crc(page):
    crc = 0
    for byte in page:
        crc ^= byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
            crc &= 0xFFFFFFFF
    return crc


def forge_length(ogg, samples):
    """The same Ogg file with its last page claiming `samples` samples, its checksum mended."""
    data = bytearray(ogg)
    last = data.rfind(b"OggS")
    segments = data[last + 26]
    end = last + 27 + segments + sum(data[last + 27:last + 27 + segments])
    data[last + 6:last + 14] = struct.pack("<q", samples)
    data[last + 22:last + 26] = b"\0\0\0\0"
    data[last + 22:last + 26] = struct.pack("<I", ogg_crc(data[last:end]))
    return bytes(data)


class DamagedInputTest(unittest.TestCase):
    def setUp(self):
        for path in (DRIVER, GAME, BUNDLE):
            if not os.path.exists(path):
                self.fail("not built: " + path)
        self.root = tempfile.mkdtemp(prefix="tarnwick-e2e-damaged-")
        self.addCleanup(shutil.rmtree, self.root, True)
        self.home = os.path.join(self.root, "home")
        self.work = os.path.join(self.root, "work")
        self.data = os.path.join(self.root, "data")
        os.mkdir(self.home)
        os.mkdir(self.work)
        shutil.copytree(BUNDLE, self.data)
        self.resources = os.path.join(self.data, "Contents", "Resources")
        with open(os.path.join(self.resources, "level.lev"), "rb") as f:
            self.shipped = f.read()

    def run_game(self, script, args=("-ns", "-nm"), as_nobody=False, memory_limit=None):
        prefix = []
        if as_nobody and os.geteuid() == 0:
            for path in (self.root, self.home, self.work):
                os.chmod(path, 0o777)
            prefix = ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]
        limit = None
        if memory_limit:
            limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))
        out = drive(self, script + END, self.root, args=["--sdl"] + list(args), home=self.home, data=self.data,
                    cwd=self.work, prefix=prefix, timeout=120, preexec_fn=limit)
        self.assertIn("driver: script finished", out)
        return out

    def write(self, path, data, mode=0o644):
        with open(path, "wb") as f:
            f.write(data)
        os.chmod(path, mode)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    # ---- sound ----------------------------------------------------------------------------

    def test_an_effect_claiming_four_billion_samples_loads_at_its_real_length(self):
        path = os.path.join(self.resources, "sounds", "Lightbox.ogg")
        self.write(path, forge_length(self.read(path), 4026531840))
        # A jump requests a sound, which loads all six effects. Held to 2 GB of address
        # space, as overcommitted memory would let an array of the claimed length be made.
        out = self.run_game(TITLE_TO_PLAY + JUMP, memory_limit=2 << 30)
        self.assertIn("vorbisfile: Loaded file: " + path, out)

    def test_pipes_for_the_music_and_an_effect_are_missing_sounds(self):
        sounds = os.path.join(self.resources, "sounds")
        for name in ("music.ogg", "Jump.ogg"):
            os.remove(os.path.join(sounds, name))
            os.mkfifo(os.path.join(sounds, name))
        out = self.run_game(TITLE_TO_PLAY + JUMP, args=("-ns",))
        for name in ("music.ogg", "Jump.ogg"):
            self.assertIn("vorbisfile: fopen could not open file: " + os.path.join(sounds, name), out)
        self.assertIn("vorbisfile: Loaded file: " + os.path.join(sounds, "Drop.ogg"), out)

    # ---- the level file -------------------------------------------------------------------

    def test_a_map_full_of_spike_balls_plays_and_a_one_byte_level_says_it_is_short(self):
        level = os.path.join(self.resources, "level.lev")
        self.write(level, bytes([10]) * MAP_BYTES)
        # One shared picture: far below the gigabytes of a picture per ball (which, held
        # to 2 GB, fail one by one and leave the game crawling at that size).
        self.run_game(TITLE_TO_PLAY + "key space\nframes 20\n", memory_limit=2 << 30)
        peak_kb = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
        self.assertLess(peak_kb, 512 * 1024, "peak resident memory %d kB" % peak_kb)

        self.write(level, bytes([10]))
        out = self.run_game(TITLE_TO_PLAY + "key space\nframes 20\n")
        self.assertIn("Level file %s is short: 1 of %d bytes, the rest of the map is empty" % (level, MAP_BYTES), out)

    def test_edits_saved_leaving_and_returning_are_both_kept(self):
        saved = os.path.join(self.work, "level.lev")
        out = self.run_game(TITLE_TO_EDITOR + click(5, 5) + SAVE + LEAVE +
                            "key down\nkey return\nframes 1\nexpect-state LevelEditor\n" + click(37, 5) + SAVE + LEAVE)
        self.assertIn("LevelEditor: opened " + os.path.join(self.resources, "level.lev"), out)
        self.assertIn("LevelEditor: opened level.lev", out)
        level = self.read(saved)
        self.assertEqual(level[0], (self.shipped[0] + 1) % 11)
        self.assertEqual(level[1], (self.shipped[1] + 1) % 11)
        self.assertEqual(level[2:], self.shipped[2:])

    def test_an_unreadable_level_is_reported_and_never_saved_over(self):
        saved = os.path.join(self.work, "level.lev")
        mine = bytes([1]) * MAP_BYTES
        self.write(saved, mine, 0o200)
        out = self.run_game(TITLE_TO_EDITOR + click(5, 5) + SAVE + LEAVE, as_nobody=True)
        self.assertIn("Could not read level file level.lev: Permission denied", out)
        self.assertIn("LevelEditor: level.lev could not be read, so it is not saved over", out)
        os.chmod(saved, 0o600)
        self.assertEqual(self.read(saved), mine)

    def test_a_fifo_for_a_level_is_a_missing_level(self):
        os.remove(os.path.join(self.resources, "level.lev"))
        os.mkfifo(os.path.join(self.resources, "level.lev"))
        os.mkfifo(os.path.join(self.work, "level.lev"))
        out = self.run_game(TITLE_TO_PLAY + "key space\nframes 5\n" + LEAVE +
                            "key down\nkey return\nframes 1\nexpect-state LevelEditor\n" + LEAVE)
        self.assertIn("LevelEditor: no level file, editing an empty map", out)

    def test_saving_through_a_link_updates_its_target_and_keeps_its_mode(self):
        os.mkdir(os.path.join(self.root, "levels"))
        target = os.path.join(self.root, "levels", "mine.lev")
        self.write(target, self.shipped, 0o640)
        link = os.path.join(self.work, "level.lev")
        os.symlink("../levels/mine.lev", link)
        self.run_game(TITLE_TO_EDITOR + click(5, 5) + SAVE + LEAVE)
        self.assertTrue(os.path.islink(link))
        self.assertEqual(os.readlink(link), "../levels/mine.lev")
        self.assertEqual(self.read(target)[0], (self.shipped[0] + 1) % 11)
        self.assertEqual(stat.S_IMODE(os.stat(target).st_mode), 0o640)
        self.assertEqual(os.listdir(os.path.join(self.root, "levels")), ["mine.lev"])

    # ---- settings and standard output -----------------------------------------------------

    def test_an_unreadable_settings_file_is_kept(self):
        folder = os.path.join(self.home, "Library", "Application Support", "Tarnwick")
        os.makedirs(folder)
        settings = os.path.join(folder, "Tarnwick.conf")
        self.write(settings, b"w 1024\n", 0o200)
        if os.geteuid() == 0:
            for level in ("Library", "Library/Application Support", "Library/Application Support/Tarnwick"):
                os.chown(os.path.join(self.home, level), NOBODY, NOBODY)
            os.chown(settings, NOBODY, NOBODY)
        out = self.run_game(TITLE_TO_PLAY, args=(), as_nobody=True)
        self.assertIn("Could not read %s: Permission denied, using the defaults" % settings, out)
        os.chmod(settings, 0o600)
        self.assertEqual(self.read(settings), b"w 1024\n")

    def test_a_closed_standard_output_ends_nothing(self):
        env = game_env(self.home, self.data)
        reader, writer = os.pipe()
        os.close(reader)   # as "tarnwick | head -1" once head has gone
        try:
            status = subprocess.run([GAME, "--help"], env=env, cwd=self.work, stdout=writer, timeout=60).returncode
            game = subprocess.Popen([GAME, "--sdl", "-ns", "-nm"], env=env, cwd=self.work, stdout=writer)
        finally:
            os.close(writer)
        time.sleep(3)
        still_running = game.poll() is None
        game.kill()
        game.wait()
        self.assertEqual(status, 0)
        self.assertTrue(still_running, "the game ended with status %s" % game.returncode)


if __name__ == "__main__":
    unittest.main()
