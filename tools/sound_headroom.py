#!/usr/bin/python3
"""Measures how loud the game's sounds can get together, from the .ogg files as the game
decodes them (libvorbisfile's float decoder, first logical stream), not from the
generator's samples:

    /usr/bin/python3 tools/sound_headroom.py [sounds folder]

The game adds everything it plays without scaling or clipping: each effect at gain 1.0 on
both sides, the music at 0.75 in every block once its fade-in is complete. What it asks
for: a reflector placed in sight of a lamp requests Connect once for each reflector
already placed, all in one step of the game, together with Lightbox and Drop; the mixer
plays copies of one effect begun within MERGE_FRAMES of each other once. So Connect sounds
twice at most while one drop's copies ring (a second drop a moment later, or a burst of
requests that outlasts the window), the two at least MERGE_FRAMES apart; those offsets are
searched. Every other effect (Lightbox, Drop, Pickup, Jump, Die) and the music can sit at
any offset, so each adds its own peak of the same sign. Three Connects at once would take
three reflectors placed while one Connect lasts (half a second: X pressed at every other
cell of a fall through a lamp's line, say); that is not modelled. Exit status 1 when the
loudest moment exceeds 0.99.
"""

import ctypes
import os
import sys

import numpy as np

LIMIT = 0.99
MUSIC_GAIN = 0.75
# The mixer's window (Sounds::MergeFrames): copies of one effect begun within it play once.
MERGE_FRAMES = 1024
EFFECTS = ("Connect", "Die", "Drop", "Jump", "Lightbox", "Pickup")
# The effects that sound once at any offset; Connect is searched as a pair.
ONCE = ("Die", "Drop", "Jump", "Lightbox", "Pickup")

_vorbisfile = None


def _library():
    global _vorbisfile
    if _vorbisfile is None:
        lib = ctypes.CDLL("libvorbisfile.so.3")
        lib.ov_fopen.argtypes = (ctypes.c_char_p, ctypes.c_void_p)
        lib.ov_fopen.restype = ctypes.c_int
        lib.ov_read_float.argtypes = (ctypes.c_void_p, ctypes.POINTER(ctypes.POINTER(ctypes.POINTER(ctypes.c_float))),
                                      ctypes.c_int, ctypes.POINTER(ctypes.c_int))
        lib.ov_read_float.restype = ctypes.c_long
        lib.ov_info.argtypes = (ctypes.c_void_p, ctypes.c_int)
        lib.ov_info.restype = ctypes.POINTER(ctypes.c_int)   # version, channels, ...
        lib.ov_clear.argtypes = (ctypes.c_void_p,)
        _vorbisfile = lib
    return _vorbisfile


def decode(path):
    """The first logical stream of an Ogg Vorbis file as a (channels, frames) float32 array."""
    lib = _library()
    state = ctypes.create_string_buffer(8192)   # larger than any OggVorbis_File
    if lib.ov_fopen(path.encode(), state) < 0:
        raise RuntimeError("cannot decode " + path)
    try:
        channels = lib.ov_info(state, 0)[1]
        parts = []
        pcm = ctypes.POINTER(ctypes.POINTER(ctypes.c_float))()
        stream = ctypes.c_int(0)
        while True:
            n = lib.ov_read_float(state, ctypes.byref(pcm), 4096, ctypes.byref(stream))
            if n == -3:   # a hole in the data: the decoder goes on
                continue
            if n <= 0 or stream.value > 0:
                break
            parts.append(np.array([np.ctypeslib.as_array(pcm[c], shape=(n,)) for c in range(channels)]))
        return np.concatenate(parts, axis=1) if parts else np.zeros((channels, 0), dtype=np.float32)
    finally:
        lib.ov_clear(state)


def load(folder):
    """Each effect as the game plays it (its first channel), and the music's two sides."""
    effects = {name: decode(os.path.join(folder, name + ".ogg"))[0].astype(np.float64) for name in EFFECTS}
    music = decode(os.path.join(folder, "music.ogg")).astype(np.float64)
    if music.shape[0] == 1:
        music = np.vstack([music, music])
    return effects, music


def pair_peak(sound, sign):
    """The highest value of sign * (two copies of sound begun at least MERGE_FRAMES apart),
    and the gap between their starts that gives it."""
    signed = sign * sound
    best = (float(signed.max()), len(sound))   # the second copy begins after the first ends
    for gap in range(MERGE_FRAMES, len(sound)):
        peak = float((signed[gap:] + signed[:-gap]).max())
        if peak > best[0]:
            best = (peak, gap)
    return best


def worst_combination(effects, music):
    """The loudest sample the game can produce, and how it comes about: (peak, (gap
    between the two Connects, sign))."""
    best = (0.0, (0, 1.0))
    for sign in (1.0, -1.0):
        pair, gap = pair_peak(effects["Connect"], sign)
        others = sum(max(0.0, float((sign * effects[name]).max())) for name in ONCE)
        peak = pair + others + MUSIC_GAIN * max(0.0, float((sign * music).max()))
        if peak > best[0]:
            best = (peak, (gap, sign))
    return best


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "sounds")
    effects, music = load(folder)
    for name in EFFECTS:
        print("%-9s peak %.4f" % (name, np.abs(effects[name]).max()))
    print("music     peak %.4f (%.4f at the game's gain)" % (np.abs(music).max(), MUSIC_GAIN * np.abs(music).max()))
    peak, (gap, sign) = worst_combination(effects, music)
    side = "positive" if sign > 0 else "negative"
    print("worst combination: %.4f (two Connects %d frames apart, Lightbox, Drop, Pickup, Jump, Die "
          "and the music at their own %s peaks)" % (peak, gap, side))
    return 0 if peak <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
