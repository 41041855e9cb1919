#!/usr/bin/env python3
"""Copies the source tree for a compiler that reads UTF-8 only (clang) and has no
-fexec-charset: every non-ASCII character inside a string or character literal is
written as the octal escapes of its CP932 bytes, so the compiled literals hold the
same bytes as in the g++ build (-fexec-charset=CP932). Comments and everything
outside literals are copied unchanged.

usage: cp932_literals.py SOURCE_ROOT DEST_ROOT DIR...
"""
import os
import shutil
import subprocess
import sys

SOURCE_SUFFIXES = (".cpp", ".h")


def cp932_bytes(ch):
    try:
        return ch.encode("cp932")
    except UnicodeEncodeError:
        # The C library's table (the one g++ uses) knows a few more characters.
        out = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=ch.encode("utf-8"),
                             capture_output=True, check=True)
        return out.stdout


def escape(ch):
    return "".join("\\%03o" % b for b in cp932_bytes(ch))


def raw_char(ch):
    if ord(ch) > 127:
        return escape(ch)
    return {"\\": "\\\\", '"': '\\"', "\n": "\\n", "\r": "\\r"}.get(ch, ch)


def convert(text, path):
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(text[i:j])
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(text[i:j])
            i = j
        elif c == 'R' and text.startswith('R"', i) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == '_')):
            delim_end = text.find("(", i + 2)
            delim = text[i + 2:delim_end]
            j = text.find(")" + delim + '"', delim_end) + len(delim) + 2
            raw = text[i:j]
            if any(ord(ch) > 127 for ch in raw):
                # Escapes mean nothing in a raw literal: it becomes an ordinary one
                # with the same characters.
                body = raw[len(delim) + 3:-(len(delim) + 2)]
                out.append('"' + "".join(raw_char(ch) for ch in body) + '"')
            else:
                out.append(raw)
            i = j
        elif c in "\"'" and not (c == "'" and i > 0 and text[i - 1].isalnum() and text[i - 1] not in "LuU8"):
            # A literal up to its unescaped closing quote (a ' after a digit is a
            # digit separator, not a literal).
            out.append(c)
            i += 1
            while i < n and text[i] != c:
                if text[i] == "\\":
                    out.append(text[i:i + 2])
                    i += 2
                    continue
                out.append(escape(text[i]) if ord(text[i]) > 127 else text[i])
                i += 1
            out.append(c)
            i += 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    src, dest, dirs = sys.argv[1], sys.argv[2], sys.argv[3:]
    for d in dirs:
        for root, _, files in os.walk(os.path.join(src, d)):
            rel = os.path.relpath(root, src)
            os.makedirs(os.path.join(dest, rel), exist_ok=True)
            for f in files:
                s, t = os.path.join(root, f), os.path.join(dest, rel, f)
                if f.endswith(SOURCE_SUFFIXES):
                    with open(s, encoding="utf-8") as fh:
                        converted = convert(fh.read(), s)
                    old = None
                    if os.path.exists(t):
                        with open(t, encoding="utf-8") as fh:
                            old = fh.read()
                    if old != converted:  # unchanged files keep their stamps: rebuilds stay small
                        with open(t, "w", encoding="utf-8") as fh:
                            fh.write(converted)
                elif not os.path.exists(t) or os.path.getmtime(s) > os.path.getmtime(t):
                    shutil.copy2(s, t)
        # A source moved or removed since the last copy would still be globbed into
        # its old folder's library (twice defined, or an include the layers forbid).
        for root, _, files in os.walk(os.path.join(dest, d)):
            rel = os.path.relpath(root, dest)
            for f in files:
                if f.endswith(SOURCE_SUFFIXES) and not os.path.exists(os.path.join(src, rel, f)):
                    os.remove(os.path.join(root, f))


if __name__ == "__main__":
    main()
