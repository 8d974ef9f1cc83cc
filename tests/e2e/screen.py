"""Screen checks for the end-to-end scripts: grab <display> <png> | placed <display>
<picture> <scale> [cell left] | doubled <png> <png> | pixel <display> <x> <y> <r> <g> <b>
| count <display> (prints the picture pane's queue count, 0 when none shows)."""
import sys
from pathlib import Path
from PIL import Image, ImageGrab


def cut(colour):  # the workbench's 5-6-5 bits of a screen colour
    return (colour[0] & 0xF8, colour[1] & 0xFC, colour[2] & 0xF8)


def grab(display):
    return ImageGrab.grab(xdisplay=display).convert("RGB")


def placed(display, path, scale, left=0):  # the cell at (left, 30); its first row and column may be outlined
    screen, picture, s, left = grab(display), Image.open(path).convert("RGB"), int(scale), int(left)
    for x, y in ((x, y) for y in range(1, picture.height) for x in range(1, picture.width)):
        if cut(screen.getpixel((s * (left + x) + s - 1, s * (30 + y) + s - 1))) != cut(picture.getpixel((x, y))):
            sys.exit(f"cell pixel ({x}, {y}) differs from the picture's")


def doubled(small_path, big_path):  # the panes' focus outline depends on timing: left out
    small, big = Image.open(small_path), Image.open(big_path)
    for x, y in ((x, y) for y in range(600) for x in range(800)):
        if not (y in (30, 529) or x in (0, 599, 600, 799) and 30 <= y <= 529):
            block = {big.getpixel((2 * x + i, 2 * y + j)) for i in (0, 1) for j in (0, 1)}
            if len(block) != 1 or cut(block.pop()) != cut(small.getpixel((x, y))):
                sys.exit(f"workbench pixel ({x}, {y}) is no 2 x 2 block of its scale-1 colour")


def pixel(display, x, y, *want):
    if cut(grab(display).getpixel((int(x), int(y)))) != cut(tuple(map(int, want))):
        sys.exit(f"pixel ({x}, {y}) is not about {want}")


def count(display):  # the skin's 8 x 12 digits, right-aligned at x 797, y 33
    screen, strip = grab(display), Image.open(Path(__file__).parents[2] / "data/digits.pcx").convert("RGB")

    def block(image, left, top):
        return [cut(image.getpixel((left + i, top + j))) for j in range(12) for i in range(8)]

    digits, shown, right = [block(strip, 8 * d, 0) for d in range(10)], "", 797
    while (seen := block(screen, right - 8, 33)) in digits:
        shown, right = str(digits.index(seen)) + shown, right - 8
    print(int(shown or "0"))


command, *args = sys.argv[1:]
{"grab": lambda d, p: grab(d).save(p), "placed": placed, "doubled": doubled, "pixel": pixel, "count": count}[command](*args)
