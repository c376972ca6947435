#!/usr/bin/python3
"""Decodes the window icon's PNGs into the C++ table declared in res/IconPixels.h.

A PNG read at start-up goes through Qt's image reader, which loads every image
plugin of the system first, even when told the format. The program therefore
carries the decoded pixels instead, made here from the same files the desktop
menu installs, so the two cannot drift apart.

Only what the icons are is supported: 8 bits per sample, RGBA or a palette
(with or without tRNS), not interlaced. Anything else stops the build with the
file and the reason rather than being decoded wrongly. Gamma and chromaticity
chunks are ignored, as Qt's reader ignores them for the pixels.

Pixels are written as Qt's QImage::Format_ARGB32 holds them: one 32-bit word
0xAARRGGBB per pixel, colour not premultiplied by alpha.

Usage: make_icon_pixels.py OUTPUT_CPP PNG...
"""

import os
import struct
import sys
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"
COLOR_PALETTE = 3
COLOR_RGBA = 6
KNOWN_CRITICAL = {b"IHDR", b"PLTE", b"IDAT", b"IEND"}


class PngError(Exception):
    pass


def read_chunks(data):
    if not data.startswith(SIGNATURE):
        raise PngError("not a PNG file")
    pos = len(SIGNATURE)
    while pos < len(data):
        if pos + 8 > len(data):
            raise PngError("truncated chunk header")
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length or pos + 12 + length > len(data):
            raise PngError(f"truncated {kind!r} chunk")
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) != crc:
            raise PngError(f"bad CRC in {kind!r} chunk")
        yield kind, body
        if kind == b"IEND":
            return
        pos += 12 + length
    raise PngError("no IEND chunk")


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


# What each of PNG's row filters adds back to a byte, from the byte to its
# left (a), the one above (b) and the one above that left one (c).
PREDICTORS = {
    0: lambda a, b, c: 0,
    1: lambda a, b, c: a,
    2: lambda a, b, c: b,
    3: lambda a, b, c: (a + b) >> 1,
    4: paeth,
}


def unfilter(raw, width, height, bpp):
    """The scanlines without their filter bytes, as one bytearray per row."""
    stride = width * bpp
    if len(raw) != height * (stride + 1):
        raise PngError(f"image data is {len(raw)} bytes, expected {height * (stride + 1)}")
    rows = []
    prior = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        predict = PREDICTORS.get(raw[start])
        if predict is None:
            raise PngError(f"row {y} has unknown filter type {raw[start]}")
        line = bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            c = prior[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + predict(a, prior[i], c)) & 0xFF
        rows.append(line)
        prior = line
    return rows


def decode(data):
    """(width, height, [0xAARRGGBB, ...]) of a PNG of the supported kinds."""
    header = None
    palette = None
    alphas = b""
    idat = bytearray()
    for kind, body in read_chunks(data):
        if kind == b"IHDR":
            if len(body) != 13:
                raise PngError("IHDR is not 13 bytes")
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            if len(body) % 3 or not body:
                raise PngError("PLTE length is not a multiple of 3")
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
        elif kind == b"tRNS":
            alphas = body
        elif kind == b"IDAT":
            idat += body
        elif kind not in KNOWN_CRITICAL and kind[0:1].isupper():
            raise PngError(f"unknown critical chunk {kind!r}")
    if header is None:
        raise PngError("no IHDR chunk")
    width, height, depth, color, compression, filtering, interlace = header
    if depth != 8 or color not in (COLOR_PALETTE, COLOR_RGBA):
        raise PngError(f"bit depth {depth} with colour type {color}: only 8-bit RGBA or palette is supported")
    if compression != 0 or filtering != 0:
        raise PngError(f"unknown compression {compression} or filter method {filtering}")
    if interlace != 0:
        raise PngError("interlaced images are not supported")
    if width == 0 or height == 0:
        raise PngError("empty image")

    rows = unfilter(zlib.decompress(bytes(idat)), width, height, 4 if color == COLOR_RGBA else 1)
    pixels = []
    if color == COLOR_RGBA:
        for line in rows:
            for x in range(0, len(line), 4):
                r, g, b, a = line[x:x + 4]
                pixels.append(a << 24 | r << 16 | g << 8 | b)
        return width, height, pixels

    if palette is None:
        raise PngError("palette image without PLTE")
    if len(alphas) > len(palette):
        raise PngError("tRNS has more entries than PLTE")
    table = []
    for i, (r, g, b) in enumerate(palette):
        a = alphas[i] if i < len(alphas) else 0xFF
        table.append(a << 24 | r << 16 | g << 8 | b)
    for y, line in enumerate(rows):
        for x, index in enumerate(line):
            if index >= len(table):
                raise PngError(f"pixel ({x}, {y}) uses colour {index} of a {len(table)}-colour palette")
            pixels.append(table[index])
    return width, height, pixels


def cpp_source(images):
    out = ["// Made by res/make_icon_pixels.py from "
           + ", ".join(name for name, _ in images) + " at build time; do not edit.",
           '#include "res/IconPixels.h"',
           "",
           "namespace {",
           ""]
    for n, (name, (width, height, pixels)) in enumerate(images):
        out.append(f"// {name}: {width}x{height}")
        out.append(f"constexpr std::uint32_t kPixels{n}[] = {{")
        for i in range(0, len(pixels), 8):
            out.append("    " + ", ".join(f"0x{p:08x}" for p in pixels[i:i + 8]) + ",")
        out.append("};")
        out.append("")
    out.append("constexpr IconPixels kSizes[] = {")
    for n, (_, (width, height, _)) in enumerate(images):
        out.append(f"    {{{width}, {height}, kPixels{n}}},")
    out.append("};")
    out.append("")
    out.append("} // namespace")
    out.append("")
    out.append("std::span<const IconPixels> VokaboIconPixels()")
    out.append("{")
    out.append("    return kSizes;")
    out.append("}")
    return "\n".join(out) + "\n"


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    output, paths = argv[1], argv[2:]
    images = []
    for path in paths:
        try:
            with open(path, "rb") as f:
                images.append((os.path.basename(path), decode(f.read())))
        except (OSError, PngError, zlib.error) as error:
            sys.exit(f"{path}: {error}")
    with open(output, "w", encoding="ascii") as f:
        f.write(cpp_source(images))

if __name__ == "__main__":
    main(sys.argv)
