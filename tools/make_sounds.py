#!/usr/bin/python3
"""Synthesises Tarnwick's six sound effects and its cave music.

Each sound is built here from sine, square and noise sources with numpy, written as
32-bit float samples and encoded to Ogg Vorbis by sox:

    /usr/bin/python3 tools/make_sounds.py [output folder]

The folder defaults to resources/sounds/ beside this script's folder. The effects are
mono and short; the music is stereo, 64 seconds long and made as one cycle of a loop
(everything that rings past its end is folded back onto its start), so that the game's
endless repeat has no seam.
"""

import os
import struct
import subprocess
import sys
import tempfile
import zlib

import numpy as np

import sound_headroom

RATE = 44100
TWO_PI = 2.0 * np.pi


def seconds(duration):
    return int(round(duration * RATE))


def timeline(duration):
    return np.arange(seconds(duration)) / RATE


def sweep(start_hz, end_hz, duration, exponential=True):
    """The phase of a tone gliding from start_hz to end_hz."""
    t = timeline(duration)
    if exponential:
        ratio = end_hz / start_hz
        frequency = start_hz * ratio ** (t / duration)
    else:
        frequency = start_hz + (end_hz - start_hz) * t / duration
    return TWO_PI * np.cumsum(frequency) / RATE


def envelope(count, attack, release, hold_curve=1.0):
    """Linear attack, then a decay to silence shaped by hold_curve (1 = linear)."""
    env = np.ones(count)
    a = min(count, seconds(attack))
    if a > 0:
        env[:a] = np.linspace(0.0, 1.0, a, endpoint=False)
    r = min(count - a, seconds(release))
    if r > 0:
        env[count - r:] = np.linspace(1.0, 0.0, r) ** hold_curve
    return env


def decay(count, time_constant):
    return np.exp(-np.arange(count) / (time_constant * RATE))


def lowpass(signal, cutoff):
    """One-pole low-pass: soft enough for noise shaping."""
    alpha = 1.0 - np.exp(-TWO_PI * cutoff / RATE)
    out = np.empty_like(signal)
    state = 0.0
    for i, x in enumerate(signal):
        state += alpha * (x - state)
        out[i] = state
    return out


def normalise(signal, peak_db):
    peak = np.max(np.abs(signal))
    return signal * (10.0 ** (peak_db / 20.0) / peak)


def level(signal, rms_db, peak_db):
    """Brings an effect to a common loudness, its peak kept below peak_db, so that a
    dense buzz does not drown a thin chime."""
    rms = np.sqrt(np.mean(signal ** 2))
    peak = np.max(np.abs(signal))
    gain = min(10.0 ** (rms_db / 20.0) / rms, 10.0 ** (peak_db / 20.0) / peak)
    return signal * gain


def limit(signal, ceiling_db, attack=0.002, release=0.02):
    """A look-ahead peak limiter: the gain dips smoothly over `attack` seconds before a
    peak that would pass the ceiling and recovers over about `release` seconds, so that
    only the sharpest transients are tamed and the body of the sound is left alone."""
    ceiling = 10.0 ** (ceiling_db / 20.0)
    magnitude = np.maximum(np.abs(signal), 1e-12)
    wanted = np.minimum(1.0, ceiling / magnitude)
    window = max(1, seconds(attack))
    # The lowest gain wanted over the next `window` samples, then averaged over the
    # previous `window`: never above what any sample wants, and without steps.
    padded = np.concatenate([wanted, np.ones(window)])
    ahead = np.min(np.lib.stride_tricks.sliding_window_view(padded, window)[:len(signal)], axis=1)
    smooth = np.convolve(np.concatenate([np.ones(window - 1), ahead]), np.ones(window) / window, "valid")
    step = 1.0 - np.exp(-1.0 / (release * RATE))
    gain = np.empty_like(smooth)
    current = 1.0
    for i, target in enumerate(smooth):
        current = min(target, current + (1.0 - current) * step)
        gain[i] = current
    return signal * gain


def bell(frequency, duration, brightness=0.5, time_constant=0.25):
    """A struck tone: fundamental plus a few inharmonic partials that die faster."""
    t = timeline(duration)
    count = len(t)
    tone = np.sin(TWO_PI * frequency * t) * decay(count, time_constant)
    for ratio, level in ((2.0, 0.5), (3.01, 0.25), (4.2, 0.12)):
        tone += brightness * level * np.sin(TWO_PI * frequency * ratio * t) * decay(count, time_constant / ratio)
    return tone * envelope(count, 0.003, 0.02)


# --- effects -------------------------------------------------------------------------

def jump():
    # A quick rising blip: a soft square gliding up an octave and a half.
    duration = 0.16
    phase = sweep(260.0, 780.0, duration)
    tone = np.tanh(2.5 * np.sin(phase)) * 0.6 + 0.4 * np.sin(2.0 * phase)
    return tone * envelope(len(phase), 0.004, 0.09, 1.5)


