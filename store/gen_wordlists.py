#!/usr/bin/python3
"""Turns store/wordlists.tsv into the C++ tables declared in store/BuiltinLists.h.

The program carries its word lists compiled in, with meanings already in CP932,
so nothing about them can go wrong at run time. Everything that could go wrong
is therefore checked here, and any fault stops the build with the file, line
and reason.

Usage: gen_wordlists.py WORDLISTS_TSV PHONETIC_CODE_TSV OUTPUT_CPP
"""

import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res"))
from phonetic_code import read_phonetic_code  # noqa: E402

LIST_NAMES = [
    "DUO", "HS1", "HS2", "HS3", "MS1", "MS2", "MS3", "STEP_Lv1",
    "STEP_Lv2hard", "STEP_Lv2nom", "STEP_TokyoUniv", "TOEFL", "TOEIC",
]
WORDS_PER_LIST = 30
HEADER = ["list", "number", "word", "meaning", "transcription"]

# The answer is typed into an edit that refuses digits and most punctuation,
# so a word must be typeable there; 17 bytes keep the revealed card readable.
WORD_PATTERN = re.compile(r"[A-Za-z]+(?:[ -][A-Za-z]+)*")
MAX_WORD_BYTES = 17
# Every field of a record is read into a 1024-byte buffer, NUL included.
MAX_FIELD_BYTES = 1023
# Letters a transcription may use as themselves. Capitals and c, q, x, y never
# stand for a sound in the transcription style, so they mean spelling leaked in.
TRANSCRIPTION_LETTERS = set("abdefghijklmnoprstuvwz")


class Checker:
    def __init__(self, path, code):
        self.path = path
        self.code = code
        self.errors = []

    def fail(self, line_no, message):
        self.errors.append(f"{self.path}:{line_no}: {message}")

    def check_word(self, line_no, word, seen):
        if not WORD_PATTERN.fullmatch(word):
            self.fail(line_no, f"word {word!r} must be ASCII letters with single inner spaces or hyphens")
        elif len(word) > MAX_WORD_BYTES:
            self.fail(line_no, f"word {word!r} is longer than {MAX_WORD_BYTES} bytes")
        key = word.lower()
        if key in seen:
            self.fail(line_no, f"word {word!r} already stands at number {seen[key]} of this list")
        return key

    def check_meaning(self, line_no, meaning):
        if not meaning or meaning != meaning.strip():
            self.fail(line_no, f"meaning {meaning!r} is empty or has outer spaces")
            return None
        if any(ord(c) < 0x20 or ord(c) == 0x7F for c in meaning):
            self.fail(line_no, f"meaning {meaning!r} holds a control character")
            return None
        try:
            encoded = meaning.encode("cp932")
        except UnicodeEncodeError as e:
            self.fail(line_no, f"meaning {meaning!r}: {meaning[e.start:e.end]!r} has no CP932 form")
            return None
        if encoded.decode("cp932") != meaning:
            self.fail(line_no, f"meaning {meaning!r} does not survive CP932 and back")
            return None
        if len(encoded) > MAX_FIELD_BYTES:
            self.fail(line_no, "meaning is longer than a record field")
            return None
        return encoded

    def check_transcription(self, line_no, text):
        allowed = TRANSCRIPTION_LETTERS | set(self.code) | {" ", "-"}
        if len(text) < 3 or text[0] != "[" or text[-1] != "]":
            self.fail(line_no, f"transcription {text!r} must be enclosed in [ ]")
            return
        for variant in text[1:-1].split(", "):
            if "," in variant:
                self.fail(line_no, f"transcription {text!r}: variants are separated by a comma and one space")
                continue
            bad = sorted({c for c in variant if c not in allowed})
            if bad:
                self.fail(line_no, f"transcription {text!r} uses {''.join(bad)!r}, neither code characters nor plain letters")
            elif not variant or variant != variant.strip() or "  " in variant:
                self.fail(line_no, f"transcription {text!r} has an empty variant or stray spaces")
        if len(text) > MAX_FIELD_BYTES:
            self.fail(line_no, "transcription is longer than a record field")


