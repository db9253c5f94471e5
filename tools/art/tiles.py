"""The map tiles: 64 x 64 pictures drawn centred on 32 x 32 cells.

A tile may overlap each neighbour by up to 16 pixels. The rock-like tiles (earth, grass,
cave wall, lava) therefore repeat their texture every 32 pixels: whatever a tile's fringe
paints over its neighbour's cell is exactly what the neighbour shows there, so a run
of equal tiles reads as one continuous surface, and only where the run ends does the
fringe fade out into a soft edge.

The ground the robot walks in (earth, grass, the rock round a pipe) keeps that fringe
thin: a translucent lip of about two pixels. Two facing fringes then leave a one-cell
hole, notch or shaft open over nearly its whole 32 pixels, where wider ones closed it
to a slot narrower than the robot, which then looked sunk into solid rock.
"""
import numpy as np

from .common import (CELL, TILE, FRINGE, Sketch, blank, blur_wrap, box_distance, downsample,
                     grid, layer, mix, noise, over, periodic_noise, rgb, rng, smoothstep,
                     worley_periodic)

SUPER = 4  # supersampling of the periodic textures


def _wrap_delta(a, size):
    d = a % size
    return np.where(d > size / 2, d - size, d)


def stone_field(seed, stones, crack_width=5.0, size=CELL * SUPER):
    """A periodic field of rounded stones: returns (height 0..1, per-stone tone 0..1,
    crack strength 0..1, lighting -1..1) at supersampled resolution."""
    f1, f2, idx, pts = worley_periodic(size, stones, seed)
    r = rng(seed + 1)
    tone = r.uniform(0.0, 1.0, stones).astype(np.float32)[idx]
    edge = f2 - f1
    height = smoothstep(0.0, 14.0, edge) ** 0.6
    crack = 1.0 - smoothstep(0.0, crack_width, edge)
    # Light comes from the upper left; slopes facing it are brighter.
    gx = (np.roll(height, -1, axis=1) - np.roll(height, 1, axis=1)) * 0.5
    gy = (np.roll(height, -1, axis=0) - np.roll(height, 1, axis=0)) * 0.5
    light = np.clip((-gx * 0.7 - gy * 0.7) * 7.0, -1.0, 1.0)
    return height, tone, crack, light


def stone_field_greyness(seed, stones, size):
    _, _, idx, _ = worley_periodic(size, stones, seed)
    return rng(seed + 3).uniform(0.0, 1.0, stones).astype(np.float32)[idx] ** 2


def rock_colour(seed, dark, mid, light_col, stones=6, grain=0.10, crack_col=None, crack_width=5.0, grey=0.0):
    """A 32-periodic rock texture as a (32, 32, 3) array. 'grey' is how far some stones
    drift from the palette towards plain grey."""
    size = CELL * SUPER
    height, tone, crack, light = stone_field(seed, stones, crack_width, size)
    greyness = stone_field_greyness(seed, stones, size) * grey
    fine = periodic_noise(size, 1.1, seed + 7) - 0.5
    blotch = periodic_noise(size, 2.2, seed + 9, lowcut=2.0) - 0.5
    base = mix(np.broadcast_to(dark, (size, size, 3)), np.broadcast_to(mid, (size, size, 3)),
               np.clip(0.35 + 0.5 * tone + blotch * 0.6, 0, 1))
    col = mix(base, np.broadcast_to(light_col, (size, size, 3)), np.clip(light, 0, 1) * 0.7)
    col = col * (1.0 + np.clip(light, -1, 0)[..., None] * 0.45)
    col = col * (1.0 + fine[..., None] * grain * 2.0)
    lum = col.mean(axis=-1, keepdims=True)
    col = mix(col, np.broadcast_to(lum, col.shape) * rgb((255, 250, 244)), greyness)
    cc = crack_col if crack_col is not None else dark * 0.45
    col = mix(col, np.broadcast_to(cc, (size, size, 3)), crack * 0.6)
    rgba = np.concatenate([col, np.ones((size, size, 1), np.float32)], axis=-1)
    return downsample(rgba, SUPER)[..., :3]


def tile_repeat(tex):
    """Lays a 32-periodic texture over a 64 x 64 tile, keeping the phase of the cell."""
    return np.tile(tex, (2, 2, 1))


