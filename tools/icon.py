"""The desktop icon: the beetle walking over a sprite sheet's cells.

Drawn afresh at every size rather than shrunk, so small icons keep hard
edges like the sprites themselves.
"""

from PIL import Image, ImageDraw

import beetle
import paint

SIZES = (48, 128, 256)
CELLS = 3  # the sheet's cells to a row in the icon


def draw(size):
    """An RGBA icon `size` pixels square."""
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw_ = ImageDraw.Draw(image)
    margin = max(1, size // 16)
    radius = size // 6
    box = (margin, margin, size - 1 - margin, size - 1 - margin)
    draw_.rounded_rectangle(box, radius, fill=paint.PANEL + (255,),
                            outline=paint.ACCENT + (255,), width=max(1, size // 40))
    inner = size - 2 * margin
    for i in range(1, CELLS):
        at = margin + inner * i // CELLS
        draw_.line((at, margin + radius // 2, at, size - 1 - margin - radius // 2),
                   fill=paint.LINE_HI + (255,), width=max(1, size // 96))
        draw_.line((margin + radius // 2, at, size - 1 - margin - radius // 2, at),
                   fill=paint.LINE_HI + (255,), width=max(1, size // 96))
    sprite = beetle.render(45, 1, size, size / 64.0)
    alpha = Image.new("L", (size, size), 0)
    source, target = sprite.load(), alpha.load()
    for y in range(size):
        for x in range(size):
            if source[x, y] != beetle.KEY_COLOUR:
                target[x, y] = 255
    image.paste(sprite, (0, 0), alpha)
    return image


def draw_all():
    """{file name: image} of every icon size."""
    return {"celforge-%d.png" % size: draw(size) for size in SIZES}
