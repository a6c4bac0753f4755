#!/usr/bin/env python3
"""Prints a UTF-8 text as a C++ string literal of its Shift-JIS (CP932) bytes.

The conversion goes through glibc iconv "CP932", the same table the program
uses at run time. Used when adding a system text to core/Texts.cpp.
Usage: scripts/sjis_escape.py 'テキスト'
"""
import subprocess
import sys


def escape(text: str) -> str:
    data = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode(),
                          capture_output=True, check=True).stdout
    out, hex_run = [], False
    for b in data:
        if b >= 0x80 or b < 0x20 or b in (0x22, 0x5C):
            names = {0x0D: "\\r", 0x0A: "\\n", 0x09: "\\t", 0x22: '\\"', 0x5C: "\\\\"}
            if b in names and b < 0x80:
                out.append(names[b])
                hex_run = False
            else:
                out.append("\\x%02X" % b)
                hex_run = True
        else:
            # A hex escape swallows following hex digits: break the literal.
            if hex_run and chr(b) in "0123456789abcdefABCDEF":
                out.append('" "')
            out.append(chr(b))
            hex_run = False
    return '"' + "".join(out) + '"'


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        print(escape(arg.encode().decode("unicode_escape").encode("latin-1").decode()))
