"""Reads res/phonetic_code.tsv, the one table of the transcription code.

Shared by the font builder and the word-list generator, so both read the
table by the same rules."""

import sys


def read_phonetic_code(path):
    """Returns {code character: IPA symbol}, checking the code-point column."""
    code = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#") or line.startswith("code\t"):
                continue
            fields = line.split("\t")
            if (len(fields) != 4 or len(fields[0]) != 1 or len(fields[1]) != 1
                    or fields[2] != f"U+{ord(fields[1]):04X}"):
                sys.exit(f"{path}: malformed line: {line!r}")
            if not 0x20 < ord(fields[0]) < 0x7F or fields[0] in code:
                sys.exit(f"{path}: {fields[0]!r} cannot be a code character")
            code[fields[0]] = fields[1]
    return code