def blob_alpha(seed, reach=5.0, soft=2.5, lump=3.0, top=None):
    """The alpha of a soft-edged blob tile: opaque over its own cell, and around it a
    rounded, slightly rough lump that reaches 'reach' pixels past the middle of each
    cell edge (alpha one half there) and fades out within the fringe. In a run of tiles
    the lumps merge into one outline with gentle bumps, one per cell. 'top' overrides
    the reach upwards (the ground the robot stands on must not bury its feet)."""
    xx, yy = grid(TILE, TILE)
    c = TILE / 2.0
    up = reach if top is None else top
    rx = CELL / 2.0 + reach
    ry = np.where(yy < c, CELL / 2.0 + up, CELL / 2.0 + reach)
    p = 3.2
    d = np.power(np.abs(xx - c) / rx, p) + np.power(np.abs(yy - c) / ry, p)
    d = np.power(d, 1.0 / p)
    # Distance in pixels from the blob outline, roughly.
    dist = (d - 1.0) * (CELL / 2.0 + reach)
    rough = (noise(TILE, TILE, 1.2, seed) - 0.5) * 2.0 * lump
    a = 1.0 - smoothstep(-soft, soft, dist + rough)
    cell = box_distance(TILE, TILE, FRINGE, FRINGE, FRINGE + CELL, FRINGE + CELL, p=2.0)
    a = np.maximum(a, 1.0 - smoothstep(0.0, 1.0, cell))
    # Nothing may reach the picture's border, or a hard square would show.
    a *= 1.0 - smoothstep(FRINGE - 4.0, FRINGE - 0.5, cell)
    return a.astype(np.float32)


# ---------------------------------------------------------------- rock tiles

# The edge of the ground: opaque to the cell's border, then more than half transparent
# one pixel past it and gone by the third, with a faint lumpiness.
GROUND_EDGE = dict(reach=1.0, soft=2.0, lump=1.5, top=1.0)

EARTH_DARK = rgb((74, 56, 44))
EARTH_MID = rgb((128, 100, 76))
EARTH_LIGHT = rgb((176, 156, 130))


def earth_texture():
    return rock_colour(102, EARTH_DARK, EARTH_MID, EARTH_LIGHT, stones=4, crack_width=4.0, grey=0.5)


def earth_tile():
    return layer(tile_repeat(earth_texture()), blob_alpha(11, **GROUND_EDGE))


def grass_tile():
    rock = tile_repeat(earth_texture())
    alpha = blob_alpha(12, **GROUND_EDGE)
    xx, yy = grid(TILE, TILE)
    top = FRINGE  # the cell's top edge inside the picture

    # The turf: a green band under the cell's top edge whose lower edge wavers with a
    # 32 px period so that neighbouring grass tiles continue one another.
    phase = xx * 2 * np.pi / CELL
    depth = 8.0 + 1.6 * np.sin(phase + 0.7) + 1.0 * np.sin(2 * phase + 2.1) + 0.6 * np.sin(3 * phase)
    turf = 1.0 - smoothstep(depth - 1.0, depth + 1.0, yy - top)
    turf *= smoothstep(-3.0, -0.5, yy - top)

    # Blades: thin tapered strokes above the edge, again repeating every 32 px.
    s = Sketch(TILE, TILE)
    r = rng(21)
    blades = []
    for i in range(14):
        bx = r.uniform(0, CELL)
        h = r.uniform(4.0, 9.5)
        lean = r.uniform(-2.5, 2.5)
        shade = r.uniform(0, 1)
        blades.append((bx, h, lean, shade))
    for bx, h, lean, shade in blades:
        for rep in (-CELL, 0, CELL, 2 * CELL):
            x = bx + rep + FRINGE
            g = int(90 + 70 * shade)
            colour = (int(60 + 50 * shade), g + 60, int(40 + 20 * shade), 255)
            s.polygon([(x - 1.4, top + 2.0), (x + 1.4, top + 2.0), (x + lean, top + 2.0 - h)], fill=colour)
    blade_img = s.finished()
    # Blade pictures repeat every 32 px already; cut their colour to the same phase so
    # the fringe copy matches the neighbour exactly.
    grass_dark = rgb((52, 104, 38))
    grass_light = rgb((120, 178, 64))
    tex = periodic_noise(CELL, 1.3, 23)
    tex = np.tile(tex, (2, 2))
    turf_col = mix(np.broadcast_to(grass_dark, (TILE, TILE, 3)), np.broadcast_to(grass_light, (TILE, TILE, 3)),
                   np.clip(0.25 + 0.7 * tex - 0.05 * (yy - top), 0, 1))
    # A darker lip where the turf meets the rock gives the ledge some depth.
    lip = smoothstep(depth - 3.0, depth, yy - top) * turf
    turf_col = turf_col * (1.0 - 0.35 * lip[..., None])

    # Horizontally the grass ends with the rock's own thin edge, so that it does not
    # grow over a one-cell gap in the ground.
    side = box_distance(TILE, TILE, FRINGE, -100, FRINGE + CELL, 200, p=2.0)
    side_fade = alpha_side(side)

    out = layer(rock, alpha)
    out = over(layer(turf_col, turf * side_fade), out)
    out = over(layer(blade_img[..., :3], blade_img[..., 3] * side_fade), out)
    return out


