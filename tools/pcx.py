"""PCX writer for the editor's own pictures (version 5, run-length encoded).

Two variants: 24-bit (three 8-bit planes, red, green, blue) and 8-bit
paletted (one plane of indices, 256-colour palette after the image data).
Every plane line is BytesPerLine long, which the format wants even, so an
odd width gets one padding byte per plane line. Runs never cross a plane
line, so any reader, strict or lenient about runs, decodes the same picture.
"""

import struct

MAX_RUN = 63


def encode_line(line):
    """Run-length encodes one plane line (bytes) the PCX way."""
    out = bytearray()
    i, n = 0, len(line)
    while i < n:
        value = line[i]
        run = 1
        while i + run < n and run < MAX_RUN and line[i + run] == value:
            run += 1
        if run > 1 or value >= 0xC0:
            out.append(0xC0 | run)
        out.append(value)
        i += run
    return bytes(out)


def header(width, height, planes, bytes_per_line, palette_info=1):
    fields = struct.pack(
        "<BBBBhhhhHH48sBBHHHH",
        10,  # manufacturer
        5,  # version
        1,  # run-length encoding
        8,  # bits per pixel and plane
        0,
        0,
        width - 1,
        height - 1,
        72,
        72,
        bytes(48),
        0,
        planes,
        bytes_per_line,
        palette_info,
        0,
        0,
    )
    return fields + bytes(128 - len(fields))


def even_line_length(width):
    return width + (width & 1)


def encode_rgb(image):
    """24-bit PCX bytes of a Pillow RGB image."""
    width, height = image.size
    bpl = even_line_length(width)
    pad = bytes(bpl - width)
    planes = [band.tobytes() for band in image.convert("RGB").split()]
    body = bytearray()
    for y in range(height):
        row = slice(y * width, (y + 1) * width)
        for plane in planes:
            body += encode_line(plane[row] + pad)
    return header(width, height, 3, bpl) + bytes(body)


def encode_paletted(indices, width, height, palette):
    """8-bit PCX bytes: `indices` holds width * height palette indices and
    `palette` up to 256 (red, green, blue) triples."""
    if len(indices) != width * height or len(palette) > 256:
        raise ValueError("paletted picture does not match its size")
    bpl = even_line_length(width)
    pad = bytes(bpl - width)
    body = bytearray()
    for y in range(height):
        body += encode_line(bytes(indices[y * width : (y + 1) * width]) + pad)
    table = bytearray(768)
    for i, (r, g, b) in enumerate(palette):
        table[i * 3 : i * 3 + 3] = bytes((r, g, b))
    return header(width, height, 1, bpl) + bytes(body) + b"\x0c" + bytes(table)