def drop():
    # A soft clunk: a low thump that falls in pitch, with a muffled tick on top.
    duration = 0.22
    count = seconds(duration)
    thump = np.sin(sweep(150.0, 55.0, duration)) * decay(count, 0.06)
    rng = np.random.default_rng(3)
    tick = lowpass(rng.standard_normal(count), 1800.0) * decay(count, 0.008) * 2.0
    return (thump + tick) * envelope(count, 0.001, 0.05)


def pickup():
    # A bright two-note chime: E6 then B6, the second ringing out.
    first = bell(1318.5, 0.12, 0.6, 0.08)
    second = bell(1975.5, 0.38, 0.6, 0.12)
    out = np.zeros(len(first) + len(second))
    out[:len(first)] += first
    out[seconds(0.08):seconds(0.08) + len(second)] += second
    return out * envelope(len(out), 0.0, 0.05)


def connect():
    # An electric zap over a humming chord: buzzy saws at a power chord, shaken by
    # a fast flutter, with crackle at the start.
    duration = 0.5
    t = timeline(duration)
    count = len(t)
    chord = np.zeros(count)
    for frequency in (110.0, 165.0, 220.0, 277.2):
        phase = (frequency * t) % 1.0
        chord += 2.0 * phase - 1.0
    chord = lowpass(chord, 2500.0)
    flutter = 0.65 + 0.35 * np.sin(TWO_PI * 31.0 * t)
    rng = np.random.default_rng(7)
    crackle = rng.standard_normal(count) * (rng.random(count) < 0.08) * decay(count, 0.05) * 3.0
    zap = np.sin(sweep(2400.0, 300.0, duration)) * decay(count, 0.04)
    out = chord * flutter * 0.35 + crackle * 0.4 + zap * 0.8
    return out * envelope(count, 0.002, 0.2, 1.3)


def lightbox():
    # A rising, triumphant arpeggio: C5 E5 G5 C6, the top note held with a fifth.
    notes = (523.25, 659.25, 783.99, 1046.5)
    step = 0.09
    out = np.zeros(seconds(0.95))
    for index, frequency in enumerate(notes):
        last = index == len(notes) - 1
        tone = bell(frequency, 0.6 if last else 0.3, 0.45, 0.3 if last else 0.12)
        if last:
            tone = tone + 0.5 * bell(frequency * 1.5, 0.6, 0.3, 0.25)
        start = seconds(index * step)
        out[start:start + len(tone)] += tone
    return out * envelope(len(out), 0.0, 0.1)


def die():
    # A descending buzz: a square falling from A4 to a low growl with a wobble.
    duration = 0.75
    t = timeline(duration)
    base = 440.0 * (80.0 / 440.0) ** (t / duration)
    wobble = 1.0 + 0.04 * np.sin(TWO_PI * 9.0 * t)
    phase = TWO_PI * np.cumsum(base * wobble) / RATE
    tone = np.sign(np.sin(phase)) * 0.5 + 0.5 * np.sin(phase)
    tone = lowpass(tone, 3000.0)
    return tone * envelope(len(t), 0.005, 0.25, 1.2)


EFFECTS = {
    "Connect": connect,
    "Die": die,
    "Drop": drop,
    "Jump": jump,
    "Lightbox": lightbox,
    "Pickup": pickup,
}


# --- music ---------------------------------------------------------------------------

BPM = 75.0
BEAT = 60.0 / BPM            # 0.8 s
BAR = 4 * BEAT               # 3.2 s
BARS = 20                    # 64 s in all
LOOP = seconds(BARS * BAR)

# A minor pentatonic: A C D E G.
PENTATONIC = (0, 3, 5, 7, 10)


def midi(note):
    return 440.0 * 2.0 ** ((note - 69) / 12.0)


def place(track, start, sound):
    """Adds sound into a looped track, wrapping what runs past the end to the start."""
    start %= len(track)
    end = start + len(sound)
    if end <= len(track):
        track[start:end] += sound
    else:
        first = len(track) - start
        track[start:] += sound[:first]
        rest = sound[first:]
        while len(rest) > 0:
            part = rest[:len(track)]
            track[:len(part)] += part
            rest = rest[len(track):]


def looped_filter(track, apply):
    """Runs a filter with memory over two cycles of the loop and keeps the second, so
    that the echoes of the end are already ringing at the start."""
    doubled = apply(np.concatenate([track, track]))
    return doubled[len(track):]


def pad_voice(frequency, duration):
    t = timeline(duration)
    count = len(t)
    tone = np.zeros(count)
    for detune in (-0.18, 0.0, 0.21):
        f = frequency * 2.0 ** (detune / 12.0)
        tone += np.sin(TWO_PI * f * t) + 0.18 * np.sin(TWO_PI * 2.0 * f * t)
    swell = 0.8 + 0.2 * np.sin(TWO_PI * 0.15 * t)
    return tone * swell * envelope(count, 1.2, 1.6, 1.0) / 3.0