def alpha_side(d):
    return 1.0 - smoothstep(0.0, 2.0, d)


CAVE_DARK = rgb((30, 30, 36))
CAVE_MID = rgb((62, 60, 66))
CAVE_LIGHT = rgb((92, 90, 98))


def caveback_tile():
    tex = rock_colour(301, CAVE_DARK, CAVE_MID, CAVE_LIGHT, stones=4, grain=0.06, crack_width=4.0)
    return layer(tile_repeat(tex), blob_alpha(31, reach=3.5, soft=2.5, lump=1.5))


def lava_tile():
    """Molten rock: dark red crust plates drifting on glowing yellow-orange cracks."""
    size = CELL * SUPER
    f1, f2, idx, _ = worley_periodic(size, 5, 401)
    edge = f2 - f1
    crack = 1.0 - smoothstep(0.0, 9.0, edge)           # wide soft glow along the cracks
    core = 1.0 - smoothstep(0.0, 3.0, edge)            # the white-hot middle of a crack
    swirl = periodic_noise(size, 1.6, 402, kmin=1.9)
    tone = rng(403).uniform(0.0, 1.0, 5).astype(np.float32)[idx]
    crust_dark = rgb((110, 20, 10))
    crust_warm = rgb((190, 52, 14))
    glow = rgb((255, 130, 24))
    hot = rgb((255, 236, 140))
    shape = (size, size, 3)
    col = mix(np.broadcast_to(crust_dark, shape), np.broadcast_to(crust_warm, shape),
              np.clip(0.2 + 0.5 * tone + 0.6 * (swirl - 0.5), 0, 1))
    col = mix(col, np.broadcast_to(glow, shape), crack)
    col = mix(col, np.broadcast_to(hot, shape), core)
    rgba = np.concatenate([col, np.ones((size, size, 1), np.float32)], axis=-1)
    tex = downsample(rgba, SUPER)[..., :3]
    # The fringe is the same molten texture fading out, so the pool's edge glows softly
    # and the inside of a pool shows no seams.
    return layer(tile_repeat(tex), blob_alpha(41, reach=4.0, soft=5.0, lump=1.5))


# ---------------------------------------------------------------- hazards and things

