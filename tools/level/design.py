"""The shipped cave: where the rooms of tools/level/rooms/ go, and the rock, sky and shafts
around them. Coordinates are (column, row) of the 1024 x 768 map.

Three tunnels run east under the hill, one above the other, each through four rooms of
48 x 24 cells whose walking row (the row the robot's body is in) is the room's row 10:

    upper tunnel   walking row  22   rooms 1-4, eastwards from the start
    middle tunnel  walking row  70   rooms 5-8, met at its east end by the shaft from room 4
    lower tunnel   walking row 118   rooms 9-12

Beside the start, at columns 1-2, the first well drops from the meadow to the west end of
the middle tunnel, and the second well (columns 4-5) drops from there to the west end of
the lower tunnel: after a lost life the robot is back at (4, 22), a few steps and a fall
from any tunnel. Beside each well a staircase of ledges climbs back up, so a robot that
went down too early can walk home without losing a life.
"""
import math

from .canvas import Canvas
from .rooms import (first_light, high_lamp, three_mirrors, long_hall, pipe_wall, crate_gate,
                    ball_gallery, lava_stones, lava_leap, ball_chain, crate_shaft, finale)
from .sim import WIDTH, EARTH

START = (4, 22)

ROOM_WIDTH = 48
ROOM_ROW = 10          # the walking row inside a room's map
TUNNELS = (22, 70, 118)
ROOM_COLUMNS = (8, 56, 104, 152)
CAVE_REGION = (0, 0, 208, 140)     # columns and rows the rooms, tunnels and wells lie in

# (room module, tunnel index, slot); the rooms are numbered in this order.
ROOMS = [
    (first_light, 0, 0),
    (high_lamp, 0, 1),
    (three_mirrors, 0, 2),
    (long_hall, 0, 3),
    (pipe_wall, 1, 3),          # the middle tunnel is walked westwards on the way down
    (crate_gate, 1, 2),
    (ball_gallery, 1, 1),
    (lava_stones, 1, 0),
    (lava_leap, 2, 0),
    (ball_chain, 2, 1),
    (crate_shaft, 2, 2),
    (finale, 2, 3),
]


def room_origin(tunnel, slot):
    return ROOM_COLUMNS[slot], TUNNELS[tunnel] - ROOM_ROW


def world(c):
    """Sky over a hill that rises east of the meadow; solid rock below."""
    for x in range(WIDTH):
        top = 9 + int(round(1.5 * math.sin(x * 0.07) + 1.0 * math.sin(x * 0.19 + 1.0)))
        c.terrain(x, x, top)
    c.terrain(0, 7, 23)
    c.terrain(0, 0, 12)


def wells(c):
    """The two wells west of the start and the short tunnel ends they open into."""
    c.carve(1, 23, 2, 70)               # first well: meadow to the middle tunnel
    c.carve(1, 67, 7, 70)               # the middle tunnel's west end
    c.carve(4, 71, 5, 118)              # second well: middle to lower tunnel
    c.carve(1, 115, 7, 118)             # the lower tunnel's west end
    c.carve(ROOM_COLUMNS[3] + 46, 36, ROOM_COLUMNS[3] + 47, 59)   # room 4's shaft down


# The ways back up, so a robot that fell too early walks home alive: staircases of
# one-cell ledges two rows apart, west and east in turn, beside the fall line of each
# well, which stays clear. A jump rises three rows, so each ledge is an easy hop from the
# one below, with a column to rise through between them. Each climb is listed from the
# bottom up as (first column, last column, row of the ledge), ending with the ground its
# top ledge jumps out onto.
#
# Lower tunnel to the middle one, across the second well. The lowest ledge is three rows
# over the tunnel's floor, a jump's full height; the top one, on the east side, has two
# rows over it, so a jump west from it rises through the well's mouth and comes down on
# the middle tunnel's floor beyond.
LOWER_CLIMB = [ledge for row in range(116, 73, -4)
               for ledge in ((1, 3, row), (6, 7, row - 2))] + [(1, 3, 71)]
# Middle tunnel to the start, east of the first well. The lowest ledge is one cell wide,
# against room 8's door post, so the hop east over the second well passes below it; the
# robot jumps to it from the floor beside. From the top ledge it jumps up through the first
# well's mouth and steers right onto the grass.
MIDDLE_CLIMB = [(7, 7, 68), (3, 5, 66)] + \
    [ledge for row in range(64, 27, -4) for ledge in ((6, 7, row), (3, 4, row - 2))] + \
    [(3, 7, 23)]


def climbs(c):
    c.carve(1, 72, 7, 114)
    c.carve(3, 24, 7, 66)
    for x0, x1, row in LOWER_CLIMB[:-1] + MIDDLE_CLIMB[:-1]:
        for x in range(x0, x1 + 1):
            c.put(x, row, EARTH)


def build():
    c = Canvas()
    world(c)
    for module, tunnel, slot in ROOMS:
        x, y = room_origin(tunnel, slot)
        c.stamp(x, y, module.MAP)
    wells(c)
    climbs(c)
    c.seal_pockets(START, CAVE_REGION)
    c.rough_ceilings(CAVE_REGION)
    c.pipes_up()
    c.grass()
    return c
