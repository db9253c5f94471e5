#!/usr/bin/python3
"""Measures how loud the game's sounds can get together, from the .ogg files as the game
decodes them (libvorbisfile's float decoder, first logical stream), not from the
generator's samples:

    /usr/bin/python3 tools/sound_headroom.py [sounds folder]

The game adds everything it plays without scaling or clipping: each effect at gain 1.0 on
both sides, the music at 0.75 once its fade-in is complete. The loudest moment it can
produce is a reflector that lights a box (Connect, Lightbox and Drop start together, or a
mixing block or two apart) while a pickup and a jump are still sounding and the music
peaks. Pickup, Jump and the music can sit at any offset, so each adds its own peak of the
same sign; the offsets between the three started together are searched. Exit status 1
when that peak exceeds 0.99.
"""

import ctypes
import os
import sys

import numpy as np

LIMIT = 0.99
MUSIC_GAIN = 0.75
# The three started by one reflector may fall into consecutive mixing blocks.
START_SPREAD = 2048
EFFECTS = ("Connect", "Die", "Drop", "Jump", "Lightbox", "Pickup")

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


def together(sounds, offsets):
    length = max(len(s) + o for s, o in zip(sounds, offsets))
    out = np.zeros(length)
    for sound, offset in zip(sounds, offsets):
        out[offset:offset + len(sound)] += sound
    return out


def latest_start_peak(sound, length):
    """For each frame t < length: the highest value the sound can have there when it
    starts anywhere from 0 to START_SPREAD frames after frame 0, and that start."""
    padded = np.zeros(length + START_SPREAD)
    kept = min(len(sound), length)
    padded[START_SPREAD:START_SPREAD + kept] = sound[:kept]
    windows = np.lib.stride_tricks.sliding_window_view(padded, START_SPREAD + 1)[:length]
    # windows[t][k] is the sound at frame t when it starts START_SPREAD - k frames late.
    best = windows.argmax(axis=1)
    return windows[np.arange(length), best], START_SPREAD - best


def worst_combination(effects, music):
    """The loudest sample the game can produce, and how it comes about: (peak, (Lightbox
    offset, Drop offset, sign)). Connect starts at frame 0, Lightbox and Drop each up to
    START_SPREAD frames later. At any one frame the worst starts of the two are chosen
    apart, since each moves only its own term of the sum; so every frame and both signs
    are tried, and the search is exact."""
    free = [effects["Pickup"], effects["Jump"], MUSIC_GAIN * music.ravel()]
    length = max(len(effects[name]) for name in ("Connect", "Lightbox", "Drop")) + START_SPREAD
    best = (0.0, (0, 0, 1.0))
    for sign in (1.0, -1.0):
        connect = np.zeros(length)
        connect[:len(effects["Connect"])] = sign * effects["Connect"]
        lightbox, lightbox_start = latest_start_peak(sign * effects["Lightbox"], length)
        drop, drop_start = latest_start_peak(sign * effects["Drop"], length)
        total = connect + lightbox + drop
        frame = int(total.argmax())
        peak = total[frame] + sum(max(0.0, (sign * part).max()) for part in free)
        if peak > best[0]:
            best = (peak, (int(lightbox_start[frame]), int(drop_start[frame]), sign))
    return best


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "sounds")
    effects, music = load(folder)
    for name in EFFECTS:
        print("%-9s peak %.4f" % (name, np.abs(effects[name]).max()))
    print("music     peak %.4f (%.4f at the game's gain)" % (np.abs(music).max(), MUSIC_GAIN * np.abs(music).max()))
    same = together([effects["Connect"], effects["Lightbox"], effects["Drop"]], [0, 0, 0])
    print("Connect + Lightbox + Drop started together: peak %.4f" % np.abs(same).max())
    peak, (lightbox, drop, sign) = worst_combination(effects, music)
    print("worst combination: %.4f (Lightbox %d and Drop %d frames after Connect, %s peaks, "
          "plus Pickup, Jump and the music at their own %s peaks)"
          % (peak, lightbox, drop, "positive" if sign > 0 else "negative", "positive" if sign > 0 else "negative"))
    return 0 if peak <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
