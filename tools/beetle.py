"""The sample sprite: a beetle seen from above, drawn pixel by pixel.

The beetle is described in its own coordinates (f: forward towards the head,
s: to its right) and sampled at every pixel centre, so it turns to any
facing without blurring and keeps hard edges against the flat key colour.
Light comes from the screen's upper left whatever the facing, which keeps
the nine directions looking like one creature.
"""

import math

from PIL import Image

KEY_COLOUR = (255, 0, 255)
SPRITE_SIZE = 48
FRAMES_PER_DIRECTION = 4

# Sprite file order; the angle is the facing, clockwise from straight up.
DIRECTIONS = [
    ("nodirection", None),
    ("left", 270),
    ("leftup", 315),
    ("up", 0),
    ("rightup", 45),
    ("right", 90),
    ("rightdown", 135),
    ("down", 180),
    ("leftdown", 225),
]

SHELL = (38, 150, 118)
PRONOTUM = (26, 104, 92)
HEAD = (30, 70, 64)
LEG = (74, 50, 36)
OUTLINE = (16, 30, 28)
SEAM = (14, 70, 58)
LIGHT = (-0.55, -0.75)  # towards the light, screen axes

# (forward position of the hip, forward reach of the foot, gait group)
LEGS = [(7.0, 5.0, 0), (2.5, 0.0, 1), (-2.0, -6.0, 0)]


def _segment_distance(pf, ps, a, b):
    af, as_ = a
    bf, bs = b
    df, ds = bf - af, bs - as_
    length2 = df * df + ds * ds
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((pf - af) * df + (ps - as_) * ds) / length2))
    return math.hypot(pf - af - t * df, ps - as_ - t * ds)


def _leg_segments(frame, walking):
    segments = []
    for hip_f, foot_f, group in LEGS:
        for side in (-1, 1):
            phase = group if side > 0 else 1 - group
            swing = 3.0 * math.sin(math.pi * (frame / 2.0 + phase)) if walking else 0.0
            hip = (hip_f, side * 5.0)
            knee = (hip_f + foot_f * 0.4 + swing * 0.5, side * 11.0)
            foot = (hip_f + foot_f + swing, side * 15.0)
            segments += [(hip, knee), (knee, foot)]
    return segments


def _antenna_segments(frame, walking):
    wiggle = 0.0 if walking else [0.0, 1.2, 0.0, -1.2][frame % 4]
    segments = []
    for side in (-1, 1):
        base = (17.0, side * 2.0)
        bend = (20.5, side * (4.0 + wiggle * side))
        tip = (23.5, side * (8.0 + wiggle * side))
        segments += [(base, bend), (bend, tip)]
    return segments


def _ellipse(pf, ps, cf, cs, rf, rs):
    """Normalised radius squared and the surface normal's screen-free parts."""
    u, v = (pf - cf) / rf, (ps - cs) / rs
    return u * u + v * v, u, v


def _shade(colour, u, v, facing, breath):
    # Turn the normal back into screen axes so the light stays put.
    sin_a, cos_a = math.sin(facing), math.cos(facing)
    nx = u * sin_a + v * cos_a
    ny = -u * cos_a + v * sin_a
    lit = -(nx * LIGHT[0] + ny * LIGHT[1])
    level = round(max(-2, min(3, lit * 3))) + breath  # few steps keep the palette small
    factor = 1.0 + 0.14 * level
    return tuple(max(0, min(255, int(c * factor))) for c in colour)


def _body_colour(pf, ps, facing, breath):
    """Colour of the shell, pronotum or head at a local point, or None."""
    d, u, v = _ellipse(pf, ps, -4.0, 0.0, 13.0, 10.0)
    if d <= 1.0:
        if abs(ps) < 0.6 and pf < 5.0:
            return SEAM
        if d < 0.08 and pf < -6:
            return _shade((120, 220, 190), u, v, facing, 0)
        return _shade(SHELL, u, v, facing, breath)
    d, u, v = _ellipse(pf, ps, 9.5, 0.0, 5.5, 8.0)
    if d <= 1.0:
        return _shade(PRONOTUM, u, v, facing, breath)
    d, u, v = _ellipse(pf, ps, 15.5, 0.0, 3.5, 4.5)
    if d <= 1.0:
        return _shade(HEAD, u, v, facing, 0)
    return None


def _pixel(pf, ps, facing, frame, walking, limbs):
    breath = 0 if walking else [0, 0, 1, 0][frame % 4]
    colour = _body_colour(pf, ps, facing, breath)
    if colour is not None:
        return colour
    for a, b in limbs:
        if _segment_distance(pf, ps, a, b) <= 1.0:
            return LEG
    return None


def render(angle_degrees, frame, size=SPRITE_SIZE, scale=1.0, centre=None):
    """One frame on the key colour. `angle_degrees` None is the idle beetle
    (facing down, antennae twitching); otherwise it walks that way."""
    walking = angle_degrees is not None
    facing = math.radians(180 if angle_degrees is None else angle_degrees)
    limbs = _leg_segments(frame, walking) + _antenna_segments(frame, walking)
    width, height = size if isinstance(size, tuple) else (size, size)
    cx, cy = centre if centre else (width / 2.0, height / 2.0)
    sin_a, cos_a = math.sin(facing), math.cos(facing)
    shape = {}
    for y in range(height):
        for x in range(width):
            dx, dy = (x + 0.5 - cx) / scale, (y + 0.5 - cy) / scale
            pf = dx * sin_a - dy * cos_a
            ps = dx * cos_a + dy * sin_a
            colour = _pixel(pf, ps, facing, frame, walking, limbs)
            if colour is not None:
                shape[(x, y)] = colour
    return _with_outline(shape, width, height)


def _with_outline(shape, width, height):
    image = Image.new("RGB", (width, height), KEY_COLOUR)
    pixels = image.load()
    for (x, y), colour in shape.items():
        pixels[x, y] = colour
    for (x, y) in shape:
        for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= nx < width and 0 <= ny < height and (nx, ny) not in shape:
                pixels[nx, ny] = OUTLINE
    return image


def walk_frames():
    """(file stem, image) for every frame, in placing order."""
    frames = []
    for index, (name, angle) in enumerate(DIRECTIONS):
        for frame in range(FRAMES_PER_DIRECTION):
            stem = "beetle_%d_%s_%d" % (index, name, frame + 1)
            frames.append((stem, render(angle, frame)))
    return frames
