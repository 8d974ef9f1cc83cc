"""The closing theme, data/hold.xm: an eight-channel XM module (version
0x0104) with every sample synthesized here.

Twenty bars in C major at 120 beats a minute (speed 6, 16 rows a bar), 40
seconds before it starts over. The last bar rests on C so the jump back to
the first pattern sounds like a new phrase, not a cut.
"""

import math
import struct

SPEED = 6
BPM = 120
ROWS = 64
CHANNELS = 8
ORDERS = [0, 1, 2, 3, 4]
# One row lasts SPEED ticks of 2.5 / BPM seconds.
SONG_MILLISECONDS = len(ORDERS) * ROWS * SPEED * 2500 // BPM

RATE = 33452  # what note C-4 plays at, with every sample two octaves up
CYCLE = 128  # samples per cycle of a tonal sample: C-4 sounds at 261 Hz

LEAD, BELL, BASS, PAD, KICK, SNARE, HAT = 1, 2, 3, 4, 5, 6, 7
CH_LEAD, CH_BELL, CH_BASS, CH_PAD, CH_DRUM, CH_HAT = 0, 1, 2, 3, 6, 7
KEY_OFF = 97

NAMES = {"C": 0, "C#": 1, "D": 2, "Eb": 3, "E": 4, "F": 5, "F#": 6, "G": 7, "Ab": 8, "A": 9,
         "Bb": 10, "B": 11}


def note(name):
    """'E5' -> XM note number (C-0 is 1)."""
    return int(name[-1]) * 12 + NAMES[name[:-1]] + 1


# ------------------------------------------------------------------ samples


