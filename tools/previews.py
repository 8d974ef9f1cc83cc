"""Pictures of the assembled workbench, one per mode, for the README.

Each is composed the way the workbench composes a frame: the skin
pictures at their screen positions, in drawing order, with pixel value 0
transparent where the workbench draws keyed, and every colour cut to the
5-6-5 pixels of the screen.
"""

from PIL import Image, ImageChops

import beetle
import skin

SPRITE = beetle.SPRITE_SIZE
SHEET_COLUMNS = 1400 // SPRITE
WORK_AREA = (0, 30, 600, 500)
SCREEN = (0, 0, 800, 600)
MARK_COLOUR = 33000
FOCUS_COLOUR = 25800
SINGLE_SHADOW, SINGLE_FACE = 365, 12
PREVIEW_PANEL = 2655
PREVIEW_AT = (100, 120)


def from_pixel(value):
    return ((value >> 11 & 31) << 3, (value >> 5 & 63) << 2, (value & 31) << 3)


def quantise(image):
    red, green, blue = image.convert("RGB").split()
    return Image.merge("RGB", (red.point(lambda v: v & 0xF8), green.point(lambda v: v & 0xFC),
                               blue.point(lambda v: v & 0xF8)))


def _clipped(picture, xy, area):
    """The part of `picture` at `xy` inside `area`, and where it goes."""
    x, y = xy
    left, top = max(x, area[0]), max(y, area[1])
    right, bottom = min(x + picture.width, area[2]), min(y + picture.height, area[3])
    if right <= left or bottom <= top:
        return None, None
    return picture.crop((left - x, top - y, right - x, bottom - y)), (left, top)


class Screen:
    def __init__(self):
        self.image = Image.new("RGB", (800, 600), (0, 0, 0))

    def put(self, picture, xy, area=SCREEN):
        part, at = _clipped(quantise(picture), xy, area)
        if part:
            self.image.paste(part, at)

    def put_keyed(self, picture, xy, area=SCREEN):
        part, at = _clipped(quantise(picture), xy, area)
        if part:
            red, green, blue = part.split()
            visible = ImageChops.lighter(ImageChops.lighter(red, green), blue)
            self.image.paste(part, at, visible.point(lambda v: 255 if v else 0))

    def put_shifted(self, picture, xy, amounts, area=SCREEN):
        bands = quantise(picture).split()
        shifted = Image.merge("RGB", [band.point(lambda v, a=a: min(255, v + a))
                                      for band, a in zip(bands, amounts)])
        self.put(shifted, xy, area)

    def fill(self, rect, pixel):
        self.image.paste(from_pixel(pixel), rect)

    def frame(self, rect, pixel):
        left, top, right, bottom = rect
        for edge in ((left, top, right, top + 1), (left, bottom - 1, right, bottom),
                     (left, top, left + 1, bottom), (right - 1, top, right, bottom)):
            self.fill(edge, pixel)


def _sheet_with(frames):
    sheet = Image.new("RGB", (1400, 2500), (0, 0, 0))
    for index, frame in enumerate(frames):
        sheet.paste(frame, _cell_origin(index + 1))
    mark = _cell_origin(len(frames) + 1)
    sheet.paste(from_pixel(MARK_COLOUR), mark + (mark[0] + SPRITE, mark[1] + SPRITE))
    return sheet


