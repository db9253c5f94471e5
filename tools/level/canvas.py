"""The level as a grid of tile bytes, with the few drawing operations the design uses."""
import math

from .sim import (EMPTY, EARTH, GRASS, CAVEBACK, LAMP, LIGHTBOX, LIGHTPIPE, CRATE, SPIKES,
                  LAVA, SPIKEBALL, WIDTH, HEIGHT)

# The characters of a room's map. A space is open sky; '%' leaves the cell as it was, so a
# room can be drawn over the rock or the corridor around it without repeating them.
LEGEND = {
    '#': EARTH, '.': CAVEBACK, ' ': EMPTY, 'L': LAMP, 'B': LIGHTBOX, '|': LIGHTPIPE,
    'C': CRATE, '^': SPIKES, '~': LAVA, 'o': SPIKEBALL,
}


class Canvas:
    def __init__(self):
        self.cells = bytearray(WIDTH * HEIGHT)
        # The ground line: the first solid row of every column before any cave is carved.
        # Carving below it makes cave background, above it open sky.
        self.ground = [HEIGHT] * WIDTH

    def get(self, x, y):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            return self.cells[y * WIDTH + x]
        return EARTH

    def put(self, x, y, value):
        assert 0 <= x < WIDTH and 0 <= y < HEIGHT, (x, y)
        self.cells[y * WIDTH + x] = value

    def stamp(self, x0, y0, text):
        """Draws a room from its character map (see LEGEND) with its top-left corner at
        column x0, row y0. Every line of the map must be as wide as the first."""
        lines = text.strip("\n").split("\n")
        width = len(lines[0])
        for dy, line in enumerate(lines):
            assert len(line) == width, "map line %d is %d wide, not %d" % (dy, len(line), width)
            for dx, ch in enumerate(line):
                if ch != '%':
                    self.put(x0 + dx, y0 + dy, LEGEND[ch])

    def pipes_up(self):
        """Pipes that end in rock go on up through it to the first open cell above, so a lit
        box's beam climbs out into the tunnel or the sky above its room."""
        for x in range(WIDTH):
            for y in range(1, HEIGHT):
                if self.get(x, y) == LIGHTPIPE and self.get(x, y - 1) == EARTH:
                    top = y - 1
                    while top > 0 and self.get(x, top) == EARTH:
                        top -= 1
                    if self.get(x, top) in (EMPTY, CAVEBACK):
                        for row in range(top + 1, y):
                            self.put(x, row, LIGHTPIPE)

    def seal_pockets(self, start, region):
        """Fills with rock every cave cell of the region that the robot's open space does
        not reach (4-connected from the start), so no pocket floats in the rock."""
        x0, y0, x1, y1 = region
        seen = {start}
        todo = [start]
        while todo:
            x, y = todo.pop()
            for n in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                if n not in seen and x0 <= n[0] < x1 and y0 <= n[1] < y1 and \
                        self.get(*n) in (EMPTY, CAVEBACK, SPIKEBALL):
                    seen.add(n)
                    todo.append(n)
        for y in range(y0, y1):
            for x in range(x0, x1):
                if self.get(x, y) == CAVEBACK and (x, y) not in seen:
                    self.put(x, y, EARTH)

    def rough_ceilings(self, region):
        """Wears the rock over tall open spaces away by zero to two cells, in a fixed wavy
        pattern, so ceilings do not look cut with a ruler. Only rock that is solid for
        three cells up is worn, and only over at least four open cells, so low passages,
        hanging rocks, and the cells over lamps, boxes and pipes stay as drawn."""
        x0, y0, x1, y1 = region
        for x in range(x0, x1):
            wave = math.sin(x * 0.37) + 0.7 * math.sin(x * 1.1 + 0.5)
            depth = 0 if wave < -0.3 else 1 if wave < 0.8 else 2
            if depth == 0:
                continue
            for y in range(y0 + 4, y1):
                if self.get(x, y) != CAVEBACK or self.get(x, y - 1) != EARTH:
                    continue
                if any(self.get(x, y + k) != CAVEBACK for k in range(4)):
                    continue
                if any(self.get(x, y - k) != EARTH for k in range(1, depth + 3)):
                    continue
                for k in range(1, depth + 1):
                    self.put(x, y - k, CAVEBACK)

    def carve(self, x0, y0, x1, y1):
        """Opens the rectangle: cave background under the ground line, sky above it."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, CAVEBACK if y >= self.ground[x] else EMPTY)

    def terrain(self, x0, x1, top):
        """Sky above row `top`, rock from it down to the bottom of the map."""
        for x in range(x0, x1 + 1):
            self.ground[x] = top
            for y in range(HEIGHT):
                self.put(x, y, EARTH if y >= top else EMPTY)

    def grass(self):
        """Rock whose top faces the open sky grows grass; everything else stays bare."""
        for y in range(HEIGHT):
            for x in range(WIDTH):
                v = self.cells[y * WIDTH + x]
                if v in (EARTH, GRASS):
                    above = self.get(x, y - 1) if y > 0 else EMPTY
                    self.cells[y * WIDTH + x] = GRASS if above == EMPTY else EARTH

    def count(self, value):
        return self.cells.count(bytes([value]))
