"""The shipped cave, room by room. Coordinates are (column, row) of the 1024 x 768 map;
"stand row" is the row the robot's body occupies when standing on a floor one row lower."""
from .canvas import Canvas
from .sim import EARTH, LAMP, LIGHTBOX, CRATE, SPIKES, LAVA, SPIKEBALL, WIDTH

START = (4, 22)


def world(c):
    """The land around the played area: a cliff at each map edge, rolling hills above
    ground level and solid rock below."""
    import math
    for x in range(WIDTH):
        # Gentle hills, deterministic: a sum of two slow waves.
        top = 20 + int(round(2.5 * math.sin(x * 0.061) + 1.5 * math.sin(x * 0.173 + 1.0)))
        c.terrain(x, x, top)
    c.terrain(0, 1, 12)
    c.terrain(WIDTH - 3, WIDTH - 1, 6)


def meadow(c):
    """The first screen: flat grass to walk on, then steps of one, two and three cells up
    a small hill, and down again to the mouth of the first cave."""
    c.terrain(2, 11, 23)
    c.terrain(12, 14, 22)
    c.terrain(15, 17, 20)
    c.terrain(18, 21, 17)
    c.terrain(22, 24, 20)
    c.terrain(25, 28, 22)
    c.terrain(29, 60, 23)


def cave_a(c):
    """Under the meadow: a lamp in the west wall, a light box in the ceiling. One reflector
    on the floor right under the box lights it; the beam climbs a pipe to the hilltop."""
    c.carve(6, 27, 35, 31)
    # a few irregular ceiling cells so the hall does not look cut with a ruler
    c.rock(6, 27, 8, 27)
    c.rock(27, 27, 30, 27)
    c.rough_ceiling(9, 26, 27, 1, keep=(20,))
    c.put(5, 31, LAMP)
    c.box_with_pipe(20, 26)
    # the stairs out, two cells a step, open to the sky at their top
    c.carve(36, 26, 37, 29)
    c.carve(38, 24, 39, 27)
    c.carve(40, 22, 41, 25)
    c.carve(42, 22, 43, 23)


def surface_pool(c):
    """A small sunken lava pool on the way east: jump it."""
    c.carve(49, 23, 50, 23)
    c.fill(49, 24, 50, 24, LAVA)


def cave_b(c):
    """A lamp high on the west wall and a light box standing on the floor: a reflector
    dropped at the top of a jump catches the lamp, a second one on the floor below it
    carries the light down to the box. A crate lies on the way in."""
    c.carve(57, 23, 58, 27)          # the hole in the ground
    c.carve(54, 28, 84, 33)
    c.rock(54, 28, 55, 28)
    c.rock(77, 28, 84, 28)
    c.rough_ceiling(56, 76, 28, 2, keep=(57, 58))
    c.put(53, 30, LAMP)
    c.put(64, 33, CRATE)
    c.put(72, 33, LIGHTBOX)
    # east: a low step up into the tunnel to the great hall
    c.rock(83, 33, 84, 33)
    c.carve(85, 30, 95, 32)


def hall_c(c):
    """The great hall: a spike ball rolls along the floor; jump it where the ceiling is
    high, or wait for it in the notch with the crate. Spikes hang from two low spurs of
    the ceiling: no jumping under those. A lamp hangs in the ceiling and the light box
    sits low in the east wall."""
    c.carve(96, 27, 131, 33)
    c.rock(96, 27, 99, 28)
    c.rock(128, 27, 131, 28)
    c.rough_ceiling(100, 127, 27, 2, keep=(106,))
    for x0 in (112, 121):
        c.rock(x0, 27, x0 + 2, 29)
        c.fill(x0, 30, x0 + 2, 30, SPIKES)
    c.carve(117, 34, 118, 34)
    c.put(118, 34, CRATE)
    c.put(106, 26, LAMP)
    c.box_with_pipe(132, 33)
    c.put(125, 33, SPIKEBALL)
    # the way down to the lava cave
    c.carve(129, 34, 130, 36)


def cave_d(c):
    """The lava cave: stepping stones over a lava lake while a spike ball sweeps the air at
    jump height, so jump when it has passed. The lamp is in the west wall three cells up;
    the box hangs in the ceiling over the ledge on the far side."""
    c.carve(124, 37, 166, 46)
    c.rock(124, 37, 127, 39)
    c.rock(160, 37, 166, 39)
    c.rough_ceiling(128, 159, 37, 2, keep=(129, 130))
    for x in range(134, 156):
        c.put(x, 47, LAVA)
    for x in (136, 137, 140, 141, 144, 145, 148, 149, 152, 153):
        c.put(x, 47, EARTH)
    c.put(123, 43, LAMP)
    c.rock(157, 44, 166, 46)
    c.box_with_pipe(162, 39)
    c.put(164, 43, CRATE)
    c.put(150, 44, SPIKEBALL)


def cave_e(c):
    """The finale: from the lava cave a shaft drops to the foot of a staircase of
    three-cell steps, where a lamp burns and a spike ball patrols. The last light box
    hangs over the top step, so the light has to be carried up the stairs: on every step
    one reflector on the floor and one at the top of a jump."""
    c.carve(167, 41, 171, 43)
    c.carve(170, 44, 171, 52)
    c.put(169, 52, LAMP)
    steps = [  # (first column, last column, top of the open space, stand row)
        (172, 183, 49, 52),
        (184, 186, 46, 49),
        (187, 189, 43, 46),
        (190, 194, 40, 43),
    ]
    for x0, x1, top, stand in steps:
        c.carve(x0, top, x1, stand)
    c.box_with_pipe(192, 39)
    c.put(178, 52, SPIKEBALL)


def build():
    c = Canvas()
    world(c)
    meadow(c)
    cave_a(c)
    surface_pool(c)
    cave_b(c)
    hall_c(c)
    cave_d(c)
    cave_e(c)
    c.grass()
    return c
