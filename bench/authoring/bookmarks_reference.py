#!/usr/bin/env python3
"""The same conversions as tavren-guide import and export, in Python's
standard library, as the benchmark's reference.

    bookmarks_reference.py import BOOKMARKS.html OUT.lst
    bookmarks_reference.py export GUIDE OUT.html
"""

import csv
import html
import sys
from html.parser import HTMLParser

UNSORTED = "未分類"


def field(text):
    text = "".join(" " if ord(c) < 32 or 0x7F <= ord(c) <= 0x9F else c for c in text)
    if text == "" or any(c in text for c in ' ,"'):
        return '"' + text.replace('"', '""') + '"'
    return text


class Bookmarks(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.pending, self.text, self.into = [], None, "", None
        self.majors, self.middles, self.pages = {}, {}, []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "h3":
            self.into, self.text = "h3", ""
            self.pending = not ("personal_toolbar_folder" in attrs or "unfiled_bookmarks_folder" in attrs)
        elif tag == "dl":
            self.stack.append((self.pending, self.text) if self.pending is not None else (False, ""))
            self.pending = None
        elif tag == "a":
            names = [name for category, name in self.stack if category][:2] + [UNSORTED, UNSORTED]
            major = self.majors.setdefault(names[0], len(self.majors))
            middle = self.middles.setdefault(names[1] if len(names) > 3 else UNSORTED, len(self.middles))
            self.pages.append([major, middle, "", attrs.get("href") or "", ""])
            self.into, self.text = "a", ""
        elif tag == "dd" and self.pages:
            self.into, self.text = "dd", ""

    def handle_endtag(self, tag):
        if tag == "dl" and self.stack:
            self.stack.pop()
        elif tag == "a" and self.into == "a":
            self.pages[-1][2], self.into = self.text, None
        elif tag == "h3":
            self.into = None

    def handle_data(self, data):
        if self.into:
            self.text += data
        if self.into == "dd" and "\n" in data:
            self.pages[-1][4], self.into = self.text.strip(), None


def convert_import(source, target):
    parser = Bookmarks()
    with open(source, encoding="utf-8", errors="replace") as f:
        parser.feed(f.read())
    lines = ["/," + field(source.rsplit("/", 1)[-1].rsplit(".", 1)[0]) + ",,\"\""]
    lines += ["*,," + field(name) for name in parser.majors]
    lines += ["+,," + field(name) for name in parser.middles]
    lines += [f"{p[0]},{p[1]},{field(p[2])},{field(p[3])},{field(p[4])}" for p in parser.pages]
    with open(target, "w", encoding="cp932", errors="replace", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def convert_export(source, target):
    majors, middles, pages = [], [], []
    with open(source, encoding="cp932", errors="replace", newline="") as f:
        for row in csv.reader(f, skipinitialspace=True):
            if not row:
                break
            if row[0] == "*":
                majors.append(row[2])
            elif row[0] == "+":
                middles.append(row[2])
            elif row[0] != "/" and len(row) >= 5:
                pages.append(row)
    groups = {}
    for p in pages:
        try:
            key = (int(p[0]), int(p[1]))
            if not (0 <= key[0] < len(majors) and 0 <= key[1] < len(middles)):
                key = None
        except ValueError:
            key = None
        groups.setdefault(key, []).append(p)
    out = ['<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">',
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>"]

    def folder(name, key_pages):
        out.append(f"    <DT><H3>{html.escape(name)}</H3>\n    <DL><p>")
        for middle_name, ps in key_pages:
            out.append(f"        <DT><H3>{html.escape(middle_name)}</H3>\n        <DL><p>")
            for p in ps:
                out.append(f'            <DT><A HREF="{html.escape(p[3])}">{html.escape(p[2])}</A>')
                if p[4]:
                    out.append(f"            <DD>{html.escape(p[4])}")
            out.append("        </DL><p>")
        out.append("    </DL><p>")

    for m, name in enumerate(majors):
        folder(name, [(middles[k], groups[(m, k)]) for k in range(len(middles)) if (m, k) in groups])
    if None in groups:
        folder(UNSORTED, [(UNSORTED, groups[None])])
    out.append("</DL><p>")
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    (convert_import if sys.argv[1] == "import" else convert_export)(sys.argv[2], sys.argv[3])
