"""The desktop icon: Wick the robot on a rounded square of cave, his chest lamp glowing.
Drawn once large and box-filtered down to each size, so every size is the same picture."""
import numpy as np

from . import sprites
from .common import box_distance, downsample, grid, layer, over, rgb, smoothstep

SIZES = (16, 32, 48, 64, 128, 256)
ZOOM = 16                 # the 64-pixel sprite drawn 16 times larger: 1024 x 1024
MASTER = 768              # every size divides it
# The square around the robot in sprite units (he stands 45 units tall).
LEFT, TOP, SPAN = 8.5, 3.0, 48.0


def _backdrop():
    xx, yy = grid(MASTER, MASTER)
    edge, radius = 12, 110   # a rounded square a little inside the picture
    inner = edge + radius
    distance = box_distance(MASTER, MASTER, inner, inner, MASTER - inner, MASTER - inner, p=2.0)
    inside = 1.0 - smoothstep(radius - 1.5, radius + 1.5, distance)
    t = yy / MASTER
    colour = np.stack([0.13 - 0.07 * t, 0.16 - 0.08 * t, 0.24 - 0.12 * t], axis=-1)
    card = layer(colour, inside)
    # The warm light the robot carries, behind his chest.
    cx, cy = (30.5 - LEFT) * MASTER / SPAN, (34.0 - TOP) * MASTER / SPAN
    glow = np.exp(-((xx - cx) ** 2 + (yy - cy) ** 2) / (2.0 * (MASTER * 0.26) ** 2))
    card = over(layer(rgb((255, 200, 110)), glow * 0.55 * inside), card)
    # A floor of rock under his feet.
    floor = smoothstep(-2.0, 2.0, yy - (48.0 - TOP) * MASTER / SPAN) * inside
    return over(layer(rgb((58, 52, 48)), floor), card)


def master():
    robot = sprites.robot(zoom=ZOOM)
    scale = robot.shape[0] / 64.0
    x0, y0 = int(round(LEFT * scale)), int(round(TOP * scale))
    crop = robot[y0:y0 + MASTER, x0:x0 + MASTER]
    return over(crop, _backdrop())


def icons():
    """{size: picture} for every size of the hicolor theme the game installs."""
    big = master()
    return {size: downsample(big, MASTER // size) for size in SIZES}
