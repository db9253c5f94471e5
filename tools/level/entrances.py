#!/usr/bin/python3
"""How long the walk is from the start to the entrance of every room.

After a lost life the robot is back at (4, 22); these are the ways from there to each
room's door, played through the rules model from a fresh level (rooms on the way not
solved, spike balls where a new game has them). Each way is a route (the language of
tests/game/routes/) that ends at the room's entrance column; the figure is its frame
count. A way that meets a spike ball waits for it, and how long depends on where the
ball is, so every way is also walked after letting the balls roll on for every start
time across their longest patrol: the worst of those is the figure that must stay within
the limit.

    tools/level/entrances.py            prints the frames per room and the longest
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from level import design  # noqa: E402
from level.route import run_command  # noqa: E402
from level.sim import World  # noqa: E402

LIMIT = 2400

# Each tunnel's way, as (room number, commands up to that room's entrance); a tunnel's
# rooms are reached one after another along it. Room 5 is entered where the clean run
# enters it, at the foot of the long hall's shaft.
UPPER = [
    (1, """
    right until x >= 8
    """),
    (2, """
    press right
    until x >= 40.9
    jump
    until x >= 56
    """),
    (3, """
    until x >= 85
    jump
    jump
    jump
    until x >= 104
    """),
    (4, """
    until x >= 131
    jump
    until x >= 145
    jump
    jump
    jump
    until x >= 152
    """),
    (5, """
    until x >= 171.1
    jump
    until x >= 198
    settle
    """),
]

# Down the first well, over the second, then east through the rooms walked westwards on
# the clean run.
MIDDLE = [
    (8, """
    left until x <= 2.4
    settle
    press right
    until x >= 2.5
    press jump
    until x >= 6.7
    release right
    settle
    release jump
    settle
    right until x >= 8
    """),
    (7, """
    right until x >= 10.6
    press right
    until x >= 10.8
    press jump
    until x >= 13.7
    release right
    settle
    release jump
    settle
    right until x >= 17.4
    press right
    press jump
    until x >= 20.0
    release right
    settle
    release jump
    settle
    press right
    until x >= 20.4
    press jump
    until x >= 23.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 24.4
    press jump
    until x >= 27.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 28.4
    press jump
    until x >= 31.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 32.4
    press jump
    until x >= 35.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 36.5
    press jump
    until x >= 39.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 40.4
    press jump
    until x >= 43.7
    release right
    settle
    release jump
    settle
    right until x >= 56
    """),
    (6, """
    right until x >= 58.5
    until ball 0 <= 63
    until ball 0 >= 65
    press right
    jump
    until x >= 64.6
    jump
    until x >= 78.6
    jump
    until gap 0 <= 3.0
    jump
    until x >= 96
    jump
    until x >= 104
    """),
]

# Down both wells, then east.
LOWER = [
    (9, """
    left until x <= 2.4
    settle
    right until x >= 5
    settle
    right until x >= 8
    """),
    (10, """
    right until x >= 10.6
    press right
    press jump
    until x >= 14.0
    release right
    settle
    release jump
    settle
    press right
    until x >= 14.4
    press jump
    until x >= 17.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 18.4
    press jump
    until x >= 21.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 22.4
    press jump
    until x >= 25.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 26.4
    press jump
    until x >= 29.7
    release right
    settle
    release jump
    settle
    press jump
    until y <= 117.9
    settle
    release jump
    settle
    press right
    until x >= 30.4
    press jump
    until x >= 33.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 34.4
    press jump
    until x >= 37.7
    release right
    settle
    release jump
    settle
    press right
    until x >= 37.9
    press jump
    until x >= 39.5
    release right
    settle
    release jump
    settle
    right until x >= 56
    """),
    (11, """
    right until x >= 58.5
    until ball 1 <= 63
    until ball 1 >= 65
    press right
    jump
    until x >= 64.6
    jump
    press right
    until gap 1 <= 3.0
    jump
    until x >= 82.5
    jump
    until x >= 85.6
    release right
    settle
    press right
    until x >= 89.6
    jump
    until x >= 96
    jump
    until x >= 104
    """),
    (12, """
    until x >= 106.5
    jump
    until x >= 124.7
    release right
    settle
    settle
    press right
    until x >= 133
    jump
    jump
    jump
    jump
    jump
    right until x >= 152
    """),
]


PATROL = 730       # frames of the longest spike-ball round trip (the ball gallery), rounded up


def walk(ways, cells, head_start=0):
    """Plays a tunnel's ways one after another, after head_start frames of standing still
    at the start; yields (room, frames from setting off to its entrance)."""
    w = World(cells)
    for _ in range(head_start):
        w.step()
    for room, text in ways:
        for line in text.strip().splitlines():
            run_command(w, line.split())
        if w.lives < 3:
            raise SystemExit("entrances: a life lost on the way to room %d" % room)
        yield room, w.frame - head_start


def measure():
    """{room: (frames from a fresh start, the most over all ball positions)}"""
    cells = design.build().cells
    frames = {}
    for ways in (UPPER, MIDDLE, LOWER):
        fresh = dict(walk(ways, cells))
        worst = dict(fresh)
        for head_start in range(10, PATROL, 10):
            for room, n in walk(ways, cells, head_start):
                worst[room] = max(worst[room], n)
        for room in fresh:
            frames[room] = (fresh[room], worst[room])
    return frames


def main():
    frames = measure()
    for room in sorted(frames):
        print("room %2d: %4d frames from a fresh start, at most %4d" % ((room,) + frames[room]))
    worst = max(most for _, most in frames.values())
    print("longest: %d frames (limit %d)" % (worst, LIMIT))
    return 0 if worst <= LIMIT else 1


if __name__ == "__main__":
    sys.exit(main())
