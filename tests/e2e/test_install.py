#!/usr/bin/env python3
"""The game as users get it. `cmake --install` into a temporary prefix, the tree moved
elsewhere, and the moved game run: it finds its sounds (every one loaded, none missing),
its level (the editor, opened and saved at once, writes back exactly the shipped level)
and starts quietly without a sound device (nothing on standard error, only its own lines
on standard output). The desktop entry, the metainfo and the manual page pass their
validators. The Debian package holds the same tree under /usr with the binaries in
/usr/games, its Depends come from the binaries, and unpacked it runs the same way."""

import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_title import start_xvfb  # noqa: E402

BUILD_DIR = os.environ.get("TARNWICK_BUILD_DIR", os.path.join(os.path.dirname(__file__), "..", "..", "build"))
SOURCE_DIR = os.environ.get("TARNWICK_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
SOUNDS = ["Connect", "Die", "Drop", "Jump", "Lightbox", "Pickup", "music"]
ICON_SIZES = [16, 32, 48, 64, 128, 256]
NO_CARD = "pcm.!default { type hw; card 31 }\n"
FILE_DEVICE = 'pcm.!default { type file; slave.pcm "null"; file "/dev/null"; format "raw" }\n'


def run(*command, **kwargs):
    return subprocess.run(list(command), capture_output=True, text=True, timeout=300, **kwargs)


class InstalledGame(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="tarnwick-install-")
        self.home = os.path.join(self.folder, "home")
        os.makedirs(self.home)

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def env(self, alsa_config, **extra):
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write(alsa_config)
        env = dict(os.environ, HOME=self.home, **extra)
        env.pop("TARNWICK_DATA_DIR", None)
        return env

    def install_moved(self):
        first = os.path.join(self.folder, "first")
        result = run("cmake", "--install", BUILD_DIR, "--prefix", first)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        moved = os.path.join(self.folder, "moved", "elsewhere")
        os.makedirs(os.path.dirname(moved))
        os.rename(first, moved)
        return moved

    def wait_for_window(self, game_run, env):
        """The game's window id, or None once the game has ended without one."""
        while game_run.poll() is None:
            found = run("xdotool", "search", "--limit", "1", "--name", "^Tarnwick$", env=env)
            if found.stdout.strip():
                return found.stdout.split()[0]
            time.sleep(0.1)
        return None

    def check_level_and_sounds(self, game, data):
        """Opens the editor and saves at once through X key events; the saved level is
        the one the game found. With a working audio device every sound is loaded."""
        server, display = start_xvfb()
        try:
            env = self.env(FILE_DEVICE, DISPLAY=display)
            env.pop("SDL_VIDEODRIVER", None)
            # A busy X server can turn a connection away for a moment; SDL then gives up at once.
            for _ in range(5):
                game_run = subprocess.Popen([game, "--sdl"], env=env, cwd=self.home, stdout=subprocess.PIPE,
                                            stderr=subprocess.STDOUT, text=True)
                window = self.wait_for_window(game_run, env)
                if window:
                    break
                self.assertIn("Could not initialise SDL", game_run.communicate()[0])
            self.assertTrue(window, "the game's window did not appear")
            run("xdotool", "windowfocus", "--sync", window, env=env)
            time.sleep(0.5)  # the audio stream's first blocks load the sound effects
            run("xdotool", "key", "--delay", "100", "Down", "Return", "ctrl+s", "Escape", "Escape", env=env)
            output = game_run.communicate(timeout=60)[0]
        finally:
            if game_run.poll() is None:
                game_run.kill()
                game_run.wait()
            server.terminate()
            server.wait()
        self.assertEqual(0, game_run.returncode, output)
        sounds = os.path.join(data, "Contents", "Resources", "sounds")
        for name in SOUNDS:
            self.assertIn("vorbisfile: Loaded file: %s/%s.ogg" % (sounds, name), output)
        self.assertNotIn("could not", output.lower())
        with open(os.path.join(self.home, "level.lev"), "rb") as saved, \
                open(os.path.join(SOURCE_DIR, "resources", "level.lev"), "rb") as shipped:
            self.assertTrue(saved.read() == shipped.read(), "the editor did not load the installed level")

    def check_quiet_start(self, game, data):
        """No sound card: the libraries' probing stays off the terminal."""
        env = self.env(NO_CARD, SDL_VIDEODRIVER="dummy")
        env.pop("DISPLAY", None)
        game_run = subprocess.Popen([game, "-s"], env=env, cwd=self.home, stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, text=True)
        lines = []
        while not lines or lines[-1].startswith("PortAudioDevice") is False:
            line = game_run.stdout.readline()
            self.assertTrue(line, "the game ended early:\n" + "".join(lines))
            lines.append(line)
        game_run.send_signal(signal.SIGINT)
        rest, errors = game_run.communicate(timeout=30)
        self.assertEqual(0, game_run.returncode)
        self.assertEqual("", errors)
        self.assertEqual(["vorbisfile: Loaded file: %s/Contents/Resources/sounds/music.ogg" % data,
                          "Created directory %s/Library/Application Support/Tarnwick" % self.home,
                          "Using default width = 800", "Using default height = 600",
                          "PortAudioDevice Error: Could not open stream."],
                         "".join(lines + [rest]).splitlines())

    def test_moved_install_finds_its_data_and_starts_quietly(self):
        prefix = self.install_moved()
        data = os.path.join(prefix, "share", "tarnwick")
        self.check_level_and_sounds(os.path.join(prefix, "bin", "tarnwick"), data)
        shutil.rmtree(os.path.join(self.home, "Library"))
        self.check_quiet_start(os.path.join(prefix, "bin", "tarnwick"), data)
        status = run(os.path.join(prefix, "bin", "tarnwick-levelcheck"),
                     os.path.join(data, "Contents", "Resources", "level.lev"))
        self.assertEqual(0, status.returncode, status.stdout)

    def test_desktop_entry_metainfo_icons_and_manual_validate(self):
        prefix = self.install_moved()
        share = os.path.join(prefix, "share")
        result = run("desktop-file-validate", os.path.join(share, "applications", "tarnwick.desktop"))
        self.assertEqual((0, ""), (result.returncode, result.stdout + result.stderr))
        metainfo = glob.glob(os.path.join(share, "metainfo", "*.metainfo.xml"))
        self.assertEqual(1, len(metainfo))
        result = run("appstreamcli", "validate", "--no-net", "--explain", metainfo[0])
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        for size in ICON_SIZES:
            icon = os.path.join(share, "icons", "hicolor", "%dx%d" % (size, size), "apps", "tarnwick.png")
            with Image.open(icon) as picture:
                self.assertEqual((size, size), picture.size)
        for name in ["tarnwick-levelcheck.6", "tarnwick.6"]:
            page = os.path.join(share, "man", "man6", name)
            result = run("groff", "-man", "-Tutf8", "-ww", "-z", page)
            self.assertEqual((0, ""), (result.returncode, result.stderr))
        text = run("man", "-l", page, env=dict(os.environ, MANWIDTH="100", MAN_KEEP_FORMATTING="")).stdout
        for words in ["--nosound", "Tarnwick.conf", "TARNWICK_DATA_DIR", "Left Control-S", "tarnwick-levelcheck"]:
            self.assertIn(words, text.replace("\u2010", "-").replace("\u2212", "-"))

    def test_debian_package_depends_contents_and_unpacked_run(self):
        result = run("cpack", "--config", os.path.join(BUILD_DIR, "CPackConfig.cmake"), "-B", self.folder)
        self.assertEqual(0, result.returncode, result.stdout + result.stderr)
        package = glob.glob(os.path.join(self.folder, "tarnwick_*_*.deb"))
        self.assertEqual(1, len(package), result.stdout)
        depends = [line for line in run("dpkg-deb", "-I", package[0]).stdout.splitlines() if "Depends:" in line]
        for library in ["libsdl1.2debian", "libsdl-image1.2", "libportaudio2", "libvorbisfile3", "libgl1"]:
            self.assertIn(library, depends[0])
        contents = run("dpkg-deb", "-c", package[0]).stdout
        for path in ["./usr/games/tarnwick", "./usr/games/tarnwick-levelcheck", "./usr/share/man/man6/tarnwick.6.gz",
                     "./usr/share/man/man6/tarnwick-levelcheck.6.gz",
                     "./usr/share/applications/tarnwick.desktop", "./usr/share/tarnwick/Contents/Resources/level.lev"]:
            self.assertIn(path + "\n", contents)
        self.assertNotIn("./usr/bin/", contents)
        unpacked = os.path.join(self.folder, "unpacked")
        self.assertEqual(0, run("dpkg-deb", "-x", package[0], unpacked).returncode)
        self.check_quiet_start(os.path.join(unpacked, "usr", "games", "tarnwick"),
                               os.path.join(unpacked, "usr", "share", "tarnwick"))


if __name__ == "__main__":
    unittest.main()
