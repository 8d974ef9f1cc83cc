"""The workbench's skin: every picture of the data folder.

Buttons are drawn exactly over the rectangles the workbench tests. Those
are screen rectangles; each picture converts them to its own coordinates
from the place it is drawn at. Pictures drawn keyed (pixel value 0 shows
what lies below) are finished by `paint.keyed`.
"""

import math

from PIL import Image, ImageDraw

from paint import (ACCENT, BG, BG_DEEP, GOOD, ICE, LINE_HI, LINE_LO, PANEL, TEXT, TEXT_DIM,
                   bevel, button, clip, font, gradient, header, keyed, lines, open_hit, panel,
                   span_hit, text, text_mask, well)

# Where the workbench draws each picture on the 800 x 600 screen.
TOP_BAR_AT = (0, 0)
RIGHT_BAR_AT = (600, 0)
BOTTOM_BAR_AT = (0, 530)
SMAKER_AT = (453, 510)
SINGLE_TITLE_AT = (50, 20)
CLIPBOARD_AT = (600, 0)
EDITBAR_AT = (600, 0)
MODEBAR_AT = (600, 380)
LOWER_PANE_AT = (0, 530)  # key colour pane and animation pane
CHECK_ON_CLIPBOARD = (630, 220)
FREEZE_BOX_AT = (250, 250)
FREEZE_BAR = (280, 310, 570, 330)  # left, top, right, bottom; right and bottom outside

# The check mark's tick lies in these columns and rows of check.pcx, so on
# every button that shows it the tick lands inside the button.
TICK_BOX = (2, 27, 19, 38)

# name, selector code, button span on screen, check mark position, arrow
DIRECTION_BUTTONS = [
    ("No direction", 1, (177, 282), (555, 574), (205, 530), "\u25cf"),
    ("Left", 2, (73, 175), (555, 574), (105, 530), "\u2190"),
    ("Right", 3, (284, 381), (555, 574), (305, 530), "\u2192"),
    ("Up", 4, (177, 282), (537, 553), (205, 510), "\u2191"),
    ("Down", 5, (177, 282), (576, 593), (205, 550), "\u2193"),
    ("Left Up", 6, (73, 175), (537, 553), (105, 510), "\u2196"),
    ("Left Down", 7, (73, 175), (576, 593), (105, 550), "\u2199"),
    ("Right Up", 8, (284, 381), (537, 553), (305, 510), "\u2197"),
    ("Right Down", 9, (284, 381), (576, 593), (305, 550), "\u2198"),
]

# Direction marks of arrow.pcx. Neighbouring diagonal cuts share three
# columns, so each mark is drawn clear of them; the angle is clockwise from
# up, None for the no-direction ring.
ARROW_MARKS = [  # name, x of the cut, its width, left of the 16-pixel mark, angle
    ("Up", 0, 20, 2, 0),
    ("Right", 20, 20, 22, 90),
    ("Left", 40, 20, 42, 270),
    ("Down", 60, 20, 62, 180),
    ("LeftUp", 80, 23, 82, 315),
    ("RightUp", 100, 23, 103, 45),
    ("LeftDown", 120, 23, 123, 225),
    ("RightDown", 140, 23, 145, 135),
    ("NoDirection", 170, 20, 172, None),
]
ARROW_SHEET_SIZE = (190, 20)

MODE_BUTTONS = [("Place", "\u25a6", (601, 655)), ("Edit", "\u270e", (657, 711)),
                ("Animate", "\u25b6", (713, 767))]
MODE_BUTTON_ROWS = (416, 530)


def _image(size, colour=BG):
    return Image.new("RGB", size, colour)


def _brand(image, xy, size, anchor="la"):
    x, y = xy
    text(image, (x, y), "Cel", size, True, TEXT, anchor)
    width = font(size, True).getlength("Cel")
    if anchor[0] == "l":
        text(image, (x + width, y), "forge", size, True, ACCENT, anchor)


# ---------------------------------------------------------------- tool bars


def top_bar():
    image = _image((600, 30))
    panel(image, (0, 0, 599, 29), (52, 57, 68), (32, 35, 42))
    save = clip(open_hit((4, 200), (0, 32), TOP_BAR_AT), image.size)
    button(image, (save[0], save[1], save[2], save[3] - 1), "Save sprite", "accent", 12,
           "\u2193")
    _brand(image, (214, 15), 15, "lm")
    text(image, (300, 15), "sprite workbench", 10, False, TEXT_DIM, "lm")
    text(image, (592, 15), "Sheet 1400 \u00d7 2500  \u00b7  Esc quits", 9, False, TEXT_DIM, "rm")
    return image