def spikes_tile():
    """Spikes: an iron plate along the cell's top edge, striped black and yellow as a
    warning, with four long steel points under it whose tips glow red. The plate is the
    safe side (the robot may stand on spikes); the points face where they hurt, the sides
    and below. Hung from a ceiling the plate sits against the rock; standing on a floor
    the bush rests on its points."""
    top = FRINGE
    s = Sketch(TILE, TILE)
    root = top + 7.0
    for i, cx in enumerate(FRINGE + 4.0 + 8.0 * k for k in range(4)):
        w = 3.6
        # The outer points lean out a little: the sides are as sharp as the underside.
        tip = (cx + (-1.6, 0.4, -0.4, 1.6)[i], top + (30.5, 28.5, 29.5, 30.5)[i])
        s.polygon([(cx - w, root), (cx + w, root), tip], fill=(70, 74, 90, 255))
        # Lit left face with a bright edge, darker right face.
        s.polygon([(cx - w, root), (cx - 0.2, root), tip], fill=(214, 220, 236, 255))
        s.polygon([(cx - w + 0.8, root), (cx - w + 1.9, root), (tip[0] - 0.2, tip[1] - 4.0)],
                  fill=(255, 255, 255, 255))
        s.line([(cx - w, root), tip, (cx + w, root)], fill=(16, 16, 24, 255), width=1.0)
    points = s.finished()
    # The lower half of each point reddens towards the tip.
    xx, yy = grid(TILE, TILE)
    red = smoothstep(top + 15.0, top + 26.0, yy) * 0.9
    points[..., :3] = mix(points[..., :3], np.broadcast_to(rgb((236, 44, 32)), points[..., :3].shape), red)

    plate = Sketch(TILE, TILE)
    x0, x1, y0, y1 = FRINGE + 0.5, FRINGE + CELL - 0.5, top - 1.5, root + 0.5
    plate.rect((x0, y0, x1, y1), fill=(255, 214, 36, 255), radius=1.5)
    # Black stripes every 8 pixels, so a row of spikes shows one unbroken pattern.
    for k in range(-1, 5):
        sx = FRINGE + 8.0 * k
        plate.polygon([(sx, y1), (sx + 3.0, y1), (sx + 3.0 + (y1 - y0), y0), (sx + (y1 - y0), y0)],
                      fill=(28, 26, 30, 255))
    plate_img = plate.finished()
    inside = 1.0 - smoothstep(-0.5, 0.5, box_distance(TILE, TILE, x0, y0, x1, y1, p=2.0))
    plate_img[..., 3] *= inside
    frame = Sketch(TILE, TILE)
    frame.rect((x0, y0, x1, y1), outline=(20, 18, 22, 255), width=1.2, radius=1.5)
    plate_img = over(frame.finished(), plate_img)
    return over(plate_img, points)


def crate_tile():
    s = Sketch(TILE, TILE)
    x0, y0, x1, y1 = FRINGE + 1, FRINGE + 1, FRINGE + CELL - 1, FRINGE + CELL - 1
    outline = (58, 34, 16, 255)
    s.rect((x0, y0, x1, y1), fill=(168, 112, 58, 255), radius=2.0)
    # Planks.
    for i, py in enumerate((y0 + 3, y0 + 11, y0 + 19)):
        shade = (182, 124, 66, 255) if i % 2 == 0 else (158, 104, 52, 255)
        s.rect((x0 + 3, py, x1 - 3, py + 7.4), fill=shade)
        s.line([(x0 + 4, py + 7.4), (x1 - 4, py + 7.4)], fill=(110, 68, 32, 255), width=0.8)
        # Grain.
        s.line([(x0 + 6, py + 2.5), (x0 + 14 + 3 * i, py + 3.2)], fill=(140, 90, 44, 255), width=0.5)
    # The frame and the diagonal brace.
    frame = (118, 74, 36, 255)
    s.rect((x0, y0, x1, y0 + 3.2), fill=frame)
    s.rect((x0, y1 - 3.2, x1, y1), fill=frame)
    s.rect((x0, y0, x0 + 3.2, y1), fill=frame)
    s.rect((x1 - 3.2, y0, x1, y1), fill=frame)
    s.line([(x0 + 3, y1 - 4), (x1 - 4, y0 + 3)], fill=(132, 84, 40, 255), width=3.4)
    s.rect((x0, y0, x1, y1), outline=outline, width=1.3, radius=2.0)
    for nx, ny in ((x0 + 1.6, y0 + 1.6), (x1 - 1.6, y0 + 1.6), (x0 + 1.6, y1 - 1.6), (x1 - 1.6, y1 - 1.6)):
        s.ellipse((nx - 0.9, ny - 0.9, nx + 0.9, ny + 0.9), fill=(220, 210, 190, 255))
    box = s.finished()
    shadow = blank(TILE, TILE)
    d = box_distance(TILE, TILE, x0 + 1, y0 + 2, x1 + 1, y1 + 2, p=2.0)
    shadow[..., 3] = 0.45 * (1.0 - smoothstep(0.0, 4.0, d))
    return over(box, shadow)