class Noise:
    """A fixed linear congruential generator, so every run sounds the same."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x3FFFFFFF - 1.0


def _cycle(harmonics, length=CYCLE):
    return [sum(a * math.sin(2 * math.pi * k * i / length) for k, a in harmonics)
            for i in range(length)]


def _pad_wave():
    # Two band-limited saws, 128 and 129 cycles in one loop: a slow chorus.
    length = CYCLE * 128
    out = []
    for i in range(length):
        t = 2 * math.pi * i / length
        value = 0.0
        for cycles in (128, 129):
            value += sum(math.sin(cycles * k * t) / (k * k ** 0.5) for k in range(1, 7))
        out.append(value)
    return out


def _kick():
    out, phase = [], 0.0
    for i in range(int(RATE * 0.3)):
        t = i / RATE
        phase += 2 * math.pi * (45 + 110 * math.exp(-t * 28)) / RATE
        out.append(math.sin(phase) * math.exp(-t * 9))
    return out


def _snare():
    noise, out = Noise(7), []
    for i in range(int(RATE * 0.22)):
        t = i / RATE
        tone = math.sin(2 * math.pi * 185 * t) * math.exp(-t * 30)
        out.append(0.6 * noise.next() * math.exp(-t * 18) + 0.5 * tone)
    return out


def _hat():
    noise, out, last = Noise(11), [], 0.0
    for i in range(int(RATE * 0.07)):
        value = noise.next()
        out.append((value - last) * 0.5 * math.exp(-i / RATE * 60))
        last = value
    return out


def _to_16bit(wave, peak=0.9):
    top = max(abs(v) for v in wave) or 1.0
    return [int(round(v / top * peak * 32767)) for v in wave]


# ------------------------------------------------------------- instruments

# name, wave, loops, volume, panning, envelope points, sustain point, fadeout,
# auto-vibrato (depth, rate)
INSTRUMENTS = [
    ("lead", lambda: _cycle([(1, 1.0), (2, 0.22), (3, 0.12), (5, 0.03)]), True, 44, 128,
     [(0, 40), (3, 64), (24, 46), (80, 40)], 3, 1600, (3, 12)),
    ("bell", lambda: _cycle([(1, 1.0), (2, 0.4), (4, 0.25), (6, 0.08)]), True, 34, 176,
     [(0, 64), (6, 40), (30, 14), (90, 0)], None, 0, (0, 0)),
    ("bass", lambda: _cycle([(1, 1.0), (3, -0.11), (5, 0.04), (2, 0.18)]), True, 52, 128,
     [(0, 64), (8, 50), (60, 38)], 2, 2400, (0, 0)),
    ("pad", _pad_wave, True, 18, 100, [(0, 0), (30, 48), (60, 56)], 2, 900, (0, 0)),
    ("kick", _kick, False, 60, 128, [], None, 0, (0, 0)),
    ("snare", _snare, False, 36, 140, [], None, 0, (0, 0)),
    ("hat", _hat, False, 26, 168, [], None, 0, (0, 0)),
]


def _instrument(name, wave, loops, volume, panning, envelope, sustain, fadeout, vibrato):
    samples = _to_16bit(wave())
    data = bytearray()
    last = 0
    for value in samples:  # stored as differences from the previous sample
        data += struct.pack("<h", ((value - last + 32768) & 0xFFFF) - 32768)
        last = value
    head = struct.pack("<I22sBH", 263, name.encode(), 0, 1)
    head += struct.pack("<I", 40) + bytes(96)
    points = b"".join(struct.pack("<HH", x, y) for x, y in envelope)
    head += points.ljust(48, b"\0") + bytes(48)
    volume_type = (1 if envelope else 0) | (2 if sustain is not None else 0)
    head += struct.pack("<8B", len(envelope), 0, sustain or 0, 0, 0, 0, 0, 0)
    head += struct.pack("<BB", volume_type, 0)
    depth, rate = vibrato
    head += struct.pack("<4BH", 0, 0, depth, rate, fadeout) + bytes(22)
    assert len(head) == 263
    loop_length = len(data) if loops else 0
    kind = 0x10 | (1 if loops else 0)
    header = struct.pack("<IIIBbBBbB22s", len(data), 0, loop_length, volume, 0, kind, panning,
                         24, 0, name.encode())
    return head + header + bytes(data)


# ------------------------------------------------------------------- score

CHORDS = [
    ["C", "Am", "F", "G"],
    ["C", "Am", "F", "G"],
    ["F", "G", "Em", "Am"],
    ["C", "Am", "F", "G"],
    ["F", "G", "C", "C"],
]
CHORD_TONES = {"C": ("C", "E", "G"), "Am": ("A", "C", "E"), "F": ("F", "A", "C"),
               "G": ("G", "B", "D"), "Em": ("E", "G", "B")}

# Melody per pattern: (note or None for a rest, length in rows), 64 rows each.
MELODIES = [
    [],
    [("E5", 4), ("G5", 4), ("C6", 6), ("B5", 2), ("A5", 4), ("E5", 4), ("C5", 8),
     ("F5", 4), ("A5", 4), ("C6", 4), ("A5", 4), ("G5", 6), ("F5", 2), ("E5", 4), ("D5", 4)],
    [("C6", 4), ("A5", 4), ("F5", 4), ("A5", 4), ("B5", 4), ("G5", 4), ("D5", 8),
     ("E5", 4), ("G5", 4), ("B5", 6), ("A5", 2), ("A5", 12), (None, 4)],
    [("E5", 2), ("F5", 2), ("G5", 4), ("C6", 4), ("E6", 4), ("D6", 4), ("C6", 4), ("A5", 8),
     ("A5", 4), ("C6", 4), ("F6", 4), ("E6", 4), ("D6", 8), ("B5", 4), ("G5", 4)],
    [("A5", 4), ("G5", 4), ("F5", 4), ("A5", 4), ("G5", 8), ("D5", 8), ("E5", 4), ("D5", 4),
     ("C5", 8), ("C5", 8), (None, 8)],
]


class Pattern:
    def __init__(self):
        self.cells = [[None] * CHANNELS for _ in range(ROWS)]

    def put(self, row, channel, pitch, instrument, volume=None):
        self.cells[row][channel] = (pitch, instrument, volume)

    def pack(self):
        data = bytearray()
        for row in self.cells:
            for cell in row:
                data += _pack_cell(cell)
        return struct.pack("<IBHH", 9, 0, ROWS, len(data)) + bytes(data)


def _pack_cell(cell):
    if cell is None:
        return b"\x80"
    pitch, instrument, volume = cell
    flags, body = 0x80, bytearray()
    if pitch:
        flags |= 1
        body.append(pitch)
    if instrument:
        flags |= 2
        body.append(instrument)
    if volume is not None:
        flags |= 4
        body.append(0x10 + volume)
    return bytes([flags]) + bytes(body)


def _melody(pattern, notes):
    row = 0
    for name, length in notes:
        if name is None:
            pattern.put(row, CH_LEAD, KEY_OFF, 0)
        else:
            pattern.put(row, CH_LEAD, note(name), LEAD)
        row += length
    assert row in (0, ROWS), "a melody fills its pattern"


def _harmony(pattern, index, chords):
    for bar, chord in enumerate(chords):
        root, third, fifth = CHORD_TONES[chord]
        top = bar * 16
        last_bar = index == len(CHORDS) - 1 and bar == 3
        for voice, (tone, octave) in enumerate(((root, 3), (third, 4), (fifth, 4))):
            pattern.put(top, CH_PAD + voice, note("%s%d" % (tone, octave)), PAD)
        bass = [(0, root, 2), (6, root, 2), (8, fifth, 2), (12, root, 3)]
        for offset, tone, octave in bass[:1] if last_bar else bass:
            pattern.put(top + offset, CH_BASS, note("%s%d" % (tone, octave)), BASS)
        if index in (0, 3):  # rising chord tones on the bell
            for step, tone in enumerate((root, third, fifth, third) * 2):
                octave = 5 if step % 4 != 2 else 6
                pattern.put(top + step * 2, CH_BELL, note("%s%d" % (tone, octave)), BELL,
                            48 if index == 0 else 26)


def _drums(pattern, index):
    for bar in range(4):
        top = bar * 16
        if index == len(CHORDS) - 1 and bar == 3:
            pattern.put(top, CH_DRUM, note("C4"), KICK, 40)
            continue
        kicks = (0, 8) if index == 0 else (0, 8, 10)
        for offset in kicks:
            pattern.put(top + offset, CH_DRUM, note("C4"), KICK)
        if index != 0:
            for offset in (4, 12):
                pattern.put(top + offset, CH_DRUM, note("C4"), SNARE)
        for offset in range(0, 16, 2):
            pattern.put(top + offset, CH_HAT, note("C4"), HAT, 40 if offset % 4 == 0 else 24)


def patterns():
    out = []
    for index, chords in enumerate(CHORDS):
        pattern = Pattern()
        _melody(pattern, MELODIES[index])
        _harmony(pattern, index, chords)
        _drums(pattern, index)
        out.append(pattern)
    return out


def module():
    """The whole XM file as bytes."""
    songs = patterns()
    head = b"Extended Module: " + b"Celforge closing".ljust(20, b"\0") + b"\x1a"
    head += b"celforge tools".ljust(20, b"\0") + struct.pack("<H", 0x0104)
    order_table = bytes(ORDERS).ljust(256, b"\0")
    head += struct.pack("<IHHHHHHHH", 276, len(ORDERS), 0, CHANNELS, len(songs),
                        len(INSTRUMENTS), 1, SPEED, BPM) + order_table
    body = b"".join(p.pack() for p in songs)
    body += b"".join(_instrument(*params) for params in INSTRUMENTS)
    return head + body