def pluck(frequency, duration=1.6):
    t = timeline(duration)
    count = len(t)
    tone = (np.sin(TWO_PI * frequency * t)
            + 0.35 * np.sin(TWO_PI * 2.0 * frequency * t) * decay(count, 0.15)
            + 0.12 * np.sin(TWO_PI * 3.0 * frequency * t) * decay(count, 0.08))
    return tone * decay(count, 0.45) * envelope(count, 0.004, 0.2)


def bass_note(frequency, duration):
    t = timeline(duration)
    count = len(t)
    tone = np.sin(TWO_PI * frequency * t) + 0.25 * np.sin(TWO_PI * 2.0 * frequency * t)
    return tone * envelope(count, 0.06, 0.5, 1.5) * decay(count, 1.2)


def drip(frequency):
    duration = 0.35
    phase = sweep(frequency, frequency * 0.55, duration)
    count = len(phase)
    return np.sin(phase) * decay(count, 0.05) * envelope(count, 0.002, 0.05)


def music():
    rng = np.random.default_rng(1987)
    # i - VI - III - VII, a bar each: Am, F, C, G (pad voicings as MIDI notes).
    chords = (
        (57, 60, 64, 69),   # A3 C4 E4 A4
        (53, 57, 60, 65),   # F3 A3 C4 F4
        (48, 55, 60, 64),   # C3 G3 C4 E4
        (55, 59, 62, 67),   # G3 B3 D4 G4
    )
    roots = (45, 41, 36, 43)   # A2 F2 C2 G2

    pad = np.zeros(LOOP)
    bass = np.zeros(LOOP)
    lead_left = np.zeros(LOOP)
    lead_right = np.zeros(LOOP)
    drips_left = np.zeros(LOOP)
    drips_right = np.zeros(LOOP)

    for bar in range(BARS):
        chord = bar % 4
        start = seconds(bar * BAR)
        for note in chords[chord]:
            place(pad, start - seconds(0.6), pad_voice(midi(note), BAR + 1.8))
        root = midi(roots[chord])
        place(bass, start, bass_note(root, 2.0 * BEAT))
        place(bass, start + seconds(2.0 * BEAT), bass_note(root * (1.5 if bar % 2 else 1.0), 2.0 * BEAT))

    # The melody: phrases of eighth notes on the pentatonic scale, moving by small
    # steps, resting often; the first four bars only listen to the pads.
    degree = 7
    for bar in range(4, BARS):
        if bar % 8 in (6, 7) and rng.random() < 0.7:
            continue
        for eighth in range(8):
            if rng.random() < 0.45:
                continue
            degree = int(np.clip(degree + rng.choice((-2, -1, -1, 1, 1, 2)), 0, 11))
            note = 69 + 12 * (degree // 5) + PENTATONIC[degree % 5] - 12
            at = seconds(bar * BAR + eighth * BEAT / 2.0)
            tone = pluck(midi(note)) * (0.7 + 0.3 * rng.random())
            pan = 0.5 + 0.35 * (rng.random() - 0.5)
            place(lead_left, at, tone * (1.0 - pan))
            place(lead_right, at, tone * pan)

    for _ in range(14):
        at = int(rng.integers(0, LOOP))
        tone = drip(float(rng.uniform(1800.0, 3200.0))) * float(rng.uniform(0.3, 0.6))
        pan = float(rng.random())
        place(drips_left, at, tone * (1.0 - pan))
        place(drips_right, at, tone * pan)

    # Ping-pong echoes on the plucks and drips make the cave. The two cycles are
    # joined channel by channel before the echo runs.
    def echo_pair(left, right, delay, feedback):
        l2 = np.concatenate([left, left])
        r2 = np.concatenate([right, right])
        d = seconds(delay)
        for i in range(d, len(l2), d):
            n = min(d, len(l2) - i)
            l2[i:i + n] += feedback * r2[i - d:i - d + n]
            r2[i:i + n] += feedback * l2[i - d:i - d + n]
        return l2[LOOP:], r2[LOOP:]

    lead_left, lead_right = echo_pair(lead_left, lead_right, 0.6, 0.45)
    drips_left, drips_right = echo_pair(drips_left, drips_right, 0.45, 0.5)

    pad = looped_filter(pad, lambda x: lowpass_fast(x, 1400.0))
    left = 0.24 * pad + 0.42 * bass + 0.45 * lead_left + 0.25 * drips_left
    right = 0.24 * pad + 0.42 * bass + 0.45 * lead_right + 0.25 * drips_right
    stereo = np.stack([left, right], axis=1)
    return normalise(stereo, -3.0)


def lowpass_fast(signal, cutoff):
    """The one-pole low-pass as a convolution with its impulse response, cut where it
    has fallen to 0.1%: the same sound, fast enough for a minute of music."""
    alpha = 1.0 - np.exp(-TWO_PI * cutoff / RATE)
    length = int(np.ceil(np.log(0.001) / np.log(1.0 - alpha)))
    kernel = alpha * (1.0 - alpha) ** np.arange(length)
    return np.convolve(signal, kernel)[:len(signal)]


# --- output --------------------------------------------------------------------------

def _crc_table():
    table = []
    for byte in range(256):
        crc = byte << 24
        for _ in range(8):
            crc = ((crc << 1) ^ 0x04C11DB7) if crc & 0x80000000 else crc << 1
        table.append(crc & 0xFFFFFFFF)
    return table


OGG_CRC = _crc_table()


def ogg_checksum(page):
    crc = 0
    for byte in page:
        crc = ((crc << 8) & 0xFFFFFFFF) ^ OGG_CRC[(crc >> 24) ^ byte]
    return crc


def give_serial(path, serial):
    """Stamps every page of an Ogg file with `serial` and mends the page checksums. sox
    (in its repeatable mode) gives every file it writes the same serial; a decoder holding
    one file open could then take another written in its place for the same stream."""
    with open(path, "rb") as f:
        data = bytearray(f.read())
    at = 0
    while at < len(data):
        if data[at:at + 4] != b"OggS":
            raise SystemExit("%s: no Ogg page at byte %d" % (path, at))
        segments = data[at + 26]
        end = at + 27 + segments + sum(data[at + 27:at + 27 + segments])
        data[at + 14:at + 18] = struct.pack("<I", serial)
        data[at + 22:at + 26] = bytes(4)
        data[at + 22:at + 26] = struct.pack("<I", ogg_checksum(data[at:end]))
        at = end
    with open(path, "wb") as f:
        f.write(data)


def encode(samples, channels, path, quality):
    with tempfile.NamedTemporaryFile(suffix=".f32") as raw:
        raw.write(np.asarray(samples, dtype="<f4").tobytes())
        raw.flush()
        subprocess.run(["sox", "-R", "-t", "f32", "-r", str(RATE), "-c", str(channels), raw.name,
                        "-C", str(quality), path], check=True)
    # Each file a serial of its own, the same on every run: one taken from its name.
    give_serial(path, zlib.crc32(os.path.basename(path).encode()))


# The game adds everything it plays and never clips, so the loudest moment it can make
# (see sound_headroom.py) must stay at or under sound_headroom.LIMIT. The encoder moves
# peaks by up to a percent, and not quite in proportion to the gain, so the gain is
# adjusted until the measured peak lands between HEADROOM_LOWEST and the limit.
HEADROOM_TARGET = 0.985
HEADROOM_LOWEST = 0.978


def encode_all(effects, track, folder, gain):
    for name, samples in effects.items():
        encode(samples * gain, 1, os.path.join(folder, name + ".ogg"), 4)
    encode(track * gain, 2, os.path.join(folder, "music.ogg"), 3)


def loudest_at(effects, track, folder, gain):
    encode_all(effects, track, folder, gain)
    worst, _ = sound_headroom.worst_combination(*sound_headroom.load(folder))
    print("gain %.4f: loudest combination %.4f" % (gain, worst))
    return worst


def fit_gain(effects, track, folder):
    """Encodes the sounds at the common gain that brings their loudest combination just
    under the limit; returns that gain and the combination's peak."""
    gain = HEADROOM_TARGET / loudest_at(effects, track, folder, 1.0)
    for _ in range(8):
        worst = loudest_at(effects, track, folder, gain)
        if HEADROOM_LOWEST <= worst <= sound_headroom.LIMIT:
            return gain, worst
        gain *= HEADROOM_TARGET / worst
    raise SystemExit("no common gain put the sounds between %.3f and %.2f" % (HEADROOM_LOWEST, sound_headroom.LIMIT))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "sounds")
    os.makedirs(folder, exist_ok=True)
    # Each effect is brought to a common loudness, and its sharpest peaks limited so that
    # they take less of the shared headroom.
    effects = {name: limit(level(make(), -18.0, -4.0), -7.0) for name, make in EFFECTS.items()}
    track = music()

    # One gain for every sound keeps their balance: it is as high as the loudest
    # combination allows, measured on the files as the game decodes them.
    gain, worst = fit_gain(effects, track, folder)
    for name, samples in effects.items():
        print("%s.ogg: %.2f s" % (name, len(samples) / RATE))
    print("music.ogg: %.1f s" % (len(track) / RATE))
    print("common gain %.3f, loudest combination %.4f" % (gain, worst))


if __name__ == "__main__":
    main()
