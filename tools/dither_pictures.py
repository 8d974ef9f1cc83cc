#!/usr/bin/python3
"""Pictures for measuring and showing the ordered dither.

  tools/dither_pictures.py sources DIR
      24-bit PNG test pictures made by other programs: ImageMagick's gradient
      and plasma, Pillow's radial gradient, and a large beetle render.
  tools/dither_pictures.py docs CELFORGE_SPR OUT.png
      A dark gradient built into sprites by celforge-spr, truncated and
      dithered, shown 4 times larger one above the other (docs/dither.png).
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw, ImageOps

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import beetle  # noqa: E402

SIDE = 256
HEADER_BYTES = 91  # of a sprite file; the 16-bit pixels follow


def imagemagick():
    for name in ("convert-im6.q16", "convert-im7.q16", "magick"):
        if shutil.which(name):
            return [name] + (["convert"] if name == "magick" else [])
    return ["convert"]


def sources(folder):
    os.makedirs(folder, exist_ok=True)
    size = "%dx%d" % (SIDE, SIDE)
    made = {
        "im_gradient.png": ["-size", size, "gradient:#102040-#f0c080"],
        "im_gradient_dark.png": ["-size", size, "-define", "gradient:angle=90",
                                 "gradient:#000000-#406080"],
        "im_plasma.png": ["-seed", "7", "-size", size, "plasma:fractal"],
    }
    for name, arguments in made.items():
        subprocess.run(imagemagick() + arguments + ["PNG24:" + os.path.join(folder, name)],
                       check=True)
    radial = ImageOps.colorize(Image.radial_gradient("L").resize((SIDE, SIDE)),
                               (24, 40, 96), (250, 210, 140))
    radial.save(os.path.join(folder, "pil_radial.png"))
    beetle.render(45, 0, (SIDE, SIDE), 5.0, (128, 128)).convert("RGB").save(
        os.path.join(folder, "beetle_large.png"))
    for name in list(made) + ["pil_radial.png", "beetle_large.png"]:
        moved(os.path.join(folder, name))


def moved(path):
    """The next frame of a still scene where something moves: the picture
    with its lower-right quarter turned negative, beside it as NAME.moved.png."""
    image = Image.open(path).convert("RGB")
    box = (image.width // 2, image.height // 2, image.width, image.height)
    image.paste(ImageOps.invert(image.crop(box)), box)
    image.save(path[:-len(".png")] + ".moved.png")


def sprite_pixels(path, width, height):
    data = open(path, "rb").read()[HEADER_BYTES:HEADER_BYTES + width * height * 2]
    return struct.unpack("<%dH" % (width * height), data)


def screen_colours(pixels, width, height):
    """5-6-5 widened as the editor's screen does it: low bits zero."""
    image = Image.new("RGB", (width, height))
    image.putdata([((p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3) for p in pixels])
    return image


def docs(tool, out):
    width, height, zoom = 160, 40, 4
    gradient = Image.new("RGB", (width, height))
    gradient.putdata([(16 + x * 48 // width, 24 + x * 40 // width, 40 + x * 56 // width)
                      for _ in range(height) for x in range(width)])
    with tempfile.TemporaryDirectory() as folder:
        picture = os.path.join(folder, "gradient.png")
        gradient.save(picture)
        halves = []
        for name, extra in (("truncated", []), ("dithered", ["--dither"])):
            sprite = os.path.join(folder, name + ".Spr")
            subprocess.run([tool, "build", "-o", sprite, "--single", picture] + extra,
                           check=True, stdout=subprocess.DEVNULL)
            shown = screen_colours(sprite_pixels(sprite, width, height), width, height)
            halves.append((name, shown.resize((width * zoom, height * zoom), Image.NEAREST)))
    label = 18
    sheet = Image.new("RGB", (width * zoom, 2 * (height * zoom + label)), (255, 255, 255))
    draw = ImageDraw.Draw(sheet)
    for i, (name, half) in enumerate(halves):
        top = i * (height * zoom + label)
        draw.text((4, top + 3), "%s (celforge-spr build%s), 4 times larger" %
                  (name, " --dither" if name == "dithered" else ""), fill=(0, 0, 0))
        sheet.paste(half, (0, top + label))
    sheet.save(out)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "sources":
        sources(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == "docs":
        docs(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