def read_lists(path, code):
    checker = Checker(path, code)
    records = {name: [] for name in LIST_NAMES}
    seen = {name: {} for name in LIST_NAMES}
    order = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for line_no, line in enumerate(lines, 1):
        fields = line.split("\t")
        if line_no == 1 and fields == HEADER:
            continue
        if len(fields) != len(HEADER):
            checker.fail(line_no, f"expected {len(HEADER)} tab-separated fields, found {len(fields)}")
            continue
        name, number, word, meaning, transcription = fields
        if name not in records:
            checker.fail(line_no, f"unknown list name {name!r}")
            continue
        if not order or order[-1] != name:
            if name in order:
                checker.fail(line_no, f"records of list {name} are not contiguous")
            order.append(name)
        expected = len(records[name]) + 1
        if number != str(expected):
            checker.fail(line_no, f"number {number!r} should be {expected} in list {name}")
        seen[name][checker.check_word(line_no, word, seen[name])] = expected
        encoded = checker.check_meaning(line_no, meaning)
        checker.check_transcription(line_no, transcription)
        records[name].append((word, encoded, transcription))

    if order != LIST_NAMES and all(n in LIST_NAMES for n in order):
        checker.fail(len(lines), f"lists must appear in the order {', '.join(LIST_NAMES)}; found {', '.join(order)}")
    for name in LIST_NAMES:
        if len(records[name]) != WORDS_PER_LIST:
            checker.fail(len(lines), f"list {name} has {len(records[name])} records instead of {WORDS_PER_LIST}")
    return records, checker.errors


def c_string(data):
    """A C string literal for the bytes; non-ASCII bytes as 3-digit octal so
    no following character can extend an escape."""
    out = ['"']
    for b in data:
        if b in (0x22, 0x5C):
            out.append("\\" + chr(b))
        elif b == 0x3F:
            out.append("\\?")  # never part of a trigraph
        elif 0x20 <= b < 0x7F:
            out.append(chr(b))
        else:
            out.append(f"\\{b:03o}")
    out.append('"')
    return "".join(out)


def render(records, code):
    lines = [
        "// Generated by store/gen_wordlists.py from store/wordlists.tsv; edit that file.",
        '#include "store/BuiltinLists.h"',
        "",
        "const char* const kBuiltinListNames[kBuiltinListCount] = {",
    ]
    lines += [f"    {c_string(name.encode('ascii'))}," for name in LIST_NAMES]
    lines += ["};", "", "const BuiltinWordRecord kBuiltinWords[kBuiltinListCount * kBuiltinWordsPerList] = {"]
    for name in LIST_NAMES:
        for number, (word, meaning, transcription) in enumerate(records[name], 1):
            lines.append(f"    {{{c_string(word.encode('ascii'))}, {c_string(meaning)}, "
                         f"{c_string(transcription.encode('ascii'))}}}, // {name} {number}")
    lines += ["};", ""]
    used = {c for name in LIST_NAMES for _, _, transcription in records[name] for c in transcription}
    codes = "".join(sorted(used & set(code)))
    lines += [f"const char kPhoneticCodeCharacters[] = {c_string(codes.encode('ascii'))};", ""]
    return "\n".join(lines)


def main(argv):
    if len(argv) != 4:
        sys.exit(__doc__.strip().splitlines()[-1])
    wordlists, phonetic_code, output = argv[1:]
    code = read_phonetic_code(phonetic_code)
    records, errors = read_lists(wordlists, code)
    if errors:
        print("\n".join(errors), file=sys.stderr)
        print(f"gen_wordlists.py: {len(errors)} fault(s) in the word lists; {output} not written",
              file=sys.stderr)
        return 1
    temporary = output + ".tmp"
    with open(temporary, "w", encoding="ascii", newline="\n") as f:
        f.write(render(records, code))
    os.replace(temporary, output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