def _box_frame(s, x0, y0, x1, y1):
    s.rect((x0, y0, x1, y1), fill=(88, 92, 104, 255), outline=(26, 28, 34, 255), width=1.3, radius=3.0)
    s.rect((x0 + 1.5, y0 + 1.5, x1 - 1.5, y0 + 4.0), fill=(140, 146, 160, 255), radius=1.0)
    for bx, by in ((x0 + 3, y0 + 3), (x1 - 3, y0 + 3), (x0 + 3, y1 - 3), (x1 - 3, y1 - 3)):
        s.ellipse((bx - 1.1, by - 1.1, bx + 1.1, by + 1.1), fill=(190, 196, 210, 255))


def lightbox_tile(lit):
    x0, y0, x1, y1 = FRINGE + 1, FRINGE + 1, FRINGE + CELL - 1, FRINGE + CELL - 1
    s = Sketch(TILE, TILE)
    _box_frame(s, x0, y0, x1, y1)
    wx0, wy0, wx1, wy1 = x0 + 6, y0 + 6, x1 - 6, y1 - 6
    if lit:
        s.rect((wx0, wy0, wx1, wy1), fill=(255, 236, 150, 255), outline=(120, 90, 30, 255), width=1.0, radius=2.0)
        s.ellipse((wx0 + 3, wy0 + 3, wx1 - 3, wy1 - 3), fill=(255, 252, 228, 255))
    else:
        s.rect((wx0, wy0, wx1, wy1), fill=(26, 34, 48, 255), outline=(10, 12, 16, 255), width=1.0, radius=2.0)
        # A glint on the cold glass.
        s.polygon([(wx0 + 2, wy1 - 4), (wx0 + 2, wy1 - 7), (wx1 - 7, wy0 + 2), (wx1 - 4, wy0 + 2)],
                  fill=(86, 104, 130, 255))
    # Window bars.
    bar = (70, 60, 40, 255) if lit else (60, 64, 74, 255)
    cx, cy = (wx0 + wx1) / 2, (wy0 + wy1) / 2
    s.line([(cx, wy0 + 0.5), (cx, wy1 - 0.5)], fill=bar, width=1.0)
    s.line([(wx0 + 0.5, cy), (wx1 - 0.5, cy)], fill=bar, width=1.0)
    box = s.finished()
    if not lit:
        return box
    d = box_distance(TILE, TILE, x0, y0, x1, y1, p=2.0)
    glow = layer(rgb((255, 214, 110)), 0.75 * (1.0 - smoothstep(0.0, FRINGE - 1.0, d)) ** 1.6)
    return over(box, glow)


def lightpipe_tile():
    """A glass tube set in a shaft through the rock, with brass couplings at the cell
    joints. Pipes carry light down through the ground to boxes, so the rock beside the
    tube is the earth's own texture (seamless with the earth around it), and the tube is
    see-through, so the beam that runs up inside it shows."""
    xx, yy = grid(TILE, TILE)
    cx = TILE / 2.0
    radius = 8.5
    u = (xx - cx) / radius                      # -1..1 across the tube
    shape = (TILE, TILE, 3)
    inside = 1.0 - smoothstep(0.92, 1.06, np.abs(u))

    # The rock at the sides, darkened towards the shaft as if in the tube's shadow.
    rock = tile_repeat(earth_texture())
    shade = 1.0 - 0.45 * (1.0 - smoothstep(1.0, 1.6, np.abs(u)))
    rock = rock * shade[..., None]
    rock_a = blob_alpha(13, **GROUND_EDGE) * smoothstep(1.0, 1.08, np.abs(u))

    # The glass: faintly tinted, with a bright rim and reflections.
    rim = smoothstep(0.6, 0.98, np.abs(u)) * inside
    col = np.broadcast_to(rgb((70, 110, 130)), shape).copy()
    alpha = 0.72 + 0.2 * rim
    hl = np.exp(-((u + 0.5) / 0.13) ** 2) * 0.8 + np.exp(-((u - 0.62) / 0.08) ** 2) * 0.35
    col = mix(col, np.broadcast_to(rgb((255, 255, 255)), shape), np.clip(hl, 0, 1))
    alpha = np.clip(alpha + hl * 0.6, 0, 1) * inside
    # The glass fills exactly its own cell, so a stack has one layer of glass everywhere;
    # only the couplings on the joints reach past it, identical in both tiles.
    in_cell = ((yy > FRINGE) & (yy < FRINGE + CELL)).astype(np.float32)
    alpha = alpha * in_cell
    ring = np.zeros_like(xx)
    for jy in (FRINGE, FRINGE + CELL):
        ring = np.maximum(ring, 1.0 - smoothstep(1.2, 2.2, np.abs(yy - jy)))
    ring *= 1.0 - smoothstep(1.0, 1.25, np.abs(u))
    brass = mix(np.broadcast_to(rgb((150, 112, 50)), shape),
                np.broadcast_to(rgb((232, 200, 120)), shape), np.clip(0.5 - u * 0.5, 0, 1))
    col = mix(col, brass, ring)
    alpha = np.maximum(alpha, ring)
    return over(layer(col, alpha), layer(rock, rock_a))


