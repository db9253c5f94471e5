#!/usr/bin/env python3
"""Memory soak: the real game in an Xvfb server of its own, driven by the test driver
through round trips title -> play -> title -> editor with the overview (Z) -> title.
Prints the resident memory after chosen trips and the growth from trip 5 to the last.

    bench/soak_memory.py [--build DIR] [--trips N] [--sdl]

--sdl runs the software drawer instead of OpenGL (Mesa llvmpipe under Xvfb). Not a test:
it prints figures for a person to read."""

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


def run_once(options, script):
    folder = tempfile.mkdtemp(prefix="tarnwick-soak-")
    server, display = start_xvfb()
    try:
        with open(os.path.join(folder, "script.txt"), "w") as f:
            f.write(script)
        env = dict(os.environ, HOME=folder, DISPLAY=display, SDL_AUDIODRIVER="dummy", LIBGL_ALWAYS_SOFTWARE="1")
        env.pop("SDL_VIDEODRIVER", None)
        args = [os.path.join(options.build, "bin", "tarnwick_driver"), os.path.join(folder, "script.txt"),
                "-w", "1024", "-h", "768", "-ns", "-nm"] + (["--sdl"] if options.sdl else [])
        return subprocess.run(args, env=env, cwd=folder, capture_output=True, text=True)
    finally:
        server.kill()
        server.wait()
        shutil.rmtree(folder, True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--trips", type=int, default=200)
    parser.add_argument("--sdl", action="store_true")
    options = parser.parse_args()
    options.build = os.path.abspath(options.build)

    marks = sorted({1, 5, 10, 20, 50, 100, 150, options.trips} & set(range(1, options.trips + 1)))
    script = "frames 2\nexpect-state TitleScreen\nmemory\n"
    for trip in range(1, options.trips + 1):
        script += TRIP
        if trip in marks:
            script += "memory\n"
    script += "quit\nframes 1\n"

    # A display now and then refuses the first connection on a busy machine: try again.
    for attempt in range(3):
        result = run_once(options, script)
        if "Couldn't open X11 display" not in result.stdout:
            break

    figures = [int(kb) for kb in re.findall(r"driver: resident (\d+) kB", result.stdout)]
    if result.returncode != 0 or len(figures) != len(marks) + 1:
        sys.stdout.write(result.stdout)
        sys.exit("the soak did not run to its end")
    print("drawer: %s" % ("software" if options.sdl else "OpenGL"))
    print("at the title: %7.1f MB" % (figures[0] / 1024.0))
    for trip, kb in zip(marks, figures[1:]):
        print("after trip %3d: %7.1f MB" % (trip, kb / 1024.0))
    if 5 in marks:
        growth = figures[-1] - figures[1 + marks.index(5)]
        print("growth from trip 5 to trip %d: %.1f MB" % (marks[-1], growth / 1024.0))


if __name__ == "__main__":
    main()
