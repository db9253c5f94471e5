#!/usr/bin/python3
"""Finds the timing of the tricky moves of a route by trying them through the rules model.

    tools/level/search.py hop ROUTE LINES DIR COLUMN    a jump while walking DIR (left or
        right) that comes to rest on column COLUMN: tries every release point of the arrow
        and prints the route lines of the ones that land alive, quickest first
    tools/level/search.py pass ROUTE LINES DIR BALL X   a walk DIR past spike ball BALL up
        to x = X, jumping it: tries every gap at which to jump and prints the ones that
        get by alive

ROUTE LINES: the first LINES lines of the route file are played first, to get the state
the move starts from.
"""
import copy
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from level import design  # noqa: E402
from level.route import RouteError, load, run_command  # noqa: E402
from level.sim import World  # noqa: E402


def start(path, lines):
    w = World(design.build().cells)
    for number, words in load(path):
        if number > lines:
            break
        run_command(w, words)
    return w


def attempt(w, commands):
    """Plays commands on a copy of w; returns the copy, or None if a life was lost."""
    trial = copy.deepcopy(w)
    lives = trial.lives
    try:
        for line in commands:
            run_command(trial, line.split())
    except RouteError:
        return None
    return trial if trial.lives == lives else None


def hop(w, direction, column):
    """Walks on up to 1.5 cells, jumps, and lets go of the arrow somewhere in flight."""
    compare = ">=" if direction == "right" else "<="
    sign = 1 if direction == "right" else -1
    found = []
    for run in range(0, 16):
        take_off = round(w.x + sign * run / 10.0, 1)
        walk = ["press " + direction, "until x %s %.1f" % (compare, take_off)] if run else \
               ["press " + direction]
        for tenth in range(run + 1, run + 60):
            target = round(w.x + sign * tenth / 10.0, 1)
            commands = walk + ["press jump", "until x %s %.1f" % (compare, target),
                               "release " + direction, "settle", "release jump", "settle"]
            trial = attempt(w, commands)
            if trial and int(trial.x + 0.5) == column and not trial.falling:
                found.append((trial.frame - w.frame, commands))
    return found


def pass_ball(w, direction, ball, goal):
    compare = ">=" if direction == "right" else "<="
    found = []
    for tenth in range(5, 60):
        gap = tenth / 10.0
        near = "gap %d <= %.1f" % (ball, gap) if direction == "right" else \
               "gap %d >= -%.1f" % (ball, gap)
        commands = ["press " + direction, "until " + near, "jump",
                    "until x %s %s" % (compare, goal), "release " + direction, "settle"]
        trial = attempt(w, commands)
        if trial:
            found.append((trial.frame - w.frame, commands))
    return found


def main():
    what, path, lines = sys.argv[1], sys.argv[2], int(sys.argv[3])
    w = start(path, lines)
    print("from x=%.2f y=%.2f frame %d" % (w.x, w.y, w.frame))
    if what == "hop":
        found = hop(w, sys.argv[4], int(sys.argv[5]))
    else:
        found = pass_ball(w, sys.argv[4], int(sys.argv[5]), sys.argv[6])
    for frames, commands in sorted(found)[:5]:
        print("%d frames: %s" % (frames, " / ".join(commands)))
    if not found:
        print("nothing works from here")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
