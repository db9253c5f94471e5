#!/usr/bin/env python3
"""The game as users get it. `cmake --install` into a temporary prefix, the tree moved
elsewhere, and the moved game run: it finds its sounds (every one loaded, none missing),
its level (the editor, opened and saved at once, writes back exactly the shipped level)
and starts quietly without a sound device (nothing on standard error, only its own lines
on standard output). The desktop entry, the metainfo and the manual pages pass their
validators. The Debian package holds the same tree under /usr with the binaries in
/usr/games, its Depends come from the binaries, its copyright file and changelog are in
Debian's formats, lintian finds nothing to warn about, a Release build's binaries pass
hardening-check, and unpacked it runs the same way."""

import glob
import gzip
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUILD_DIR, SOURCE_DIR, start_xvfb  # noqa: E402

SOUNDS = ["Connect", "Die", "Drop", "Jump", "Lightbox", "Pickup", "music"]
ICON_SIZES = [16, 32, 48, 64, 128, 256]
MANUAL_PAGES = ["tarnwick", "tarnwick-levelcheck"]
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

    def cache(self, name):
        with open(os.path.join(BUILD_DIR, "CMakeCache.txt")) as f:
            found = re.search(r"^%s:\w+=(.*)$" % name, f.read(), re.M)
        return found.group(1) if found else ""

    def check_copyright_and_changelog(self, doc, version):
        """The copyright file is machine-readable: its format named, a paragraph for all
        files, each licence spelt out once (GPL-3.0+ by Debian's copy); the changelog is
        compressed without name or time stamp and its newest entry is this version."""
        with open(os.path.join(doc, "copyright")) as f:
            paragraphs = [dict(re.findall(r"^(\S+):[ \t]*(.*(?:\n[ \t].*)*)", text, re.M))
                          for text in f.read().split("\n\n")]
        self.assertEqual("https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/", paragraphs[0].get("Format"))
        files = [p for p in paragraphs if "Files" in p]
        licences = {p["License"].split("\n")[0]: p["License"] for p in paragraphs[1:] if "Files" not in p}
        self.assertEqual(["GPL-3.0+"], [p["License"] for p in files if p["Files"] == "*"])
        for paragraph in files:
            self.assertIn(paragraph["License"], licences, paragraph["Files"])
            self.assertTrue(paragraph.get("Copyright"), paragraph["Files"])
        self.assertIn("/usr/share/common-licenses/GPL-3", licences["GPL-3.0+"])
        with open(os.path.join(doc, "changelog.gz"), "rb") as f:
            header = f.read(10)
        self.assertEqual((b"\x1f\x8b", 0, b"\0\0\0\0"), (header[:2], header[3] & 0x08, header[4:8]))
        with gzip.open(os.path.join(doc, "changelog.gz")) as f, open(os.path.join(self.folder, "changelog"), "wb") as out:
            out.write(f.read())
        parsed = run("dpkg-parsechangelog", "-l", os.path.join(self.folder, "changelog"), "-S", "Version")
        self.assertEqual((version, ""), (parsed.stdout.strip(), parsed.stderr))

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
        with open(metainfo[0]) as f:
            self.assertIn("<project_license>GPL-3.0-or-later</project_license>", f.read())
        for name in MANUAL_PAGES:
            page = os.path.join(share, "man", "man6", name + ".6")
            result = run("groff", "-man", "-Tutf8", "-ww", "-z", page)
            self.assertEqual((0, ""), (result.returncode, result.stderr))
            self.assertIn('"%s - ' % name, run("lexgrog", page).stdout)
        text = run("man", "-l", os.path.join(share, "man", "man6", "tarnwick.6"),
                   env=dict(os.environ, MANWIDTH="100", MAN_KEEP_FORMATTING="")).stdout
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
        for path in ["./usr/games/tarnwick", "./usr/games/tarnwick-levelcheck", "./usr/share/applications/tarnwick.desktop",
                     "./usr/share/tarnwick/Contents/Resources/level.lev"] + \
                ["./usr/share/man/man6/%s.6.gz" % name for name in MANUAL_PAGES]:
            self.assertIn(path + "\n", contents)
        self.assertNotIn("./usr/bin/", contents)
        unpacked = os.path.join(self.folder, "unpacked")
        self.assertEqual(0, run("dpkg-deb", "-x", package[0], unpacked).returncode)
        self.check_copyright_and_changelog(os.path.join(unpacked, "usr", "share", "doc", "tarnwick"),
                                           run("dpkg-deb", "-f", package[0], "Version").stdout.strip())
        report = run("lintian", package[0]).stdout.splitlines()
        self.assertEqual([], [line for line in report if line[:2] in ("E:", "W:")])
        if (self.cache("CMAKE_BUILD_TYPE"), self.cache("TARNWICK_HARDEN"), self.cache("TARNWICK_SANITIZE")) == \
                ("Release", "ON", ""):
            # Debian 12's own start files carry no control-flow protection marks, so no binary linked there can.
            games = glob.glob(os.path.join(unpacked, "usr", "games", "*"))
            result = run("hardening-check", "--nocfprotection", *games)
            self.assertEqual((2, 0), (len(games), result.returncode), result.stdout)
        self.check_quiet_start(os.path.join(unpacked, "usr", "games", "tarnwick"),
                               os.path.join(unpacked, "usr", "share", "tarnwick"))


if __name__ == "__main__":
    unittest.main()
