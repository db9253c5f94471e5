#!/usr/bin/python3
"""Makes the README's screenshots from the real game: the title screen, play at chosen
places deep in the cave, and the level editor's overview of the whole map.

    /usr/bin/python3 tools/make_screenshots.py [--build build] [--out docs/screenshots]
                                               [--level FILE] [--software]
                                               [--play NAME:COLUMN,ROW[:C,R ...]] ...

The test driver (build/bin/tarnwick_driver, built with the tests) runs the real game from
a script; `place` puts the robot on a cell and `reflector` drops a reflector there, so a
screenshot can show any spot of the level with its light chains, whatever the level looks
like. By default the game draws through OpenGL (Mesa's llvmpipe) in an Xvfb server of the
script's own; --software uses the SDL drawer under the dummy video driver instead, which
ignores tints. --level plays another level file (it is copied into a data folder of its
own, with the shipped sounds). Each --play names one screenshot play-NAME.png: the robot's
cell, then the cells of reflectors to drop, in order. Without --play the places in PLACES
below are taken; change them when the level changes.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

from gamerun import start_xvfb

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# name: (robot column, robot row, [reflector cells]) - spots of the shipped level.
PLACES = {
    "chain": (120, 28, [(112, 28), (112, 25), (134, 25)]),      # room 3, three mirrors
    "gallery": (77, 72, [(70, 69), (90, 69)]),                  # room 7, the ball gallery
    "lava": (175, 120, [(158, 120), (158, 117), (171, 117), (171, 120)]),   # room 12
}

TITLE_SCRIPT = "frames 5\nshot {out}\n"
PLAY_SCRIPT = "frames 3\nkey return\nkey x\nplace {column} {row}\n{reflectors}frames 40\nshot {out}\n"
OVERVIEW_SCRIPT = "frames 3\nkey down\nkey return\nframes 2\nkey z\nmousemove 700 420\nframes 3\nshot {out}\n"


def place(text):
    """NAME:COLUMN,ROW[:C,R ...] -> (name, (column, row, [(c, r), ...]))"""
    name, robot, *reflectors = text.split(":")
    column, row = (int(v) for v in robot.split(","))
    return name, (column, row, [tuple(int(v) for v in r.split(",")) for r in reflectors])


def data_folder(level, work):
    """A data folder with `level` and the shipped sounds, for TARNWICK_DATA_DIR."""
    resources = os.path.join(work, "data", "Contents", "Resources")
    shutil.copytree(os.path.join(ROOT, "resources", "sounds"), os.path.join(resources, "sounds"))
    shutil.copyfile(level, os.path.join(resources, "level.lev"))
    return os.path.join(work, "data")


def shoot(driver, env, work, script, out):
    bmp = os.path.join(work, "shot.bmp")
    path = os.path.join(work, "script.txt")
    with open(path, "w") as f:
        f.write(script.format(out=bmp))
    args = [driver, path, "-w", "1024", "-h", "768", "--nosound"] + env.pop("extra_args", [])
    # A busy X server can turn a connection away for a moment; SDL then gives up at once.
    for _ in range(5):
        result = subprocess.run(args, env=env, cwd=work, capture_output=True, text=True, timeout=300)
        if "Could not initialise SDL" not in result.stdout:
            break
    if result.returncode != 0:
        raise SystemExit("make_screenshots: the driver failed for %s:\n%s" % (out, result.stdout + result.stderr))
    Image.open(bmp).convert("RGB").save(out, optimize=True)
    print("make_screenshots: wrote " + out)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--out", default=os.path.join(ROOT, "docs", "screenshots"))
    parser.add_argument("--level")
    parser.add_argument("--software", action="store_true")
    parser.add_argument("--play", action="append", type=place)
    options = parser.parse_args()

    driver = os.path.join(options.build, "bin", "tarnwick_driver")
    if not os.path.exists(driver):
        raise SystemExit("make_screenshots: no %s; build the target tarnwick_driver first" % driver)
    os.makedirs(options.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tarnwick-screenshots-")
    server = None
    try:
        env = dict(os.environ, HOME=work)
        env.pop("TARNWICK_DATA_DIR", None)
        if options.level:
            env["TARNWICK_DATA_DIR"] = data_folder(options.level, work)
        if options.software:
            env["SDL_VIDEODRIVER"] = "dummy"
            env.pop("DISPLAY", None)
        else:
            server, env["DISPLAY"] = start_xvfb()
            env.pop("SDL_VIDEODRIVER", None)
        extra = ["--sdl"] if options.software else []

        def run(script, name):
            shoot(driver, dict(env, extra_args=extra), work, script, os.path.join(options.out, name))

        run(TITLE_SCRIPT, "title.png")
        for name, (column, row, reflectors) in (options.play or list(PLACES.items())):
            dropped = "".join("reflector %d %d\n" % r for r in reflectors)
            run(PLAY_SCRIPT.format(column=column, row=row, reflectors=dropped, out="{out}"), "play-%s.png" % name)
        run(OVERVIEW_SCRIPT, "editor-overview.png")
    finally:
        if server:
            server.terminate()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
