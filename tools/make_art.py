#!/usr/bin/python3
"""Draws every picture of Tarnwick: the 42 glyphs in assets/fonts and the 26 pictures
in assets/images, as 8-bit RGBA PNG files, and the desktop icon at each size in
assets/icons (installed, not embedded).

    /usr/bin/python3 tools/make_art.py              regenerate everything, then check it
    /usr/bin/python3 tools/make_art.py --check      only check the committed files
    /usr/bin/python3 tools/make_art.py --preview D  also write a contact sheet and a mock
                                                    play-field screenshot into folder D

The output is deterministic: every random choice is seeded. Needs Debian's python3-pil,
python3-numpy and fonts-comic-neue.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from art import icons, lettering, screens, sprites, tiles  # noqa: E402
from art.common import png_header, save_png  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT_DIR = os.path.join(ROOT, "assets", "fonts")
IMAGE_DIR = os.path.join(ROOT, "assets", "images")
ICON_DIR = os.path.join(ROOT, "assets", "icons")

# Every picture the game embeds, with its size in pixels.
IMAGE_SIZES = {
    "titlescreen": (1024, 768), "enterbutton": (512, 64), "editorbutton": (512, 64),
    "quitbutton": (512, 64), "storyscreen": (1024, 768), "winscreen": (1024, 768),
    "caveback": (64, 64), "earthtile": (64, 64), "grasstile": (64, 64), "lamp": (64, 64),
    "lampglow": (128, 128), "reflector": (64, 64), "lightbeamv": (32, 32), "lightbeamh": (32, 32),
    "lightbox": (64, 64), "lightboxlit": (64, 64), "lightpipe": (64, 64), "crate": (64, 64),
    "spikes": (64, 64), "lava": (64, 64), "lightboxui": (107, 107), "reflectorui": (107, 107),
    "heartui": (107, 107), "robot": (64, 64), "spikeball": (64, 64), "mouse": (32, 32),
}
GLYPH_SIZE = (64, 64)
# The full-screen pictures are kept small enough to embed comfortably.
LARGE_LIMIT = 400 * 1024


def draw_small():
    return {
        "caveback": tiles.caveback_tile(),
        "earthtile": tiles.earth_tile(),
        "grasstile": tiles.grass_tile(),
        "lamp": tiles.lamp_tile(),
        "lampglow": tiles.lampglow(),
        "reflector": sprites.reflector(),
        "lightbeamv": tiles.beam(True),
        "lightbeamh": tiles.beam(False),
        "lightbox": tiles.lightbox_tile(False),
        "lightboxlit": tiles.lightbox_tile(True),
        "lightpipe": tiles.lightpipe_tile(),
        "crate": tiles.crate_tile(),
        "spikes": tiles.spikes_tile(),
        "lava": tiles.lava_tile(),
        "lightboxui": sprites.lightbox_ui(),
        "reflectorui": sprites.reflector_ui(),
        "heartui": sprites.heart_ui(),
        "robot": sprites.robot(),
        "spikeball": sprites.spikeball(),
        "mouse": sprites.mouse_pointer(),
        "enterbutton": lettering.label("Start"),
        "editorbutton": lettering.label("Level Editor"),
        "quitbutton": lettering.label("Quit"),
    }


def draw_all():
    art = draw_small()
    art["titlescreen"] = screens.titlescreen(art)
    art["storyscreen"] = screens.storyscreen(art)
    art["winscreen"] = screens.winscreen(art)
    glyphs = {name: lettering.glyph(char) for name, char in lettering.GLYPHS}
    return art, glyphs


def icon_path(size):
    return os.path.join(ICON_DIR, "tarnwick-%d.png" % size)


def check():
    """Every expected file exists as a non-interlaced 8-bit RGBA PNG of the right size."""
    problems = []
    expected = [(os.path.join(IMAGE_DIR, n + ".png"), s) for n, s in IMAGE_SIZES.items()]
    expected += [(os.path.join(FONT_DIR, "font%s.png" % n), GLYPH_SIZE) for n, _ in lettering.GLYPHS]
    expected += [(icon_path(size), (size, size)) for size in icons.SIZES]
    for path, size in expected:
        if not os.path.exists(path):
            problems.append("%s is missing" % path)
            continue
        w, h, depth, colour_type, interlace = png_header(path)
        if (w, h) != size:
            problems.append("%s is %dx%d, not %dx%d" % (path, w, h, size[0], size[1]))
        if depth != 8 or colour_type != 6:
            problems.append("%s has bit depth %d and colour type %d, not 8-bit RGBA (6)" % (path, depth, colour_type))
        if interlace != 0:
            problems.append("%s is interlaced" % path)
        if size[0] >= 1024 and os.path.getsize(path) > LARGE_LIMIT:
            problems.append("%s is %d bytes, over %d" % (path, os.path.getsize(path), LARGE_LIMIT))
    extra = set(os.listdir(IMAGE_DIR)) - {n + ".png" for n in IMAGE_SIZES}
    extra |= set(os.listdir(FONT_DIR)) - {"font%s.png" % n for n, _ in lettering.GLYPHS}
    problems += ["%s is not a picture the game uses" % e for e in sorted(extra)]
    for p in problems:
        print("make_art: " + p)
    print("make_art: checked %d pictures, %d problem(s)" % (len(expected), len(problems)))
    return not problems


def main(argv):
    if argv[1:2] == ["--check"]:
        return 0 if check() else 1
    art, glyphs = draw_all()
    for name, size in IMAGE_SIZES.items():
        pic = art[name]
        assert pic.shape[1::-1] == size, (name, pic.shape)
        save_png(pic, os.path.join(IMAGE_DIR, name + ".png"))
    for name, _ in lettering.GLYPHS:
        save_png(glyphs[name], os.path.join(FONT_DIR, "font%s.png" % name))
    for size, pic in icons.icons().items():
        save_png(pic, icon_path(size))
    if argv[1:2] == ["--preview"] and len(argv) > 2:
        from art import preview
        preview.write(argv[2], art, glyphs)
    return 0 if check() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