def lamp_tile():
    """A lantern bolted into the rock: iron cage round a warm bulb."""
    s = Sketch(TILE, TILE)
    cx = TILE / 2.0
    top = FRINGE + 2
    iron = (44, 40, 38, 255)
    # Bracket and hanging ring.
    s.rect((cx - 8, top - 1, cx + 8, top + 3), fill=(70, 64, 58, 255), outline=iron, width=1.0, radius=1.5)
    # Glass body.
    s.ellipse((cx - 9, top + 3, cx + 9, top + 27), fill=(255, 214, 120, 255))
    s.ellipse((cx - 6, top + 7, cx + 6, top + 23), fill=(255, 240, 180, 255))
    s.ellipse((cx - 3, top + 11, cx + 3, top + 19), fill=(255, 255, 240, 255))
    # Cage bars.
    for bx in (-5.5, 0.0, 5.5):
        s.line([(cx + bx * 0.6, top + 3), (cx + bx, top + 15), (cx + bx * 0.6, top + 27)], fill=iron, width=1.3)
    s.ellipse((cx - 9, top + 3, cx + 9, top + 27), outline=iron, width=1.4)
    # Base.
    s.rect((cx - 7, top + 26, cx + 7, top + 30), fill=(70, 64, 58, 255), outline=iron, width=1.0, radius=1.5)
    pic = s.finished()
    xx, yy = grid(TILE, TILE)
    r = np.sqrt((xx - cx) ** 2 + (yy - (top + 15)) ** 2)
    glow = layer(rgb((255, 200, 100)), 0.6 * (1.0 - smoothstep(6.0, 30.0, r)) ** 2)
    return over(pic, glow)


def lampglow():
    xx, yy = grid(128, 128)
    r = np.sqrt((xx - 64) ** 2 + (yy - 64) ** 2)
    a = 0.42 * np.exp(-(r / 30.0) ** 2) + 0.16 * np.exp(-(r / 52.0) ** 2)
    a *= (1.0 - smoothstep(40.0, 63.5, r))
    col = mix(np.broadcast_to(rgb((255, 238, 190)), (128, 128, 3)),
              np.broadcast_to(rgb((255, 170, 70)), (128, 128, 3)), smoothstep(0.0, 55.0, r))
    return layer(col, a)


def beam(vertical):
    """A 32 x 32 beam segment: a soft glowing line through the cell's middle, the same
    along its whole length so segments join end to end."""
    xx, yy = grid(CELL, CELL)
    across = (xx if vertical else yy) - CELL / 2.0
    core = np.exp(-(across / 1.6) ** 2)
    glow = np.exp(-(across / 5.5) ** 2)
    a = np.clip(0.95 * core + 0.45 * glow, 0, 1)
    a *= 1.0 - smoothstep(12.0, 16.0, np.abs(across))
    col = mix(np.broadcast_to(rgb((255, 200, 90)), (CELL, CELL, 3)),
              np.broadcast_to(rgb((255, 255, 235)), (CELL, CELL, 3)), np.clip(core * 1.2, 0, 1))
    return layer(col, a)