def right_bar(pressed):
    image = _image((200, 30))
    panel(image, (0, 0, 199, 29), (52, 57, 68), (32, 35, 42))
    open_button = span_hit((609, 689), (11, 24), RIGHT_BAR_AT)
    text(image, (open_button[0], 5), "PICTURE", 8, True, TEXT_DIM, "lm")
    button(image, open_button, "Open\u2026", "accent" if pressed else "cool", 9, pressed=pressed)
    text(image, (95, 18), "next frame source", 9, False, TEXT_DIM, "lm")
    return image


def bottom_bar():
    image = _image((800, 70))
    panel(image, (0, 0, 799, 69), (44, 48, 57), (28, 30, 36))
    freeze = open_hit((249, 386), (534, 568), BOTTOM_BAR_AT)
    button(image, freeze, "Freeze", "cool", 13, "\u2744")
    lines(image, (10, 8), [("PLACE FRAMES", ACCENT), "Click the marked cell: the picture's",
                           "top-left corner goes in as a frame.", ("Open\u2026 brings the next picture.",
                                                                   TEXT_DIM)], 9, leading=13)
    lines(image, (freeze[0], 44), [("Cuts every direction out;", TEXT_DIM),
                                   ("then Save writes the sprite.", TEXT_DIM)], 9, leading=12)
    draw = ImageDraw.Draw(image)
    for x in range(486, 596, 12):  # a quiet vent strip, seen in every mode
        draw.line((x, 46, x + 6, 46), fill=LINE_LO)
        draw.line((x, 47, x + 6, 47), fill=LINE_HI)
    well(image, (606, 8, 793, 61), (30, 32, 39))
    _brand(image, (618, 28), 18, "lm")
    text(image, (618, 48), "Esc or F12 quits", 9, False, TEXT_DIM, "lm")
    return image


# ----------------------------------------------------------- edit tools


def smaker():
    image = _image((143, 33))
    rect = clip(open_hit((453, 600), (510, 543), SMAKER_AT), image.size)
    ImageDraw.Draw(image).rectangle((0, 0, 142, 32), outline=LINE_LO)
    button(image, rect, "Single sprite\u2026", "normal", 11, "\u25a3")
    return image


def single_title():
    image = _image((640, 29))
    gradient(image, (0, 0, 639, 28), (52, 72, 128), (26, 36, 74))
    bevel(image, (0, 0, 639, 28))
    notice = open_hit((70, 106), (24, 43), SINGLE_TITLE_AT)
    open_button = open_hit((155, 270), (24, 48), SINGLE_TITLE_AT)
    save = open_hit((317, 425), (24, 43), SINGLE_TITLE_AT)
    close = open_hit((657, 682), (29, 42), SINGLE_TITLE_AT)
    button(image, notice, "Info", "normal", 9)
    button(image, open_button, "Open picture", "cool", 10, "\u25a3")
    button(image, save, "Save sprite", "accent", 10, "\u2193")
    button(image, close, "\u2715", "danger", 8)
    text(image, (10, 14), "\u25a3", 11, True, (170, 186, 222), "mm")
    text(image, (390, 14), "SINGLE SPRITE", 11, True, TEXT, "lm")
    text(image, (494, 14), "one frame \u00b7 640 \u00d7 480", 9, False, (170, 186, 222), "lm")
    return image


def editbar():
    image = _image((200, 400))
    panel(image, (0, 0, 199, 399), PANEL, BG)
    header(image, (0, 0, 199, 29), "ANIMATE", "mark the runs")
    lines(image, (10, 40), [
        ("For each direction:", ACCENT),
        "1  choose it on the pad below",
        "2  press on its first frame",
        "3  drag to its last frame",
        "4  press Space to confirm",
        ("Right click starts it again.", TEXT_DIM),
        ("A run needs three frames.", TEXT_DIM),
    ], 10, leading=15)
    draw = ImageDraw.Draw(image)
    draw.line((8, 184, 191, 184), fill=LINE_LO)
    draw.line((8, 185, 191, 185), fill=LINE_HI)
    lines(image, (10, 196), [
        ("THE SHEET", ACCENT),
        "Frames lie in cells, numbered",
        "from 1, left to right, row by row.",
        "",
        "Click a pane, then the arrow",
        "keys scroll it.",
    ], 10, leading=15)
    well(image, (10, 300, 189, 368), (30, 33, 40))
    lines(image, (18, 308), [("Place", ACCENT), "Edit", "Animate"], 10, True, leading=17)
    lines(image, (78, 308), [("frames into cells", TEXT_DIM), ("key colour, swaps", TEXT_DIM),
                             ("directions, preview", TEXT_DIM)], 9, leading=17)
    return image


