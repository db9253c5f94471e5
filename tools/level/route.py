"""Plays a route file (tests/game/routes/*.route) through the rules model.

A route is one command a line, "#" starting a comment (tests/game/ShippedLevelTest.cpp
lists the commands). The same files drive the C++ test, so a route that ends here with
every box lit is the one to try against the game.
"""
import os

from .sim import World

HERE = os.path.dirname(os.path.abspath(__file__))
ROUTES = os.path.join(HERE, "..", "..", "tests", "game", "routes")
PERFECT = os.path.join(ROUTES, "perfect.route")
FRAME_LIMIT = 4000
# The main loop pauses 30 ms less the time since the last pause, so frames come in pairs,
# 30 ms and the drawing time apart: about 60 a second.
FRAMES_A_SECOND = 60


def load(path=PERFECT):
    lines = []
    for number, line in enumerate(open(path).read().splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if line:
            lines.append((number, line.split()))
    return lines


class RouteError(Exception):
    pass


def value(w, name, index=None):
    if name == "x":
        return w.x
    if name == "y":
        return w.y
    if name == "frame":
        return w.frame
    if name == "ball":
        return w.balls[index][0]
    if name == "gap":
        return w.balls[index][0] - w.x
    raise RouteError("unknown value " + name)


def condition(w, words):
    """x >= 3 | y <= 4 | frame >= 100 | ball 0 >= 112.5 | gap 0 <= 2.5"""
    if words[0] in ("ball", "gap"):
        current = value(w, words[0], int(words[1]))
        op, target = words[2], float(words[3])
    else:
        current = value(w, words[0])
        op, target = words[1], float(words[2])
    if op == ">=":
        return current >= target
    if op == "<=":
        return current <= target
    raise RouteError("unknown comparison " + op)


def advance_until(w, words):
    for _ in range(FRAME_LIMIT):
        if condition(w, words):
            return
        w.step()
    raise RouteError("not reached in %d frames: %s" % (FRAME_LIMIT, " ".join(words)))


def settle(w):
    still = 0
    previous = w.y
    for _ in range(FRAME_LIMIT):
        w.step()
        still = still + 1 if w.y == previous else 0
        previous = w.y
        if still >= 2:
            return
    raise RouteError("never came to rest")


def key(w, name, pressed):
    if name == "right":
        w.moving_right = pressed
    elif name == "left":
        w.moving_left = pressed
    elif name == "jump":
        w.jump(pressed)
    else:
        raise RouteError("unknown key " + name)


def run_command(w, words):
    cmd = words[0]
    if cmd in ("right", "left") and len(words) > 1 and words[1] == "until":
        key(w, cmd, True)
        advance_until(w, words[2:])
        key(w, cmd, False)
    elif cmd == "press":
        key(w, words[1], True)
    elif cmd == "release":
        key(w, words[1], False)
    elif cmd == "until":
        advance_until(w, words[1:])
    elif cmd == "wait":
        for _ in range(int(words[1])):
            w.step()
    elif cmd == "settle":
        settle(w)
    elif cmd == "jump":
        key(w, "jump", True)
        settle(w)
        key(w, "jump", False)
    elif cmd == "drop":
        if not w.drop():
            raise RouteError("the reflector was not placed")
    elif cmd == "expect":
        what, want = words[1], int(words[2])
        got = {"lit": w.lit_boxes, "reflectors": w.num_reflectors, "lives": w.lives}[what]
        if got != want:
            raise RouteError("expected %s %d, have %d" % (what, want, got))
    else:
        raise RouteError("unknown command " + cmd)


def play(cells, verbose=False, path=PERFECT, world=None):
    w = world or World(cells)
    fewest = None       # the fewest reflectors held just after a drop
    for number, words in load(path):
        lives = w.lives
        try:
            run_command(w, words)
        except RouteError as e:
            print("route line %d (%s): %s; at x=%.2f y=%.2f frame %d lives %d lit %d/%d"
                  % (number, " ".join(words), e, w.x, w.y, w.frame, w.lives, w.lit_boxes,
                     len(w.boxes)))
            return 1
        if words[0] == "drop":
            fewest = w.num_reflectors if fewest is None else min(fewest, w.num_reflectors)
        if w.lives < lives:
            print("route line %d (%s): a life was lost" % (number, " ".join(words)))
        if verbose:
            print("%4d %-32s x=%7.2f y=%6.2f frame=%5d lives=%d refl=%2d lit=%d"
                  % (number, " ".join(words), w.x, w.y, w.frame, w.lives, w.num_reflectors,
                     w.lit_boxes))
        if w.complete:
            break
    done = w.complete and not w.game_over
    print("route: %s after %d frames (%.1f s at %d frames/s), lives %d, reflectors left %d, "
          "crates %d" % ("complete" if done else "NOT complete", w.frame, w.frame / FRAMES_A_SECOND,
                         FRAMES_A_SECOND,
                         w.lives, w.num_reflectors, w.crates))
    print("route: the fewest reflectors held after a drop: %s" % fewest)
    return 0 if done else 1
