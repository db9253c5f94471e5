"""How many reflectors each light box needs, worked out from the map alone.

Light runs along the open runs of a row or a column (a run ends at the first cell that is
not Empty or CaveBack). A reflector lights when a lamp ends one of its runs or a lit
reflector stands in one of them; a box lights when a lit reflector stands in one of the
runs that start beside it. So the fewest reflectors a box needs is a breadth-first walk
over the cells a reflector can be dropped in, from the runs that end at a lamp.

Two sets of cells are tried. "reach" holds the cells the robot can drop in from the
ground: standing cells and the three cells above them that a jump passes. "loose" adds
every cave cell, for drops made while falling. A box the loose walk lights with fewer
reflectors than the design says has a shortcut to close. Crates count as taken: the
figures are for a player who has found them all.
"""
from collections import deque

from .sim import CAVEBACK, CRATE, LAMP, LAVA, LIGHTBOX, passable as open_cell

REGION = (0, 0, 256, 160)   # columns and rows that hold the played cave


def passable(t):
    return open_cell(t) or t == CRATE


def runs(c):
    """Maps every open cell of the region to the id of its row run and its column run,
    and each run id to its cells and the two cells that end it."""
    x0, y0, x1, y1 = REGION
    row_run, col_run, cells, ends = {}, {}, [], []
    for y in range(y0, y1):
        x = x0
        while x < x1:
            if passable(c.get(x, y)):
                start = x
                while x < x1 and passable(c.get(x, y)):
                    x += 1
                rid = len(cells)
                cells.append([(i, y) for i in range(start, x)])
                ends.append(((start - 1, y), (x, y)))
                for i in range(start, x):
                    row_run[(i, y)] = rid
            x += 1
    for x in range(x0, x1):
        y = y0
        while y < y1:
            if passable(c.get(x, y)):
                start = y
                while y < y1 and passable(c.get(x, y)):
                    y += 1
                rid = len(cells)
                cells.append([(x, j) for j in range(start, y)])
                ends.append(((x, start - 1), (x, y)))
                for j in range(start, y):
                    col_run[(x, j)] = rid
            y += 1
    return row_run, col_run, cells, ends


def droppable(c, loose):
    """The cells a reflector can be dropped in (see the module comment)."""
    x0, y0, x1, y1 = REGION
    cells = set()
    for y in range(y0, y1):
        for x in range(x0, x1):
            t = c.get(x, y)
            if not passable(t):
                continue
            if loose and t == CAVEBACK:
                cells.add((x, y))
                continue
            below = c.get(x, y + 1)
            if not open_cell(below) and below != LAVA:
                for k in range(4):
                    if not passable(c.get(x, y - k)):
                        break
                    cells.add((x, y - k))
    return cells


def chains(c, loose=False):
    """For every light box: (column, row, fewest reflectors or None, the cells of one
    shortest chain from the lamp end)."""
    row_run, col_run, run_cells, ends = runs(c)
    drop = droppable(c, loose)
    dist, parent = {}, {}
    run_best = {}
    queue = deque()
    for rid, (a, b) in enumerate(ends):
        if c.get(*a) == LAMP or c.get(*b) == LAMP:
            for cell in run_cells[rid]:
                if cell in drop and cell not in dist:
                    dist[cell] = 1
                    parent[cell] = None
                    queue.append(cell)
    while queue:
        cell = queue.popleft()
        for rid in (row_run[cell], col_run[cell]):
            if rid in run_best:
                continue
            run_best[rid] = cell
            for other in run_cells[rid]:
                if other in drop and other not in dist:
                    dist[other] = dist[cell] + 1
                    parent[other] = cell
                    queue.append(other)
    result = []
    x0, y0, x1, y1 = REGION
    for y in range(y0, y1):
        for x in range(x0, x1):
            if c.get(x, y) != LIGHTBOX:
                continue
            best = None
            for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                n = (x + dx, y + dy)
                if not passable(c.get(*n)) or n not in row_run:
                    continue
                rid = row_run[n] if dy == 0 else col_run[n]
                if rid in run_best:
                    holder = run_best[rid]
                    if best is None or dist[holder] < dist[best]:
                        best = holder
            chain = []
            cell = best
            while cell is not None:
                chain.append(cell)
                cell = parent[cell]
            result.append((x, y, dist[best] if best else None, list(reversed(chain))))
    return result


def report(c):
    """Prints each box's fewest reflectors for both sets of cells; returns the reach list."""
    reach = chains(c)
    loose = {(x, y): n for x, y, n, _ in chains(c, loose=True)}
    for x, y, n, chain in reach:
        print("box %3d,%3d: %s reflectors (%s while falling): %s"
              % (x, y, n, loose[(x, y)], " ".join("%d,%d" % p for p in chain)))
    return reach
