#!/usr/bin/python3
"""Proves the ways back up through the rules model: from a fresh start the robot goes
down both wells to the lower tunnel, then climbs both staircases back to the start.

Each step is a jump from one ledge to the next (design.LOWER_CLIMB, design.MIDDLE_CLIMB).
The script tries every place to stand on the ledge, a tenth of a cell apart, jumping
towards the next one; where no plain jump works (the way out at the top of a climb) it
also tries turning the arrow round in the air after every number of frames. A move counts
when the robot comes to rest on the next ledge with no life lost. The first move of each
step is played after the other, and the whole climb must end standing at the start's row
with three lives.

    tools/level/climbs.py            per step, how many standing places work, and the
                                     frames of the whole climb
    tools/level/climbs.py --route    also prints the route lines of the climb
"""
import copy
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from level import design  # noqa: E402
from level.route import RouteError, run_command  # noqa: E402
from level.sim import World  # noqa: E402

# Down both wells from the start, as the way to room 9 does.
DOWN = ["left until x <= 2.4", "settle", "right until x >= 5", "settle"]
TURN_FRAMES = 30


def attempt(w, commands):
    """Plays commands on a copy of w (the map is shared: a climb takes no crate); returns
    the copy, or None if a life was lost or a command failed."""
    trial = copy.deepcopy(w, {id(w.map): w.map})
    try:
        for line in commands:
            run_command(trial, line.split())
    except RouteError:
        return None
    return trial if trial.lives == w.lives else None


def on_ledge(w, ledge):
    x0, x1, row = ledge
    return not w.falling and w.y == row - 1 and x0 <= int(w.x + 0.5) <= x1


def standing_places(w, ledge):
    """Walks to every tenth of a cell the robot can stand at on its ledge."""
    x0, x1, _ = ledge
    places = []
    for tenth in range(int((x0 - 0.5) * 10), int((x1 + 0.5) * 10)):
        x = tenth / 10.0
        if x > w.x:
            places.append(["right until x >= %.2f" % (x - 0.01)])
        elif x < w.x:
            places.append(["left until x <= %.2f" % (x + 0.01)])
        else:
            places.append([])
    return places


def jumps(towards):
    """Plain jumps first, then jumps that turn the arrow round after some frames."""
    away = "left" if towards == "right" else "right"
    yield ["press jump", "press " + towards, "settle", "release " + towards,
           "release jump", "settle"]
    for first, second in ((away, towards), (towards, away)):
        for frames in range(1, TURN_FRAMES):
            yield ["press jump", "press " + first, "wait %d" % frames, "release " + first,
                   "press " + second, "settle", "release " + second, "release jump",
                   "settle"]


def step(w, here, there):
    """The moves from ledge `here` onto ledge `there`: (standing places that work, the
    route lines of the first)."""
    towards = "right" if there[0] + there[1] > here[0] + here[1] else "left"
    working = 0
    first = None
    for walk in standing_places(w, here):
        stand = attempt(w, walk)
        if stand is None or not on_ledge(stand, here):
            continue
        for jump in jumps(towards):
            trial = attempt(stand, jump)
            if trial is not None and on_ledge(trial, there):
                working += 1
                first = first or walk + jump
                break
    return working, first


def climb(verbose_route=False):
    w = World(design.build().cells)
    for line in DOWN:
        run_command(w, line.split())
    floor = (1, 7, 119)
    # Between the climbs the robot hops the second well east, as the way to room 8 does.
    ledges = [floor] + design.LOWER_CLIMB + [(6, 7, 71)] + design.MIDDLE_CLIMB
    assert on_ledge(w, floor), "the wells did not lead to the lower tunnel"
    start_frame = w.frame
    route = list(DOWN)
    failed = False
    for here, there in zip(ledges, ledges[1:]):
        working, lines = step(w, here, there)
        print("columns %d-%d row %3d to columns %d-%d row %3d: %2d standing places work"
              % (here + there + (working,)))
        if not lines:
            failed = True
            break
        for line in lines:
            run_command(w, line.split())
        route += lines
    if verbose_route:
        print("\n".join(route))
    home = not failed and w.y == design.START[1] and w.x < 8 and w.lives == 3
    print("climb from the lower tunnel to the start: %s, %d frames"
          % ("done" if home else "FAILED", w.frame - start_frame))
    return 0 if home else 1


if __name__ == "__main__":
    sys.exit(climb("--route" in sys.argv[1:]))
