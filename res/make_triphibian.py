#!/usr/bin/python3
"""Builds the phonetic font "triphibian" from DejaVu Sans.

Transcriptions are stored as plain ASCII in which digits and some punctuation
stand for IPA symbols (res/phonetic_code.tsv). The font makes that code
readable: each code character draws the glyph of its IPA symbol, every other
printable ASCII character draws itself, since the revealed card shows the word
in the same font. Only those glyphs are kept, so the file stays small.

The output depends only on the source font and the code table (timestamps are
taken from the source), so a rebuild gives the same bytes.

Usage: make_triphibian.py SOURCE_TTF PHONETIC_CODE_TSV OUTPUT_TTF
"""

import os
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

from phonetic_code import read_phonetic_code

FAMILY = "triphibian"
STYLE = "Regular"
PRINTABLE_ASCII = range(0x20, 0x7F)
DESCRIPTION = ("DejaVu Sans cut down to printable ASCII, with digits and some "
               "punctuation drawing the IPA symbols of a transcription code.")


def point_code_at_ipa(font, code):
    best = font.getBestCmap()
    for character, ipa in code.items():
        if ord(ipa) not in best:
            sys.exit(f"the source font has no glyph for {ipa} (U+{ord(ipa):04X})")
    for table in font["cmap"].tables:
        if table.isUnicode():
            for character, ipa in code.items():
                table.cmap[ord(character)] = best[ord(ipa)]


def cut_down(font, code):
    options = subset.Options()
    options.name_IDs = ["*"]
    options.drop_tables += ["FFTM", "MATH"]
    options.notdef_outline = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=list(PRINTABLE_ASCII) + [ord(ipa) for ipa in code.values()])
    subsetter.subset(font)


def rename(font):
    # The Bitstream Vera licence allows modified fonts only under a new name.
    names = font["name"]
    for name_id, text in ((1, FAMILY), (2, STYLE), (3, f"{FAMILY} {STYLE}"), (4, FAMILY),
                          (6, FAMILY), (10, DESCRIPTION), (16, FAMILY), (17, STYLE)):
        names.removeNames(nameID=name_id)
        names.setName(text, name_id, 3, 1, 0x409)


def verify(path, code):
    """Rereads the written file: the program depends on exactly these facts."""
    font = TTFont(path)
    cmap = font.getBestCmap()
    for character, ipa in code.items():
        if cmap.get(ord(character)) is None or cmap.get(ord(character)) != cmap.get(ord(ipa)):
            sys.exit(f"{path}: {character!r} does not draw {ipa}")
    missing = [chr(c) for c in PRINTABLE_ASCII if c not in cmap]
    if missing:
        sys.exit(f"{path}: no glyph for {''.join(missing)!r}")
    families = {n.toUnicode() for n in font["name"].names if n.nameID in (1, 4, 6, 16)}
    if families != {FAMILY}:
        sys.exit(f"{path}: family names {sorted(families)}")


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    source, code_path, output = argv[1:]
    code = read_phonetic_code(code_path)

    font = TTFont(source)
    created, modified = font["head"].created, font["head"].modified
    point_code_at_ipa(font, code)
    cut_down(font, code)
    rename(font)
    font["head"].created, font["head"].modified = created, modified
    font.recalcTimestamp = False

    temporary = output + ".tmp"
    font.save(temporary)
    verify(temporary, code)
    os.replace(temporary, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