def _cell_origin(index):
    return ((index - 1) % SHEET_COLUMNS * SPRITE, (index - 1) // SHEET_COLUMNS * SPRITE)


def _cell_on_screen(index):
    x, y = _cell_origin(index)
    return (x, y + 30)


def _workbench(pictures, frames, mode):
    """What every mode shares: panes, tool bars and the mode bar."""
    screen = Screen()
    screen.put(_sheet_with(frames).crop((0, 0, 600, 500)), (0, 30))
    picture_buffer = Image.new("RGB", (200, 500), (0, 0, 0))
    picture_buffer.paste(frames[-1], (0, 0))
    screen.put(picture_buffer, (600, 30))
    screen.put(pictures["RTOOLBAR.pcx"], skin.RIGHT_BAR_AT)
    screen.put(pictures["WTOOLBAR.pcx"], skin.TOP_BAR_AT)
    screen.put(pictures["bottombar.pcx"], skin.BOTTOM_BAR_AT)
    if mode == "Edit":
        screen.put(pictures["keycolor.pcx"], skin.LOWER_PANE_AT)
        screen.fill((52, 540, 119, 589), _pack(beetle.KEY_COLOUR))
    if mode != "Place":
        screen.put(pictures["editbar.pcx"], skin.EDITBAR_AT)
    if mode == "Edit":
        screen.put(pictures["editbar2.pcx"], skin.EDITBAR_AT)
    screen.put(pictures["modebar.pcx"], skin.MODEBAR_AT)
    number = [name for name, _icon, _xs in skin.MODE_BUTTONS].index(mode)
    button = pictures["modebar.pcx"].crop((number * 56, 34, number * 56 + 56, 150))
    screen.put_shifted(button, (600 + number * 56, 414), (0, 120, 0))
    return screen


def _pack(rgb):
    r, g, b = rgb
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3


def place(pictures, frames):
    screen = _workbench(pictures, frames, "Place")
    screen.frame((0, 30, 600, 530), FOCUS_COLOUR)
    return screen.image


def edit_single(pictures, frames, large):
    screen = _workbench(pictures, frames, "Edit")
    screen.put(pictures["smaker.pcx"], skin.SMAKER_AT)
    screen.fill((55, 54, 695, 534), SINGLE_SHADOW)
    screen.fill((50, 49, 690, 529), SINGLE_FACE)
    screen.put(pictures["single.pcx"], skin.SINGLE_TITLE_AT)
    single = Image.new("RGB", (640, 480), (0, 0, 0))
    single.paste(large, (0, 0))
    screen.put(single.crop((0, 1, 640, 480)), (50, 49))
    return screen.image


def edit_clipboard(pictures, frames):
    screen = _workbench(pictures, frames, "Edit")
    screen.put(pictures["smaker.pcx"], skin.SMAKER_AT)
    screen.put(pictures["clipboard.pcx"], skin.CLIPBOARD_AT)
    screen.put_keyed(pictures["check.pcx"], skin.CHECK_ON_CLIPBOARD)
    return screen.image


def animate(pictures, frames):
    screen = _workbench(pictures, frames, "Animate")
    sheet = _sheet_with(frames)
    arrows = pictures["arrow.pcx"]
    ranges = [((200, 200, 200), 1, 170, 20), ((0, 0, 200), 5, 40, 20), ((0, 200, 0), 9, 80, 23)]
    for tint, first, arrow_x, arrow_width in ranges:
        arrow = arrows.crop((arrow_x, 0, arrow_x + arrow_width, 20))
        for cell in range(first + 1, first + 3):
            screen.put_keyed(arrow, _cell_on_screen(cell), WORK_AREA)
        for cell in (first, first + 3):
            x, y = _cell_origin(cell)
            grabbed = sheet.crop((x, y, x + SPRITE, y + SPRITE))
            screen.put_shifted(grabbed, _cell_on_screen(cell), tint, WORK_AREA)
    _preview_window(screen, pictures, frames[5])
    screen.put(pictures["animepane.pcx"], skin.LOWER_PANE_AT)
    screen.put_keyed(pictures["check.pcx"], (105, 530))
    return screen.image


def _preview_window(screen, pictures, frame):
    x, y = PREVIEW_AT
    screen.put(pictures["tv.pcx"], (x, y))
    screen.fill((x + 200, y - 6, x + 221 + SPRITE, y + 10 + SPRITE), PREVIEW_PANEL)
    screen.put_keyed(pictures["delay.pcx"], (x + 8, y + 140))
    screen.put(frame, (x + 211, y))


def compose_all(pictures, frames, large):
    """{file name: picture} of the four previews."""
    return {
        "preview-place.png": place(pictures, frames),
        "preview-edit-single.png": edit_single(pictures, frames, large),
        "preview-edit-clipboard.png": edit_clipboard(pictures, frames),
        "preview-animate.png": animate(pictures, frames),
    }