def editbar2():
    image = _image((200, 177))
    panel(image, (0, 0, 199, 176), PANEL, BG)
    header(image, (0, 0, 199, 29), "EDIT", "tools")
    clipboard_button = open_hit((614, 725), (41, 72), EDITBAR_AT)
    button(image, clipboard_button, "Clipboard", "normal", 11, "\u21c4")
    lines(image, (clipboard_button[2] + 6, 44), [("swap two", TEXT_DIM), ("frames", TEXT_DIM)],
          9, leading=12)
    lines(image, (10, 84), [
        ("KEY COLOUR", ACCENT),
        "Pick, then click a pixel of the",
        "sheet: it becomes transparent.",
        ("SINGLE SPRITE", ACCENT),
        "One frame from one picture.",
    ], 10, leading=15)
    draw = ImageDraw.Draw(image)
    draw.line((8, 174, 191, 174), fill=LINE_LO)
    return image


def clipboard():
    image = _image((200, 390))
    panel(image, (0, 0, 199, 389), PANEL, BG)
    header(image, (0, 0, 199, 29), "EDIT", "clipboard")
    panel(image, (4, 36, 195, 82), (60, 66, 80), (42, 46, 56))
    text(image, (14, 59), "\u21c4", 16, True, ACCENT, "lm")
    text(image, (36, 59), "Clipboard", 14, True, TEXT, "lm")
    close = open_hit((763, 794), (44, 74), CLIPBOARD_AT)
    button(image, close, "\u2715", "danger", 11)
    lines(image, (10, 94), [
        ("Exchange two frames", ACCENT),
        "1  arm the clipboard below",
        "2  click the first frame and",
        "    answer Yes: it is stored",
        "3  click the frame to swap it",
        "    with and answer Yes",
        ("Stays armed for the next pair.", TEXT_DIM),
    ], 10, leading=15)
    arm = open_hit((624, 693), (242, 266), CLIPBOARD_AT)
    button(image, arm, "", "normal", 10)
    tick = _tick_slot(CHECK_ON_CLIPBOARD, CLIPBOARD_AT)
    well(image, tick)
    text(image, (tick[2] + 5, (arm[1] + arm[3] + 1) // 2), "Arm", 11, True, TEXT, "lm")
    lines(image, (arm[2] + 8, 244), [("ticked while", TEXT_DIM), ("armed", TEXT_DIM)], 9,
          leading=11)
    lines(image, (10, 290), [("Closing the pane drops", TEXT_DIM),
                             ("the stored frame.", TEXT_DIM)], 10, leading=15)
    return image


def _tick_slot(check_at, origin):
    """The sunken slot on a button where the check mark's tick appears."""
    x0, y0, x1, y1 = TICK_BOX
    cx, cy = check_at[0] - origin[0], check_at[1] - origin[1]
    return (cx + x0 - 1, cy + y0 - 1, cx + x1 + 1, cy + y1 + 1)


def key_colour_pane():
    image = _image((479, 70))
    panel(image, (0, 0, 478, 69), (44, 48, 57), (28, 30, 36))
    swatch = span_hit((52, 118), (540, 588), LOWER_PANE_AT)
    well(image, (swatch[0] - 2, swatch[1] - 2, swatch[2] + 2, swatch[3] + 2), (0, 0, 0))
    text(image, (26, 26), "KEY", 11, True, ACCENT, "mm")
    text(image, (26, 40), "colour", 9, False, TEXT_DIM, "mm")
    lines(image, (130, 10), [
        ("Key colour", TEXT),
        ("The sprite's transparent colour.", TEXT_DIM),
        ("Click the swatch to read its value.", TEXT_DIM),
        ("Pick it from a pixel of the sheet.", TEXT_DIM),
    ], 9, leading=13)
    picker = span_hit((312, 389), (541, 587), LOWER_PANE_AT)
    button(image, picker, "Pick", "normal", 12, "\u270e")
    lines(image, (396, 16), [("then click", TEXT_DIM), ("the sheet", TEXT_DIM)], 9, leading=13)
    return image


# ----------------------------------------------------------- animate tools


def animation_pane():
    image = _image((479, 70))
    panel(image, (0, 0, 478, 69), (44, 48, 57), (28, 30, 36))
    lines(image, (6, 10), [("FACING", ACCENT), ("", TEXT), ("choose,", TEXT_DIM),
                           ("then mark", TEXT_DIM), ("its frames", TEXT_DIM)], 9, True, leading=11)
    well(image, (70, 3, 384, 66), (24, 26, 31))
    for label, _code, xs, ys, check_at, arrow in DIRECTION_BUTTONS:
        _direction_button(image, label, xs, ys, check_at, arrow)
    preview = span_hit((396, 458), (536, 556), LOWER_PANE_AT)
    button(image, preview, "Preview", "accent", 10, "\u25b6")
    lines(image, (392, 32), [("Space confirms", TEXT_DIM), ("Right click resets", TEXT_DIM)], 9,
          leading=13)
    return image


def _direction_button(image, label, xs, ys, check_at, arrow):
    rect = span_hit(xs, ys, LOWER_PANE_AT)
    button(image, rect, "", "normal")
    slot = _tick_slot(check_at, LOWER_PANE_AT)
    well(image, slot)
    middle = (rect[1] + rect[3] + 1) // 2
    text(image, ((rect[0] + slot[0]) // 2 + 1, middle), arrow, 11, True, ACCENT, "mm")
    text(image, (slot[2] + 4, middle), label, 9, False, TEXT, "lm")


def check_mark():
    image = _image((43, 41), (0, 0, 0))
    mask = Image.new("L", image.size, 0)
    x0, y0, x1, y1 = TICK_BOX
    stroke = [(x0 + 1, y0 + 6), (x0 + 6, y1 - 1), (x1 - 1, y0 + 1)]
    for target, colour, width in ((image, (10, 60, 24), 5), (image, GOOD, 3), (mask, 255, 5)):
        ImageDraw.Draw(target).line(stroke, fill=colour, width=width, joint="curve")
    inside = Image.new("L", image.size, 0)
    ImageDraw.Draw(inside).rectangle(TICK_BOX, fill=255)
    return keyed(image, Image.composite(mask, inside, inside))


def arrows():
    image = _image(ARROW_SHEET_SIZE, (0, 0, 0))
    mask = Image.new("L", image.size, 0)
    for _name, _x, _width, left, angle in ARROW_MARKS:
        _arrow_mark(image, mask, (left, 2, left + 15, 17), angle)
    return keyed(image, mask)


def _arrow_mark(image, mask, box, angle):
    x0, y0, x1, y1 = box
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    draw, mask_draw = ImageDraw.Draw(image), ImageDraw.Draw(mask)
    if angle is None:
        for target, colour in ((draw, (40, 40, 40)), (mask_draw, 255)):
            target.ellipse(box, fill=colour)
        draw.ellipse((x0 + 2, y0 + 2, x1 - 2, y1 - 2), fill=(255, 226, 90))
        draw.ellipse((x0 + 5, y0 + 5, x1 - 5, y1 - 5), fill=(40, 40, 40))
        return
    shape = [(0, -7.5), (6.5, 0), (2.5, 0), (2.5, 7.5), (-2.5, 7.5), (-2.5, 0), (-6.5, 0)]
    a = math.radians(angle)
    points = [(cx + px * math.cos(a) - py * math.sin(a), cy + px * math.sin(a) + py * math.cos(a))
              for px, py in shape]
    draw.polygon(points, fill=(255, 226, 90), outline=(40, 40, 40))
    mask_draw.polygon(points, fill=255, outline=255)


def mode_bar():
    image = _image((200, 150))
    panel(image, (0, 0, 199, 149), PANEL, BG)
    header(image, (0, 0, 199, 31), "MODE", "after the first frame")
    y_open = MODE_BUTTON_ROWS
    for label, icon, xs in MODE_BUTTONS:
        rect = clip(span_hit(xs, (y_open[0], y_open[1]), MODEBAR_AT), image.size)
        button(image, rect, "", "normal")
        middle = (rect[0] + rect[2] + 1) // 2
        text(image, (middle, rect[1] + 44), icon, 24, True, ACCENT, "mm")
        text(image, (middle, rect[1] + 88), label, 10 if len(label) > 5 else 11, True, TEXT,
             "mm")
    for y in range(66, 140, 8):
        ImageDraw.Draw(image).line((176, y, 192, y), fill=LINE_HI)
    return image


# ------------------------------------------------------------ preview window


def television():
    image = _image((200, 200), (0, 0, 0))
    panel(image, (0, 0, 199, 199), (70, 62, 56), (40, 35, 32))
    draw = ImageDraw.Draw(image)
    well(image, (6, 26, 58, 180), (22, 20, 19))  # the knob's track
    draw.line((32, 34, 32, 172), fill=(90, 80, 70))
    for y in range(40, 180, 14):
        draw.line((12, y, 18, y), fill=(90, 80, 70))
    button(image, span_hit((16, 45), (1, 22)), "\u25b2", "normal", 9)
    button(image, clip(span_hit((16, 45), (182, 201)), image.size), "\u25bc", "normal", 9)
    text(image, (52, 12), "slower", 8, False, TEXT_DIM, "lm")
    text(image, (52, 190), "faster", 8, False, TEXT_DIM, "lm")
    _tv_screen(image)
    button(image, span_hit((149, 183), (3, 31)), "\u2715", "danger", 11)
    _tv_pad(image)
    return image


def _tv_screen(image):
    well(image, (64, 34, 139, 142), (18, 26, 30))
    gradient(image, (66, 36, 137, 140), (30, 52, 58), (14, 22, 26))
    text(image, (101, 52), "PREVIEW", 10, True, ICE, "mm")
    lines(image, (72, 66), [("plays at", TEXT_DIM), ("the right \u2192", TEXT_DIM), "",
                            ("pad: pick a", TEXT_DIM), ("direction", TEXT_DIM), "",
                            ("right-drag", TEXT_DIM), ("moves me", TEXT_DIM)], 8, leading=9)
    text(image, (166, 140), "DIRECTION", 7, True, TEXT_DIM, "mm")


def _tv_pad(image):
    columns = [(145, 159), (161, 175), (177, 191)]
    rows = [(150, 163), (165, 178), (180, 193)]
    marks = ["\u2196\u2191\u2197", "\u2190\u25cf\u2192", "\u2199\u2193\u2198"]
    well(image, (143, 148, 193, 195), (22, 20, 19))
    for r, ys in enumerate(rows):
        for c, xs in enumerate(columns):
            button(image, span_hit(xs, ys), marks[r][c], "normal", 8)


def delay_knob():
    image = _image((49, 41), (0, 0, 0))
    mask = Image.new("L", image.size, 0)
    body = (1, 9, 47, 31)
    ImageDraw.Draw(mask).rounded_rectangle(body, 5, fill=255)
    gradient(image, body, (246, 176, 96), (178, 96, 30))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle(body, 5, outline=(60, 30, 10))
    for x in (17, 22, 27, 32):
        draw.line((x, 14, x, 26), fill=(120, 62, 20))
        draw.line((x + 1, 14, x + 1, 26), fill=(255, 210, 150))
    return keyed(image, mask)


DIGIT_SIZE = (8, 12)


def digit_strip():
    """The digits 0 to 9 side by side, white on a dark badge, for the count
    of pictures still waiting in the picture pane's corner."""
    width, height = DIGIT_SIZE
    image = _image((width * 10, height), BG_DEEP)
    for digit in range(10):
        text(image, (digit * width + width // 2, height // 2), str(digit), 11, True, TEXT, "mm",
             mono=True)
    return image


def preview_notice():
    image = _image((300, 200), (0, 0, 0))
    mask = Image.new("L", image.size, 0)
    card = (4, 4, 295, 195)
    ImageDraw.Draw(mask).rounded_rectangle(card, 12, fill=255)
    gradient(image, card, (70, 52, 40), (40, 30, 26))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle(card, 12, outline=ACCENT, width=2)
    text(image, (150, 30), "No animation to preview yet", 13, True, TEXT, "mm")
    draw.line((24, 46, 276, 46), fill=(120, 80, 50))
    lines(image, (26, 58), [
        ("Confirm a direction first:", ACCENT),
        "1  choose a direction below",
        "2  press on its first frame in the sheet",
        "3  drag to its last frame",
        "4  press Space",
        ("The run needs at least three frames.", TEXT_DIM),
    ], 11, leading=20)
    return keyed(image, mask)


# ---------------------------------------------------------------- notices


def sheet_full():
    image = _image((200, 50))
    panel(image, (0, 0, 199, 49), (140, 52, 44), (92, 30, 28))
    ImageDraw.Draw(image).rectangle((0, 0, 199, 49), outline=(250, 190, 110))
    text(image, (14, 18), "\u26a0", 16, True, (255, 214, 120), "mm")
    text(image, (30, 17), "The sheet is full", 13, True, TEXT, "lm")
    text(image, (30, 35), "No room for more frames.", 10, False, (250, 214, 200), "lm")
    return image


def freeze_box():
    image = _image((350, 100), (0, 0, 0))
    mask = Image.new("L", image.size, 0)
    box = (0, 0, 349, 99)
    ImageDraw.Draw(mask).rounded_rectangle(box, 10, fill=255)
    gradient(image, box, (58, 88, 118), (26, 40, 58))
    draw = ImageDraw.Draw(image)
    draw.rounded_rectangle(box, 10, outline=ICE, width=2)
    text(image, (22, 18), "\u2744", 16, True, ICE, "mm")
    text(image, (38, 18), "Freezing the sprite\u2026", 14, True, TEXT, "lm")
    text(image, (38, 38), "Each direction's frames are cut out of the sheet.", 9, False,
         (190, 210, 230), "lm")
    bx0, by0 = FREEZE_BAR[0] - FREEZE_BOX_AT[0], FREEZE_BAR[1] - FREEZE_BOX_AT[1]
    bx1, by1 = FREEZE_BAR[2] - FREEZE_BOX_AT[0] - 1, FREEZE_BAR[3] - FREEZE_BOX_AT[1] - 1
    draw.rectangle((bx0 - 3, by0 - 3, bx1 + 3, by1 + 3), fill=(16, 24, 34), outline=ICE)
    ImageDraw.Draw(mask).rectangle((bx0, by0, bx1, by1), fill=0)  # the bar shows through
    text(image, (175, 91), "Stay in Place mode until it is done", 8, False, (170, 190, 210), "mm")
    return keyed(image, mask)


def frozen_cover():
    image = _image((600, 470))
    gradient(image, (0, 0, 599, 469), (36, 62, 86), (14, 24, 36))
    draw = ImageDraw.Draw(image)
    for i in range(0, 600 + 470, 24):  # frost lines
        draw.line((i, 0, i - 470, 470), fill=(40, 68, 94))
    for x, y, size in ((70, 80, 40), (520, 110, 30), (110, 380, 26), (480, 390, 44),
                       (300, 420, 18), (40, 240, 20), (560, 260, 22)):
        text(image, (x, y), "\u2744", size, True, (76, 118, 150), "mm")
    panel(image, (110, 140, 489, 330), (46, 78, 104), (24, 42, 60))
    ImageDraw.Draw(image).rectangle((110, 140, 489, 330), outline=ICE)
    text(image, (300, 186), "FROZEN", 40, True, ICE, "mm")
    lines(image, (136, 224), [
        "Every direction's frames are cut out.",
        "The sheet can no longer be changed.",
        ("Press Save sprite on the top bar", ACCENT),
        ("to write the .Spr file.", ACCENT),
    ], 13, leading=22)
    text(image, (104, 16), "\u2191", 22, True, ACCENT, "mm")
    text(image, (122, 16), "Save sprite", 11, True, ACCENT, "lm")
    return image


def logo():
    image = _image((500, 285), BG_DEEP)
    panel(image, (0, 0, 499, 284), (48, 52, 62), (22, 24, 29))
    ImageDraw.Draw(image).rectangle((0, 0, 499, 284), outline=ACCENT)
    _logo_mark(image, (40, 40))
    _brand(image, (160, 88), 46, "ls")
    text(image, (164, 112), "sprite workbench", 16, False, TEXT_DIM, "lm")
    lines(image, (40, 172), [
        "Open a first picture (24-bit PCX) to begin.",
        ("Its size becomes the sprite size for this whole run.", TEXT_DIM),
        "",
        ("Place frames \u2192 mark directions \u2192 Freeze \u2192 Save", ACCENT),
    ], 12, leading=19)
    text(image, (490, 272), "Esc or F12 quits", 9, False, TEXT_DIM, "rm")
    return image


def _logo_mark(image, origin):
    ox, oy = origin
    draw = ImageDraw.Draw(image)
    for r in range(3):
        for c in range(3):
            cell = (ox + c * 34, oy + r * 34, ox + c * 34 + 30, oy + r * 34 + 30)
            lit = (r, c) == (1, 1)
            draw.rectangle(cell, fill=ACCENT if lit else (60, 66, 80), outline=LINE_LO)
            if not lit:
                arrow = "\u2196\u2191\u2197\u2190 \u2192\u2199\u2193\u2198"[r * 3 + c]
                text(image, (cell[0] + 15, cell[1] + 15), arrow, 14, True, TEXT_DIM, "mm")
    text(image, (ox + 49, oy + 49), "\u25cf", 12, True, (40, 20, 8), "mm")


def closing_backdrop():
    image = _image((500, 254), BG_DEEP)
    gradient(image, (0, 0, 499, 253), (20, 22, 27), (44, 40, 36))
    draw = ImageDraw.Draw(image)
    draw.rectangle((0, 0, 499, 253), outline=(90, 70, 50))
    draw.line((30, 60, 470, 60), fill=(90, 70, 50))
    text(image, (250, 100), "Your sprite is saved.", 24, True, TEXT, "mm")
    text(image, (250, 136), "Every frame is in the .Spr file, ready for the game.", 12, False,
         TEXT_DIM, "mm")
    _logo_small(image, (250, 186))
    text(image, (250, 232), "Click anywhere to close", 11, True, ACCENT, "mm")
    return image


def _logo_small(image, centre):
    cx, cy = centre
    width = font(20, True).getlength("Celforge")
    _brand(image, (cx - width / 2, cy), 20, "lm")


def closing_figure(words, colour):
    size = (300, 40)
    outline = text_mask(size, (150, 20), words, 24, True, stroke=3)
    inner = text_mask(size, (150, 20), words, 24, True)
    image = Image.new("RGB", size, (70, 40, 16))
    gradient_face = _image(size)
    gradient(gradient_face, (0, 0, 299, 39), colour, tuple(int(c * 0.7) for c in colour))
    image.paste(gradient_face, (0, 0), inner)
    return keyed(image, outline)


# ------------------------------------------------------------------ table

# file name, size, drawing, drawn keyed
PICTURES = [
    ("logo.pcx", (500, 285), logo, False),
    ("tv_error.pcx", (300, 200), preview_notice, True),
    ("eow.pcx", (200, 50), sheet_full, False),
    ("single.pcx", (640, 29), single_title, False),
    ("tv.pcx", (200, 200), television, False),
    ("delay.pcx", (49, 41), delay_knob, True),
    ("editbar.pcx", (200, 400), editbar, False),
    ("editbar2.pcx", (200, 177), editbar2, False),
    ("clipboard.pcx", (200, 390), clipboard, False),
    ("arrow.pcx", ARROW_SHEET_SIZE, arrows, True),
    ("smaker.pcx", (143, 33), smaker, False),
    ("check.pcx", (43, 41), check_mark, True),
    ("digits.pcx", (DIGIT_SIZE[0] * 10, DIGIT_SIZE[1]), digit_strip, False),
    ("bottombar.pcx", (800, 70), bottom_bar, False),
    ("freezbox.pcx", (350, 100), freeze_box, True),
    ("freezed.pcx", (600, 470), frozen_cover, False),
    ("keycolor.pcx", (479, 70), key_colour_pane, False),
    ("animepane.pcx", (479, 70), animation_pane, False),
    ("ar.pcx", (500, 254), closing_backdrop, False),
    ("modebar.pcx", (200, 150), mode_bar, False),
    ("WTOOLBAR.pcx", (600, 30), top_bar, False),
    ("RTOOLBAR.pcx", (200, 30), lambda: right_bar(False), False),
    ("RTOOLBAR1.pcx", (200, 30), lambda: right_bar(True), False),
    ("m1.pcx", (300, 40), lambda: closing_figure("SPRITE SAVED", (255, 196, 90)), True),
    ("m2.pcx", (300, 40), lambda: closing_figure("THANK YOU", (140, 220, 255)), True),
    ("m3.pcx", (300, 40), lambda: closing_figure("SEE YOU SOON", (150, 236, 140)), True),
]


def draw_all():
    """{file name: picture}, each checked against its size."""
    pictures = {}
    for name, size, draw, _keyed in PICTURES:
        picture = draw()
        if picture.size != size:
            raise ValueError("%s came out %r, wants %r" % (name, picture.size, size))
        pictures[name] = picture
    return pictures
