#!/usr/bin/env python3
"""The game's real audio stream, captured: ALSA's default output is pointed (through an
.asoundrc in a temporary HOME) at a file device over the null device, the game runs
through the test driver under the SDL dummy video driver, and the samples it played are
read back from the file.

PortAudio opens the stream as 32-bit float stereo at 44100 Hz, and the file device
writes those frames unchanged: interleaved little-endian floats, left then right. The
null device takes frames faster than real time, which only makes more audio per frame
of the game."""

import array
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from gamerun import BUNDLE, DRIVER, SOURCE_DIR, drive  # noqa: E402

SOUNDS = os.path.join(SOURCE_DIR, "resources", "sounds")
RATE = 44100

JUMP_SCRIPT = """\
frames 30
expect-state TitleScreen
key return
frames 2
expect-state GamePlay
# the first key only takes the story away
key space
frames 20
keydown z
frames 5
keyup z
frames 60
quit
"""

MUSIC_SCRIPT = """\
frames 150
expect-state TitleScreen
quit
"""

NEW_GAME = "frames 2\nexpect-state TitleScreen\nkey return\nframes 1\nexpect-state GamePlay\n"
MAP_WIDTH = 1024
LAMP_ROW, LAMP_COLUMN = 2, 300


def read_frames(path):
    """The captured stream as (left, right) lists of floats."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) % 8:
        raise AssertionError("%d bytes is not a whole number of float stereo frames" % len(data))
    samples = array.array("f")
    samples.frombytes(data)
    if sys.byteorder != "little":
        samples.byteswap()
    for value in samples:
        if not math.isfinite(value) or abs(value) > 2.0:
            raise AssertionError("the stream is not 32-bit float: found %r" % value)
    return samples[0::2], samples[1::2]


def peak(path):
    """The largest magnitude in a captured stream, and whether every sample is a number."""
    import numpy
    samples = numpy.fromfile(path, dtype="<f4")
    return float(numpy.abs(samples).max()), bool(numpy.isfinite(samples).all())


def rms(values):
    if not values:
        return 0.0
    return math.sqrt(sum(v * v for v in values) / len(values))


def decode(name):
    """A sound's samples (an effect's name, or a path), decoded by sox (16-bit precision)."""
    raw = subprocess.run(["sox", os.path.join(SOUNDS, name), "-t", "f32", "-e", "floating-point",
                          "-L", "-"], check=True, capture_output=True).stdout
    samples = array.array("f")
    samples.frombytes(raw)
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


class CapturedAudio(unittest.TestCase):
    def setUp(self):
        if not os.path.exists(DRIVER):
            self.fail("no test driver at %s" % DRIVER)
        self.folder = tempfile.mkdtemp(prefix="tarnwick_audio_e2e_")
        self.home = os.path.join(self.folder, "home")
        os.makedirs(self.home)
        self.capture = os.path.join(self.folder, "out.raw")
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n' % self.capture)

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_game(self, script, *args, data=None):
        output = drive(self, script, self.folder, args=["--sdl"] + list(args), home=self.home, data=data)
        self.assertNotIn("PortAudioDevice Error", output)
        return output

    def steady_music(self):
        """A copy of the installed data whose music is a steady tone, another pitch on each
        side: the null device takes frames faster than the music thread refills its
        buffers, so a busy machine replays stale buffers, and only music of one level
        throughout keeps the fade the one thing that changes the level."""
        data = os.path.join(self.folder, "data")
        shutil.copytree(BUNDLE, data)
        music = os.path.join(data, "Contents", "Resources", "sounds", "music.ogg")
        subprocess.run(["sox", "-n", "-r", str(RATE), "-c", "2", "-t", "vorbis", music, "synth", "2",
                        "sine", "440", "sine", "660", "vol", "0.5"], check=True, capture_output=True)
        # Vorbis overshoots a little, so the tone's peak is read back from the file.
        tone = decode(music)
        return data, max(abs(v) for v in tone[0::2])

    def test_music_fades_in(self):
        data, tone_peak = self.steady_music()
        full = tone_peak * 0.75
        output = self.run_game(MUSIC_SCRIPT, data=data)
        self.assertIn("vorbisfile: Loaded file: ", output)
        self.assertIn("music.ogg", output)
        left, right = read_frames(self.capture)
        seconds = len(left) // RATE
        self.assertGreaterEqual(seconds, 3, "only %d frames were captured" % len(left))

        # The capture begins with zeros of the device's own, so the music's start is its
        # first frame that is not silent. The fade there has reached at most 0.0044 after
        # 4410 frames, so that first tenth of a second stays far below the music's own
        # level (a peak of 0.5 there); music that started at full volume fails here.
        start = next((i for i, (a, b) in enumerate(zip(left, right)) if a != 0.0 or b != 0.0), None)
        self.assertIsNotNone(start, "no music was heard")
        opening = max(abs(v) for v in list(left[start:start + RATE // 10]) + list(right[start:start + RATE // 10]))
        self.assertLess(opening, 0.005, "the music did not start from silence")
        # Each second's loudest sample: the tone's own peak times the fade, whatever gaps
        # or repeated buffers that second held.
        seconds = (len(left) - start) // RATE
        peaks = [max(map(abs, left[start + s * RATE:start + (s + 1) * RATE])) for s in range(seconds)]
        self.assertLess(peaks[0], 0.5 * peaks[-1], "the music did not fade in: %s" % peaks)
        # The fade rises steadily until it is full (the tone's peak at the music's gain of
        # 0.75): every stretch of three seconds is louder than the one before it.
        groups = [max(peaks[g:g + 3]) for g in range(0, seconds - 2, 3)]
        for g in range(1, len(groups)):
            if groups[g - 1] < 0.98 * full:
                self.assertGreater(groups[g], groups[g - 1], "seconds %d-%d: %s" % (3 * g, 3 * g + 2, peaks))
        self.assertLessEqual(max(peaks), 1.001 * full, "louder than the music's gain allows: %s" % peaks)
        # It is stereo music, not one channel copied.
        self.assertTrue(any(abs(a - b) > 1e-4 for a, b in zip(left[-RATE:], right[-RATE:])))

    def test_without_music_the_stream_is_silent_until_a_jump(self):
        output = self.run_game(JUMP_SCRIPT, "--nomusic")
        self.assertIn("Jump.ogg", output)
        left, right = read_frames(self.capture)
        self.assertGreater(len(left), RATE)
        first = next((i for i, v in enumerate(left) if v != 0.0 or right[i] != 0.0), None)
        self.assertIsNotNone(first, "the jump was never heard")
        # Well into the run: the title and the story made no sound at all.
        self.assertGreater(first, RATE // 4)

        # What follows is the jump effect, the same on both sides, then silence again.
        jump = decode("Jump.ogg")
        start = next(i for i, v in enumerate(jump) if v != 0.0)
        heard = left[first:first + len(jump) - start]
        self.assertEqual(list(heard), list(right[first:first + len(jump) - start]))
        for i, value in enumerate(heard):
            self.assertAlmostEqual(jump[start + i], value, delta=1e-3, msg="frame %d of the jump" % i)
        tail = left[first + len(jump) - start:]
        self.assertTrue(all(v == 0.0 for v in tail), "something else played after the jump")

    def test_the_mix_stays_within_full_scale(self):
        # Twelve reflectors dropped one after another right of a lamp: the n-th asks for
        # Connect n times at once. A copy of the installed data, with the lamp and its
        # open row written into the sky of the shipped level.
        data = os.path.join(self.folder, "data")
        shutil.copytree(BUNDLE, data)
        level_path = os.path.join(data, "Contents", "Resources", "level.lev")
        with open(level_path, "rb") as f:
            level = bytearray(f.read())
        start = LAMP_ROW * MAP_WIDTH + LAMP_COLUMN
        level[start:start + 14] = bytes([4]) + bytes(13)
        with open(level_path, "wb") as f:
            f.write(level)
        drops = "".join("reflector %d %d\nframes 20\n" % (LAMP_COLUMN + 1 + i, LAMP_ROW) for i in range(12))
        self.run_game(NEW_GAME + "key space\nframes 10\n" + drops + "frames 40\nquit\n", data=data)
        drops_peak, numbers = peak(self.capture)
        self.assertTrue(numbers)

        # The clean route of the shipped level, replayed unpaced (the null device keeps up
        # by taking frames faster than real time).
        route = os.path.join(SOURCE_DIR, "tests", "game", "routes", "perfect.keys")
        os.remove(self.capture)
        output = self.run_game(NEW_GAME + "pacing off\nreplay %s\nquit\n" % route)
        self.assertIn("driver: replayed", output)
        route_peak, numbers = peak(self.capture)
        self.assertTrue(numbers)
        print("peak of the mix: %.4f over twelve drops, %.4f over the clean route" % (drops_peak, route_peak))
        self.assertLessEqual(drops_peak, 1.0)
        self.assertLessEqual(route_peak, 1.0)

    def test_nosound_opens_no_stream(self):
        output = self.run_game(MUSIC_SCRIPT, "--nosound")
        self.assertTrue(not os.path.exists(self.capture) or os.path.getsize(self.capture) == 0)
        # The music is still prepared; it is only never asked for.
        self.assertIn("music.ogg", output)


if __name__ == "__main__":
    unittest.main()
