#!/usr/bin/python3
"""Whether the robot can walk home from everywhere it can come to rest, through the rules
model: a search over resting spots, spike balls left out (they can be jumped or waited
for), spikes and lava deadly.

From each resting spot the search tries a step left and right, and jumps: straight up,
with an arrow held throughout, held for part of the arc and let go, or pressed only after
some frames, or turned round in the air; each move is played until the robot rests
again, and a move that costs a life does not count. The spots reached from the start
form a graph; a spot from which no chain of moves leads back to the start's row west of
the cave mouth is a one-way spot, and is reported with the cells its area spans.

The cave is searched twice: with the crates where the map has them, and with every
crate taken, as they are after the clean run.

    tools/level/homes.py       prints the spots found and every one-way area; fails if any
"""
import os
import sys
from collections import deque

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from level import design  # noqa: E402
from level.sim import CAVEBACK, CRATE, STEP, World  # noqa: E402

ARC = 32            # frames of a jump's rise and fall
SETTLE_LIMIT = 400


def patterns():
    """Each move as a list of (frames, keys held) stages; the last stage lasts until the
    robot rests (a walk: one step, or on over an edge until it lands), then the keys are
    let go."""
    moves = [[(0, "L")], [(0, "R")], [(0, "J")], [(0, "JL")], [(0, "JR")]]
    for side in "LR":
        other = "R" if side == "L" else "L"
        for k in range(2, ARC, 3):
            moves.append([(k, "J" + side), (0, "J")])
            moves.append([(k, "J"), (0, "J" + side)])
        for k in range(4, ARC, 4):
            moves.append([(k, "J" + side), (0, "J" + other)])
    return moves


class Search:
    def __init__(self, cells):
        self.w = World(cells)
        self.w.balls = []
        self.taken = []
        world = self.w

        def collect(c, r):          # taken for this move only; put back after it
            self.taken.append((c, r))
            world.set_tile(c, r, CAVEBACK)
            world.num_reflectors += 5
        self.w.collect = collect

    def load(self, spot):
        """Puts the robot at rest on the spot, no key held, three lives."""
        w = self.w
        w.x, w.y = spot
        w.moving_left = w.moving_right = False
        w.jump_held = w.jump_spent = w.falling = False
        w.jump_phase = 0.0
        w.jump_base = spot[1]
        w.fall_speed = STEP
        w.lives = 3

    def keys(self, held):
        w = self.w
        w.moving_left = "L" in held
        w.moving_right = "R" in held
        want = "J" in held
        if want != w.jump_held:
            w.jump(want)

    def play(self, spot, move):
        """The spot the move ends resting on, or None if it costs a life."""
        self.load(spot)
        w = self.w
        result = None
        for frames, held in move[:-1]:
            self.keys(held)
            for _ in range(frames):
                w.move_player()
        if w.lives == 3:
            self.keys(move[-1][1])
            result = self.rest()
            if result is not None and move[-1][1]:
                self.keys("")
                result = self.rest()
        for c, r in self.taken:
            w.set_tile(c, r, CRATE)
        self.taken = []
        return result

    def rest(self):
        """Steps until the robot stands still (jump, if held, spent), keys as they are."""
        w = self.w
        still = 0
        previous = (w.x, w.y)
        for _ in range(SETTLE_LIMIT):
            w.move_player()
            if w.lives < 3:
                return None
            here = (w.x, w.y)
            moving = w.moving_left != w.moving_right
            if here == previous and not w.falling and (not w.jump_held or w.jump_spent):
                still += 1
                if still >= 2 or (moving and still >= 1):
                    return here
            else:
                still = 0
            previous = here
            if moving and not w.falling and (not w.jump_held or w.jump_spent) and \
                    w.y == int(w.y) and w.jump_phase == 0.0:
                return here
        return None


def key(spot):
    return (int(round(spot[0] * 10)), int(spot[1]))


def explore(cells):
    s = Search(cells)
    start = (float(design.START[0]), float(design.START[1]))
    spots = {key(start): start}
    edges = {}
    todo = deque([start])
    moves = patterns()
    while todo:
        spot = todo.popleft()
        k = key(spot)
        out = set()
        for move in moves:
            end = s.play(spot, move)
            if end is None:
                continue
            ek = key(end)
            if ek == k:
                continue
            out.add(ek)
            if ek not in spots:
                spots[ek] = end
                todo.append(end)
        edges[k] = out
        if len(spots) % 500 == 0:
            sys.stderr.write("%d spots\r" % len(spots))
    return spots, edges


def one_way(spots, edges):
    home = {k for k in spots if k[1] == design.START[1] and k[0] <= 80}
    back = {}
    for k, out in edges.items():
        for e in out:
            back.setdefault(e, set()).add(k)
    seen = set(home)
    todo = deque(home)
    while todo:
        k = todo.popleft()
        for p in back.get(k, ()):
            if p not in seen:
                seen.add(p)
                todo.append(p)
    return sorted(k for k in spots if k not in seen)


def areas(keys):
    """Groups spots by touching cells; each group as its bounding cells."""
    left = set((round(k[0] / 10), k[1]) for k in keys)
    groups = []
    while left:
        first = left.pop()
        group = [first]
        todo = [first]
        while todo:
            x, y = todo.pop()
            for n in ((x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-4, -3, -2, -1, 0, 1, 2, 3, 4)):
                if n in left:
                    left.remove(n)
                    group.append(n)
                    todo.append(n)
        xs = [g[0] for g in group]
        ys = [g[1] for g in group]
        groups.append((min(xs), min(ys), max(xs), max(ys), len(group)))
    return sorted(groups)


def main():
    cells = design.build().cells
    failed = False
    for name, variant in (("crates in place", cells), ("crates taken",
                          bytes(CAVEBACK if v == CRATE else v for v in cells))):
        spots, edges = explore(variant)
        stuck = one_way(spots, edges)
        print("%s: %d resting spots, %d one-way" % (name, len(spots), len(stuck)))
        for x0, y0, x1, y1, n in areas(stuck):
            print("  one-way: columns %d-%d, rows %d-%d (%d cells)" % (x0, x1, y0, y1, n))
        failed = failed or bool(stuck)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
