"""A model of the game's movement, spike-ball and light rules, for designing the level.

It mirrors the rules the game implements (player step, spike-ball patrol, reflector
light) closely enough to try a route in a second instead of a build; the real proof is
tests/game/ShippedLevelTest.cpp, which plays the same route through the game code.
Moving values are rounded to single precision after every operation, as the game keeps
them in floats.
"""
import math
import struct

EMPTY, EARTH, GRASS, CAVEBACK, LAMP, LIGHTBOX, LIGHTPIPE, CRATE, SPIKES, LAVA, SPIKEBALL = range(11)
WIDTH, HEIGHT = 1024, 768
PI = 3.1415927


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


STEP = f32(0.1)
ACCEL = f32(0.01)


def passable(t):
    return t == EMPTY or t == CAVEBACK


class World:
    """The play state: map, player, balls, reflectors, boxes."""

    def __init__(self, cells):
        # cells: bytearray of WIDTH*HEIGHT; the world keeps its own copy.
        self.map = bytearray(cells)
        self.boxes = []
        self.balls = []
        for i, v in enumerate(self.map):
            if v == LIGHTBOX:
                self.boxes.append([i % WIDTH, i // WIDTH, False])
            elif v == SPIKEBALL:
                self.balls.append([f32(i % WIDTH), i // WIDTH, False])
                self.map[i] = CAVEBACK
        self.reflectors = []
        self.lit_boxes = 0
        self.complete = False
        self.game_over = False
        self.frame = 0
        # player
        self.x, self.y = 4.0, 22.0
        self.moving_right = self.moving_left = False
        self.jump_held = self.jump_spent = False
        self.facing_right = True
        self.jump_phase = 0.0
        self.jump_base = 22.0
        self.falling = False
        self.fall_speed = STEP
        self.num_reflectors = 10
        self.lives = 3
        self.crates = 0

    def tile(self, c, r):
        if 0 <= c < WIDTH and 0 <= r < HEIGHT:
            return self.map[r * WIDTH + c]
        return EARTH

    def set_tile(self, c, r, v):
        self.map[r * WIDTH + c] = v

    # --- player -----------------------------------------------------------------
    def die(self):
        self.lives -= 1
        self.facing_right = True
        self.jump_phase = 0.0
        self.jump_base = 22.0
        self.falling = False
        self.fall_speed = STEP
        self.x = 4.0 if self.lives > 0 else -2.0
        self.y = 22.0

    def collect(self, c, r):
        self.set_tile(c, r, CAVEBACK)
        self.num_reflectors += 5
        self.crates += 1

    def fall_step(self):
        self.y = f32(self.y + self.fall_speed)
        if self.fall_speed < 0.5:
            self.fall_speed = f32(self.fall_speed + ACCEL)

    def land_from_arc(self, row):
        self.falling = False
        self.fall_speed = STEP
        self.y = float(row)
        self.jump_phase = PI

    def jump(self, pressed):
        if pressed:
            if not self.jump_held:
                self.jump_spent = False
            self.jump_phase = 0.0
            self.jump_base = self.y
        else:
            self.falling = True
        self.jump_held = pressed

    def drop(self):
        if self.num_reflectors <= 0:
            return False
        if self.add_reflector(int(self.x + 0.5), int(self.y)):
            self.num_reflectors -= 1
            return True
        return False

    def move_player(self):
        if self.lives < 1:
            return
        row = int(self.y)
        c0 = int(self.x + 0.5)
        if self.moving_right != self.moving_left:
            if self.moving_right:
                if c0 <= 1023:
                    t = self.tile(int(self.x + 1.0), row)
                    moved = False
                    if passable(t):
                        moved = True
                    elif t == CRATE:
                        self.collect(int(self.x + 1.0), row)
                        moved = True
                    elif t in (SPIKES, LAVA):
                        self.die()
                        return
                    if moved:
                        self.x = f32(self.x + STEP)
                        if passable(self.tile(int(self.x + 0.5), row + 1)):
                            self.falling = True
                        elif self.tile(c0, row + 1) == LAVA:
                            self.die()
                            return
                self.facing_right = True
            else:
                if c0 >= 0:
                    t = self.tile(int(self.x), row)
                    moved = False
                    if passable(t):
                        moved = True
                    elif t == CRATE:
                        self.collect(int(self.x), row)
                        moved = True
                    elif t in (SPIKES, LAVA):
                        self.die()
                        return
                    if moved:
                        self.x = f32(self.x - STEP)
                        if passable(self.tile(int(self.x + 0.5), row + 1)):
                            self.falling = True
                        elif self.tile(c0, row + 1) == LAVA:
                            self.die()
                            return
                self.facing_right = False

        c = int(self.x + 0.5)
        if self.jump_held and not self.jump_spent and not (
                self.jump_phase == 0.0 and passable(self.tile(c, row + 1))):
            if self.jump_phase == 0.0:
                # The arc is measured from where it starts (a press in mid-air starts it
                # on landing).
                self.jump_base = self.y
            self.jump_phase = f32(self.jump_phase + STEP)
            if self.jump_phase < PI:
                self.y = f32(self.jump_base - 3.0 * math.sin(self.jump_phase))
                r = int(self.y)
                if r > row and not passable(self.tile(c, r)):
                    # Coming down into a blocking cell after a step sideways: land on it.
                    self.land_from_arc(row)
                elif not passable(self.tile(c, r + 1)):
                    self.land_from_arc(r)
                elif passable(self.tile(c, r)):
                    pass
                elif self.tile(c, r) == SPIKES:
                    self.die()
                    return
                else:
                    self.y = float(r + 1)
                    self.jump_phase = PI
            if self.jump_phase >= PI:
                below = self.tile(c, row + 1)
                if passable(below):
                    self.fall_step()
                elif below == CRATE:
                    self.collect(c, row + 1)
                    self.fall_step()
                elif below == LAVA:
                    self.die()
                else:
                    self.jump_phase = 0.0
                    self.jump_spent = True
                    self.jump_base = self.y
        elif self.falling:
            below = self.tile(c, row + 1)
            if below == CRATE:
                self.collect(c, row + 1)
                self.fall_step()
                # Through the crate's cell, but not on into an unlooked-at cell under it.
                if int(f32(self.y + self.fall_speed)) <= row + 1 or passable(self.tile(c, row + 2)):
                    self.fall_step()
            elif below == LAVA:
                self.die()
            elif passable(below):
                self.fall_step()
            else:
                self.falling = False
                self.fall_speed = STEP
                self.y = float(row)

    # --- light ------------------------------------------------------------------
    def walk(self, x, y, dx, dy):
        """Cells of a look from (x, y), and the cell that ends it."""
        cells = []
        x += dx
        y += dy
        while 0 <= x < WIDTH and 0 <= y < HEIGHT:
            t = self.tile(x, y)
            if not passable(t):
                return cells, t
            cells.append((x, y))
            x += dx
            y += dy
        return cells, None

    DIRS = ((-1, 0), (1, 0), (0, -1), (0, 1))

    def update_reflectors(self):
        box = False
        # Only the light matters here; the game's Connect sound is left out.
        for r in self.reflectors:
            for i, (dx, dy) in enumerate(self.DIRS):
                if i > 0 and r[2]:
                    break
                _, end = self.walk(r[0], r[1], dx, dy)
                if end == LAMP:
                    r[2] = True
        for r in self.reflectors:
            for i, (dx, dy) in enumerate(self.DIRS):
                if i > 0 and r[2]:
                    break
                cells, _ = self.walk(r[0], r[1], dx, dy)
                for cell in cells:
                    if not r[2] and any(o[2] and (o[0], o[1]) == cell
                                        for o in self.reflectors):
                        r[2] = True
        for b in self.boxes:
            if b[2]:
                continue
            for dx, dy in self.DIRS:
                cells, _ = self.walk(b[0], b[1], dx, dy)
                for cell in cells:
                    if any(o[2] and (o[0], o[1]) == cell for o in self.reflectors):
                        b[2] = True
                        break
                if b[2]:
                    self.lit_boxes += 1
                    box = True
                    break
        if box and self.lit_boxes >= len(self.boxes):
            self.complete = True

    def add_reflector(self, c, r):
        if any((o[0], o[1]) == (c, r) for o in self.reflectors):
            return False
        self.reflectors.append([c, r, False])
        for _ in self.reflectors:
            self.update_reflectors()
        return True

    # --- frame ------------------------------------------------------------------
    def step(self):
        self.frame += 1
        if not self.complete:
            self.move_player()
            if self.lives < 1:
                self.game_over = True
        for b in self.balls:
            if not self.complete:
                cand = f32(b[0] + STEP) if b[2] else f32(b[0] - STEP)
                if passable(self.tile(int(cand + 0.5), b[1])):
                    b[0] = cand
                else:
                    b[2] = not b[2]
            if (self.x < b[0] + 1 and b[0] < self.x + 1 and
                    self.y < b[1] + 1 and b[1] < self.y + 1):
                self.die()
