#!/usr/bin/env python3
"""Prints a UTF-8 text as a C++ string literal of its CP932 bytes.

Used when adding a text to base/messages.cpp or a byte table: the literal goes
into the code, the UTF-8 text beside it. Usage: sjis_escape.py TEXT...
"""
import sys


def escape(text: str) -> str:
    out = []
    for b in text.encode("cp932"):
        if 0x20 <= b < 0x7F and b not in (0x22, 0x5C, 0x3F):
            out.append(chr(b))
        else:
            out.append("\\x%02X" % b)
    literal = "".join(out)
    # A hex escape swallows the hex digits after it: split the literal there.
    fixed = []
    i = 0
    while i < len(literal):
        fixed.append(literal[i])
        if literal[i] == "\\" and literal[i + 1] == "x":
            fixed.append(literal[i + 1:i + 4])
            i += 4
            if i < len(literal) and literal[i] in "0123456789abcdefABCDEF":
                fixed.append('" "')
            continue
        i += 1
    return '"' + "".join(fixed) + '"'


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        print(escape(arg))
