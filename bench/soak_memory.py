#!/usr/bin/env python3
"""Memory soak: the real game in an Xvfb server of its own, driven by the test driver
through round trips title -> play -> title -> editor with the overview (Z) -> title.
Prints the resident memory after the first trip, the fifth and every tenth, and the
growth from trip 5 to the last.

    bench/soak_memory.py [--build DIR] [--trips N] [--every N] [--sdl] [--map]
                         [--env NAME=VALUE ...]

--sdl runs the software drawer instead of OpenGL (Mesa llvmpipe under Xvfb). --map adds,
at each of those trips, the resident memory by kind of mapping (the main heap, other
anonymous memory, shared memory, files), read from /proc/PID/smaps while the game waits
for the next trip, and at the end the mappings that grew or appeared from trip 5 to the
last. --env sets a variable for the game only (for example MALLOC_ARENA_MAX=2 or
LP_NUM_THREADS=8, to try a reading). Not a test: it prints figures for a person to read."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from gamerun import start_xvfb  # noqa: E402

TRIP = """key return
frames 2
key space
frames 3
key escape
frames 1
expect-state TitleScreen
key down
key return
frames 1
expect-state LevelEditor
key z
frames 3
key escape
frames 1
expect-state TitleScreen
"""

KINDS = ("heap", "anonymous", "shared", "file")
MAPPING = re.compile(r"^([0-9a-f]+)-([0-9a-f]+) (\S+) \S+ \S+ \S+\s*(.*)$")


def kind_of(name):
    if name == "[heap]":
        return "heap"
    if name == "" or name.startswith("[anon") or name in ("[stack]",) or name.startswith("[stack:"):
        return "anonymous"
    if name.startswith("/SYSV") or name.startswith("/memfd:") or name.startswith("/dev/shm"):
        return "shared"
    if name.startswith("["):
        return "anonymous"
    return "file"


def read_mappings(pid):
    """{(start, name): [bytes mapped, resident kB]} for every mapping of the process."""
    mappings = {}
    key = None
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            match = MAPPING.match(line)
            if match:
                key = (int(match.group(1), 16), match.group(4).strip())
                mappings[key] = [int(match.group(2), 16) - key[0], 0]
            elif line.startswith("Rss:") and key is not None:
                mappings[key][1] = int(line.split()[1])
    return mappings


def summary(mappings):
    totals = dict.fromkeys(KINDS, 0)
    for (start, name), (size, kb) in mappings.items():
        totals[kind_of(name)] += kb
    return totals


def print_changes(before, after):
    """Mappings whose resident memory grew or that appeared, by at least a megabyte."""
    changes = []
    for key, (size, kb) in after.items():
        grown = kb - before.get(key, (0, 0))[1]
        if abs(grown) >= 1024:
            changes.append((grown, key, size, "new" if key not in before else ("grew" if grown > 0 else "shrank")))
    for key, (size, kb) in before.items():
        if key not in after and kb >= 1024:
            changes.append((-kb, key, size, "gone"))
    changes.sort(key=lambda change: -abs(change[0]))
    print("mappings changed from trip 5 to the last (resident, MB):")
    if not changes:
        print("  none by a megabyte or more")
    for grown, (start, name), size, state in changes[:20]:
        print("  %+7.1f  %-6s %012x %8.1f MB mapped  %s" % (grown / 1024.0, state, start, size / 1048576.0,
                                                            name or "(anonymous)"))


class Game:
    """The driver reading its script from a pipe: between trips it waits for more, so that
    its mappings can be read while it stands still."""

    def __init__(self, options):
        self.folder = tempfile.mkdtemp(prefix="tarnwick-soak-")
        self.server, display = start_xvfb()
        script = os.path.join(self.folder, "script.txt")
        os.mkfifo(script)
        self.feed = os.open(script, os.O_RDWR)
        env = dict(os.environ, HOME=self.folder, DISPLAY=display, SDL_AUDIODRIVER="dummy", LIBGL_ALWAYS_SOFTWARE="1")
        env.pop("SDL_VIDEODRIVER", None)
        for setting in options.env:
            name, _, value = setting.partition("=")
            env[name] = value
        args = [os.path.join(options.build, "bin", "tarnwick_driver"), script,
                "-w", "1024", "-h", "768", "-ns", "-nm"] + (["--sdl"] if options.sdl else [])
        self.process = subprocess.Popen(args, env=env, cwd=self.folder, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)
        self.output = []

    def send(self, text):
        os.write(self.feed, text.encode())

    def resident(self):
        """Asks for the resident memory and waits for the answer (kB), None if the game ended."""
        self.send("memory\n")
        while True:
            line = self.process.stdout.readline()
            if not line:
                return None
            self.output.append(line)
            match = re.match(r"driver: resident (\d+) kB", line)
            if match:
                return int(match.group(1))

    def finish(self):
        self.send("quit\nframes 1\n")
        os.close(self.feed)
        self.output.append(self.process.communicate(timeout=120)[0])
        self.server.kill()
        self.server.wait()
        shutil.rmtree(self.folder, True)
        return self.process.returncode


def soak(options, marks):
    """[(trip, kB, mappings or None)], the game's output and its exit status."""
    game = Game(options)
    figures = []
    try:
        game.send("frames 2\nexpect-state TitleScreen\n")
        for trip in [0] + list(range(1, options.trips + 1)):
            if trip:
                game.send(TRIP)
            if trip not in marks:
                continue
            kb = game.resident()
            if kb is None:
                break
            figures.append((trip, kb, read_mappings(game.process.pid) if options.map else None))
    finally:
        status = game.finish()
    return figures, "".join(game.output), status


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--trips", type=int, default=200)
    parser.add_argument("--every", type=int, default=10)
    parser.add_argument("--sdl", action="store_true")
    parser.add_argument("--map", action="store_true")
    parser.add_argument("--env", action="append", default=[])
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)

    marks = {trip for trip in {0, 1, 5} if trip <= options.trips} | {options.trips}
    marks |= set(range(options.every, options.trips + 1, options.every))
    # A display now and then refuses the first connection on a busy machine: try again.
    for attempt in range(3):
        figures, output, status = soak(options, marks)
        if "Couldn't open X11 display" not in output:
            break
    if status != 0 or len(figures) != len(marks):
        sys.stdout.write(output)
        sys.exit("the soak did not run to its end")
    # Without the installed level both screens show an empty map, and the soak measures
    # next to nothing of the drawing.
    if "LevelEditor: opened" not in output:
        sys.exit("the game found no level: build the tarnwick_resources target into %s" % options.build)

    print("drawer: %s%s" % ("software" if options.sdl else "OpenGL",
                            "".join(" " + setting for setting in options.env)))
    if options.map:
        print("%-15s %9s   %s" % ("", "resident", "   ".join("%9s" % kind for kind in KINDS)))
    for trip, kb, mappings in figures:
        label = "at the title:" if trip == 0 else "after trip %3d:" % trip
        line = "%-15s %6.1f MB" % (label, kb / 1024.0)
        if mappings is not None:
            totals = summary(mappings)
            line += "   " + "   ".join("%6.1f MB" % (totals[kind] / 1024.0) for kind in KINDS)
        print(line)
    by_trip = {trip: (kb, mappings) for trip, kb, mappings in figures}
    if 5 in by_trip and options.trips > 5:
        print("growth from trip 5 to trip %d: %.1f MB" % (options.trips, (by_trip[options.trips][0] - by_trip[5][0]) / 1024.0))
        if options.map:
            print_changes(by_trip[5][1], by_trip[options.trips][1])


if __name__ == "__main__":
    main()
