#!/usr/bin/python3
"""Draws and writes every asset the editor ships.

usage: /usr/bin/python3 tools/make_assets.py [--out DIR]

Writes DIR/data/*.pcx (the skin), DIR/data/hold.xm (the closing theme),
DIR/examples/*.pcx (sample pictures), DIR/docs/preview-*.png (the
workbench in each mode) and DIR/packaging/icons/celforge-*.png (the desktop
icon). DIR defaults to the repository. Needs Debian's
python3-pil and fonts-dejavu-core; the output is the same byte for byte on
every run, so the committed files can be checked against a fresh one.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import beetle  # noqa: E402
import icon  # noqa: E402
import music  # noqa: E402
import pcx  # noqa: E402
import previews  # noqa: E402
import skin  # noqa: E402

LARGE_SIZE = (320, 240)


def _write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def _paletted(image):
    colours = sorted(set(image.getdata()))
    if len(colours) > 256:
        raise ValueError("the paletted sample needs at most 256 colours")
    index = {colour: i for i, colour in enumerate(colours)}
    indices = [index[c] for c in image.getdata()]
    return pcx.encode_paletted(indices, image.width, image.height, colours)


def examples():
    """{file name: bytes} of the sample pictures."""
    files = {}
    frames = beetle.walk_frames()
    for stem, image in frames:
        files[stem + ".pcx"] = pcx.encode_rgb(image)
    large = beetle.render(45, 0, LARGE_SIZE, 4.6, (165, 118))
    files["beetle_large_%dx%d.pcx" % LARGE_SIZE] = pcx.encode_rgb(large)
    odd = beetle.render(135, 1, (49, 48))
    files["beetle_odd_width_49x48.pcx"] = pcx.encode_rgb(odd)
    files["beetle_paletted_48x48.pcx"] = _paletted(beetle.render(180, 2))
    return files, [image for _stem, image in frames], large


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    default_out = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--out", default=default_out, help="folder to write into")
    out = parser.parse_args().out

    pictures = skin.draw_all()
    for name, picture in pictures.items():
        _write(os.path.join(out, "data", name), pcx.encode_rgb(picture))
    _write(os.path.join(out, "data", "hold.xm"), music.module())

    sample_files, frames, large = examples()
    for name, data in sample_files.items():
        _write(os.path.join(out, "examples", name), data)

    for name, image in previews.compose_all(pictures, frames, large).items():
        path = os.path.join(out, "docs", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        image.save(path, optimize=True)

    for name, image in icon.draw_all().items():
        path = os.path.join(out, "packaging", "icons", name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        image.save(path, optimize=True)


if __name__ == "__main__":
    main()
