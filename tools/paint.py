"""Drawing helpers shared by the skin pictures: fonts, colours, bevelled
panels and buttons, and the finishing step of keyed pictures."""

from PIL import Image, ImageChops, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"

BG = (34, 37, 44)
BG_DEEP = (24, 26, 31)
PANEL = (45, 49, 58)
LINE_HI = (76, 82, 97)
LINE_LO = (14, 15, 19)
TEXT = (234, 236, 242)
TEXT_DIM = (156, 162, 176)
ACCENT = (242, 152, 54)
ICE = (150, 205, 240)
GOOD = (96, 214, 120)

BUTTON_STYLES = {
    # face top, face bottom, label
    "normal": ((84, 91, 108), (58, 63, 76), TEXT),
    "accent": ((246, 164, 70), (196, 108, 32), (34, 20, 8)),
    "cool": ((70, 120, 170), (44, 78, 122), TEXT),
    "danger": ((176, 70, 62), (122, 40, 36), TEXT),
}

_fonts = {}


def font(size, bold=False, mono=False):
    name = "DejaVuSans%s%s.ttf" % ("Mono" if mono else "", "-Bold" if bold else "")
    key = (name, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_DIR + name, size)
    return _fonts[key]


def open_hit(x_open, y_open, origin=(0, 0)):
    """A screen hit rectangle given as open intervals (a < x < b), as an
    inclusive rectangle in the coordinates of a picture drawn at `origin`."""
    (xa, xb), (ya, yb) = x_open, y_open
    ox, oy = origin
    return (xa + 1 - ox, ya + 1 - oy, xb - 1 - ox, yb - 1 - oy)


def span_hit(x_span, y_span, origin=(0, 0)):
    """The same for a screen area given as inclusive pixel ranges."""
    (x0, x1), (y0, y1) = x_span, y_span
    ox, oy = origin
    return (x0 - ox, y0 - oy, x1 - ox, y1 - oy)


def clip(rect, size):
    x0, y0, x1, y1 = rect
    return (max(0, x0), max(0, y0), min(size[0] - 1, x1), min(size[1] - 1, y1))


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade(colour, amount):
    return tuple(max(0, min(255, c + amount)) for c in colour)


def gradient(image, rect, top, bottom):
    x0, y0, x1, y1 = rect
    draw = ImageDraw.Draw(image)
    rows = max(1, y1 - y0)
    for y in range(y0, y1 + 1):
        draw.line((x0, y, x1, y), fill=mix(top, bottom, (y - y0) / rows))


def bevel(image, rect, raised=True):
    x0, y0, x1, y1 = rect
    draw = ImageDraw.Draw(image)
    light, dark = (LINE_HI, LINE_LO) if raised else (LINE_LO, LINE_HI)
    draw.line((x0, y0, x1, y0), fill=light)
    draw.line((x0, y0, x0, y1), fill=light)
    draw.line((x0, y1, x1, y1), fill=dark)
    draw.line((x1, y0, x1, y1), fill=dark)


def panel(image, rect, top=PANEL, bottom=BG, raised=True):
    gradient(image, rect, top, bottom)
    bevel(image, rect, raised)


def well(image, rect, fill=BG_DEEP):
    """A sunken area, e.g. around something the program draws."""
    ImageDraw.Draw(image).rectangle(rect, fill=fill)
    bevel(image, rect, raised=False)


def text(image, xy, words, size=11, bold=False, fill=TEXT, anchor="la", mono=False):
    ImageDraw.Draw(image).text(xy, words, font=font(size, bold, mono), fill=fill, anchor=anchor)


def lines(image, xy, rows, size=10, bold=False, fill=TEXT, leading=None):
    x, y = xy
    step = leading or size + 4
    for row in rows:
        if isinstance(row, tuple):
            words, colour = row
        else:
            words, colour = row, fill
        text(image, (x, y), words, size, bold, colour)
        y += step


def header(image, rect, title, note=None):
    """A section strip: title on the left, an optional note on the right."""
    x0, y0, x1, y1 = rect
    gradient(image, rect, (54, 59, 70), (36, 39, 47))
    draw = ImageDraw.Draw(image)
    draw.line((x0, y1, x1, y1), fill=LINE_LO)
    draw.line((x0, y0, x1, y0), fill=LINE_HI)
    draw.rectangle((x0 + 5, y0 + 5, x0 + 7, y1 - 5), fill=ACCENT)
    text(image, (x0 + 13, (y0 + y1 + 1) // 2), title, 12, True, TEXT, "lm")
    if note:
        text(image, (x1 - 6, (y0 + y1 + 1) // 2), note, 9, False, TEXT_DIM, "rm")


def button(image, rect, label, style="normal", size=11, icon=None, pressed=False, bold=True):
    """A bevelled button filling `rect` (inclusive) with a centred label."""
    x0, y0, x1, y1 = rect
    top, bottom, ink = BUTTON_STYLES[style]
    if pressed:
        top, bottom = shade(bottom, -18), shade(top, -30)
    draw = ImageDraw.Draw(image)
    gradient(image, (x0 + 1, y0 + 1, x1 - 1, y1 - 1), top, bottom)
    draw.rectangle(rect, outline=LINE_LO)
    edge_light, edge_dark = shade(top, 40), shade(bottom, -30)
    if pressed:
        edge_light, edge_dark = edge_dark, edge_light
    draw.line((x0 + 1, y0 + 1, x1 - 1, y0 + 1), fill=edge_light)
    draw.line((x0 + 1, y0 + 1, x0 + 1, y1 - 1), fill=edge_light)
    draw.line((x0 + 1, y1 - 1, x1 - 1, y1 - 1), fill=edge_dark)
    draw.line((x1 - 1, y0 + 1, x1 - 1, y1 - 1), fill=edge_dark)
    shift = 1 if pressed else 0
    cx, cy = (x0 + x1 + 1) // 2 + shift, (y0 + y1 + 1) // 2 + shift
    label_font = font(size, bold)
    if icon:
        icon_font = font(size + 1, True)
        icon_width = icon_font.getlength(icon)
        gap = 4 if label else 0
        left = cx - (icon_width + gap + label_font.getlength(label)) / 2
        draw.text((left, cy), icon, font=icon_font, fill=ink, anchor="lm")
        draw.text((left + icon_width + gap, cy), label, font=label_font, fill=ink, anchor="lm")
    else:
        draw.text((cx, cy), label, font=label_font, fill=ink, anchor="mm")


def keyed(image, mask):
    """Finishes a picture drawn with pixel value 0 transparent: black where
    `mask` is 0, and every visible pixel kept clear of the colours that pack
    to 0 in 16 bits (red, green and blue all below 8)."""
    binary = mask.point(lambda v: 255 if v >= 128 else 0)
    lifted = ImageChops.lighter(image, Image.new("RGB", image.size, (8, 8, 8)))
    out = Image.new("RGB", image.size, (0, 0, 0))
    out.paste(lifted, (0, 0), binary)
    return out


def text_mask(size, xy, words, points, bold=True, stroke=0, anchor="mm"):
    mask = Image.new("L", size, 0)
    ImageDraw.Draw(mask).text(
        xy, words, font=font(points, bold), fill=255, anchor=anchor, stroke_width=stroke,
        stroke_fill=255)
    return mask.point(lambda v: 255 if v >= 110 else 0)
