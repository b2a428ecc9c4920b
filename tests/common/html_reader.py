#!/usr/bin/env python3
"""Reads a mapping's HTML page on its own, with Python's html.parser, for the tests of the editor's page.

    html_reader.py page.htm out.txt            the page as written
    html_reader.py --browser page.htm out.txt  the DOM a headless Chromium makes of it (exit 77: none here)

Writes one JSON list per line (ASCII, as json.dumps gives it):
    ["title", text]  ["caption", text]  ["created", text]
    ["entry", row colour, [text, link path, font colour, red and bold] for each cell]
    ["header", colour, text, link path, font colour]  ["divider"]
    ["file", text, link path]
    ["error", what]   elements closed out of order, left open, or an entry row without six cells
A link path is the href with its percent-encoding undone (urllib.parse); texts are stripped of the
blanks and line breaks around them. The page has no charset: it is read as Latin-1 bytes.
"""
import json
import pathlib
import shutil
import subprocess
import sys
import urllib.parse
from html.parser import HTMLParser

VOID = {"br", "meta", "link", "img", "hr", "input"}


class Cell:
    def __init__(self, attrs):
        self.attrs = attrs
        self.text = ""
        self.href = ""
        self.font = ""
        self.red_bold = False


class PageReader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack = []
        self.out = []
        self.row = None   # (tr attributes, cells) while inside a row
        self.cell = None
        self.in_caption = False
        self.caption = ""
        self.title = None
        self.created = None
        self.file_link = None  # [text, href] of a link in the file list
        self.after_table = False

    def error(self, what):
        self.out.append(["error", what])

    def inside(self, tag):
        return tag in self.stack

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag not in VOID:
            self.stack.append((tag, attrs))
        if tag == "title":
            self.title = ""
        elif tag == "font" and not self.inside_tag("table") and self.created is None and not self.after_table:
            self.created = ""
        elif tag == "caption":
            self.in_caption = True
        elif tag == "tr":
            self.row = (attrs, [])
        elif tag in ("td", "th") and self.row is not None:
            self.cell = Cell(attrs)
            self.row[1].append((tag, self.cell))
        elif tag == "font" and self.cell is not None:
            color = attrs.get("color", "")
            if color.lower() == "red":
                self.cell.red_bold = "red"
            elif not self.cell.font:
                self.cell.font = color
        elif tag == "b" and self.cell is not None and self.cell.red_bold == "red":
            self.cell.red_bold = True
        elif tag == "a":
            href = attrs.get("href", "")
            if self.cell is not None:
                self.cell.href = href
            elif self.after_table:
                self.file_link = ["", href]

    def inside_tag(self, name):
        return any(t == name for t, _ in self.stack)

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.stack or self.stack[-1][0] != tag:
            open_tags = "/".join(t for t, _ in self.stack)
            self.error("</%s> closes nothing open last (open: %s)" % (tag, open_tags))
            # Close up to the matching element when there is one, so one fault is told once.
            for i in range(len(self.stack) - 1, -1, -1):
                if self.stack[i][0] == tag:
                    del self.stack[i:]
                    break
        else:
            self.stack.pop()
        if tag == "title":
            self.out.append(["title", self.title.strip()])
        elif tag == "font" and self.created is not None and not self.inside_tag("table") and not self.after_table \
                and not any(line[0] == "created" for line in self.out):
            self.out.append(["created", self.created.strip()])
        elif tag == "caption":
            self.in_caption = False
            self.out.append(["caption", self.caption.strip()])
        elif tag in ("td", "th"):
            self.cell = None
        elif tag == "tr" and self.row is not None:
            self.finish_row()
            self.row = None
        elif tag == "table":
            self.after_table = True
        elif tag == "a" and self.file_link is not None:
            self.out.append(["file", self.file_link[0].strip(), link_path(self.file_link[1])])
            self.file_link = None

    def finish_row(self):
        attrs, cells = self.row
        kinds = {tag for tag, _ in cells}
        if kinds == {"td"}:
            if len(cells) != 6:
                self.error("an entry row with %d cells" % len(cells))
            row = ["entry", attrs.get("bgcolor", "")]
            for _, c in cells:
                row.append([c.text.strip(), link_path(c.href), c.font, c.red_bold is True])
            self.out.append(row)
        elif kinds == {"th"} and len(cells) == 1:
            c = cells[0][1]
            if c.text.strip() == "" and not c.href:
                self.out.append(["divider"])
            else:
                self.out.append(["header", c.attrs.get("bgcolor", ""), c.text.strip(), link_path(c.href), c.font])
        else:
            self.error("a row of cells %s" % sorted(kinds))

    def handle_data(self, data):
        if self.title is not None and self.inside_tag("title"):
            self.title += data
        elif self.cell is not None:
            self.cell.text += data
        elif self.in_caption:
            self.caption += data
        elif self.file_link is not None:
            self.file_link[0] += data
        elif self.created is not None and not self.inside_tag("table") and not self.after_table:
            self.created += data

    def close(self):
        super().close()
        for tag, _ in self.stack:
            if tag not in ("html", "body", "head"):
                self.error("<%s> left open" % tag)


def link_path(href):
    return urllib.parse.unquote(href, encoding="latin-1") if href else ""


def browser_dom(page):
    for name in ("chromium-headless-shell", "chromium"):
        program = shutil.which(name)
        if program:
            break
    else:
        sys.exit(77)
    args = [program, "--no-sandbox", "--disable-gpu", "--dump-dom", pathlib.Path(page).resolve().as_uri()]
    if not program.endswith("headless-shell"):
        args.insert(1, "--headless")
    done = subprocess.run(args, capture_output=True, timeout=120)
    if done.returncode != 0:
        sys.stderr.write(done.stderr.decode("utf-8", "replace"))
        sys.exit(2)
    # The DOM comes back as UTF-8; the page's bytes were Latin-1, which the browser took them as.
    return done.stdout.decode("utf-8")


def main():
    args = sys.argv[1:]
    browser = args and args[0] == "--browser"
    if browser:
        args = args[1:]
    page, out = args
    if browser:
        text = browser_dom(page)
    else:
        with open(page, "rb") as f:
            text = f.read().decode("latin-1")
    reader = PageReader()
    reader.feed(text)
    reader.close()
    with open(out, "w") as f:
        for line in reader.out:
            f.write(json.dumps(line) + "\n")


if __name__ == "__main__":
    main()
