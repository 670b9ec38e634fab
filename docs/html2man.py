#!/usr/bin/env python3
"""Turns the HTML manual into a man page (roff, man macros), so that one source serves the HTML,
the CHM and the man page.

Usage: html2man.py manual.html dirhop.1 VERSION

Only the elements the manual uses are known: h2 (.SH),
h3 (.SS), p (.PP), pre (.nf/.fi), ul/ol/li (.IP), dl/dt/dd (.TP), tables (see below), and the inline code, kbd, strong
(bold), var, em (italic), a and br. Tables of two columns become .TP lists (the first cell is the
tag, header rows are dropped); wider tables become tbl tables with their header row, and the page
then starts with the '\" t line that tells man to run tbl. An element with class "no-man" is left out with everything in
it, and so is h1. The NAME section comes from <meta name="man-name"> and <meta name="man-summary">.
"""

import html.parser
import re
import sys

# Characters that groff would not print as the same character, and common typography.
_CHARACTERS = {"\u2014": "\\(em", "\u2013": "\\(en", "\u2018": "\\(oq", "\u2019": "\\(cq",
               "\u201c": "\\(lq", "\u201d": "\\(rq", "\u00a0": "\\ "}

# The width of a table on an 80-column page, in ens: the line less the section indent.
_TABLE_WIDTH = 72

_VOID = {"meta", "br", "link", "img", "hr", "input"}


def escape(text):
    """Roff text: a backslash is \\e, a minus is \\- (so that options can be copied), and the
    characters above become their named glyphs."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "".join(_CHARACTERS.get(c, c) for c in text)


class ManWriter(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.out = []          # finished roff lines
        self.line = ""         # the text line being built
        self.prefix = ""       # a request that the line being built belongs to (.SH, .SS)
        self.skip = 0          # depth inside a no-man element
        self.stack = []        # open elements: (tag, skipping)
        self.pre = 0
        self.fonts = []        # font stack for inline elements
        self.meta = {}
        self.in_title = False
        self.in_head = False
        self.rows = None       # the table being read: [(header row?, [cell text])]
        self.uses_tbl = False
        self.list_kinds = []   # "ul" / "ol" with a counter

    # Output helpers -------------------------------------------------------------------------

    def flush(self):
        text = self.line.strip() if not self.pre else self.line
        if text:
            # A line that starts with a period or quote would be read as a request.
            if text[0] in ".'" and not self.prefix:
                text = "\\&" + text
            self.out.append(self.prefix + text)
        self.line = ""
        self.prefix = ""

    def request(self, text):
        self.flush()
        self.out.append(text)

    def font(self):
        return self.fonts[-1] if self.fonts else "R"

    # Parser callbacks -----------------------------------------------------------------------

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "meta" and "name" in attrs:
            self.meta[attrs["name"]] = attrs.get("content", "")
        if tag in _VOID:
            if tag == "br" and not self.skip:
                self.request(".br")
            return
        # The title heading is the .TH line of the page.
        skipping = tag == "h1" or "no-man" in (attrs.get("class") or "").split()
        self.stack.append((tag, skipping))
        if skipping:
            self.skip += 1
        if self.skip:
            return
        if tag == "head":
            self.in_head = True
        elif tag == "title":
            self.in_title = True
        elif tag == "h2":
            self.flush()
            self.prefix = ".SH "
            self.fonts.append("UPPER")
        elif tag == "h3":
            self.flush()
            self.prefix = ".SS "
        elif tag == "p":
            self.request(".PP")
        elif tag == "pre":
            self.request(".PP")
            self.out.append(".nf")
            self.out.append(".RS 4")
            self.pre += 1
        elif tag in ("ul", "ol"):
            self.list_kinds.append([tag, 0])
        elif tag == "li":
            kind = self.list_kinds[-1] if self.list_kinds else ["ul", 0]
            kind[1] += 1
            self.request(".IP \\(bu 2" if kind[0] == "ul" else ".IP %d. 4" % kind[1])
        elif tag == "dt":
            self.request(".TP")
        elif tag == "dd":
            self.flush()
        elif tag == "table":
            self.flush()
            self.rows = []
        elif tag == "tr" and self.rows is not None:
            self.rows.append((False, []))
        elif tag in ("td", "th") and self.rows:
            self.line = ""
            if tag == "th":
                self.rows[-1] = (True, self.rows[-1][1])
        elif tag in ("code", "kbd", "strong", "b"):
            self.open_font("B")
        elif tag in ("var", "em", "i"):
            self.open_font("I")

    def open_font(self, font):
        self.fonts.append(font)
        self.line += "\\f" + font

    def close_font(self):
        self.fonts.pop()
        self.line += "\\f" + (self.font() if self.font() in "BIR" else "R")

    def handle_endtag(self, tag):
        if tag in _VOID:
            return
        # Close up to the matching element; the manual is well formed, this only guards.
        while self.stack:
            open_tag, skipping = self.stack.pop()
            self.end_element(open_tag)
            if skipping:
                self.skip -= 1
            if open_tag == tag:
                break

    def end_element(self, tag):
        if self.skip:
            return
        if tag == "head":
            self.in_head = False
        elif tag == "title":
            self.in_title = False
        elif tag == "h2":
            self.fonts.pop()
            self.flush()
        elif tag in ("h3", "p", "dt", "dd", "li"):
            self.flush()
        elif tag == "pre":
            self.flush()
            self.out.append(".RE")
            self.out.append(".fi")
            self.pre -= 1
        elif tag in ("ul", "ol"):
            self.flush()
            if self.list_kinds:
                self.list_kinds.pop()
            self.out.append(".PP")
        elif tag == "table" and self.rows is not None:
            rows, self.rows = self.rows, None
            self.write_table(rows)
            self.out.append(".PP")
        elif tag in ("td", "th") and self.rows:
            self.rows[-1][1].append(self.line.strip())
            self.line = ""
        elif tag in ("code", "kbd", "strong", "b", "var", "em", "i"):
            self.close_font()

    def write_table(self, rows):
        """Two columns: a .TP item per row, header rows dropped. More: a tbl table whose cells are
        text blocks, so that long cells wrap within their column."""
        columns = max((len(cells) for _, cells in rows), default=0)
        if columns <= 2:
            for header, cells in rows:
                if header or not cells:
                    continue
                self.out.append(".TP")
                for i, cell in enumerate(cells):
                    if i >= 2:
                        self.out.append(".br")
                    self.out.append(self.text_line(cell))
            return
        self.uses_tbl = True
        rows = [(header, cells + [""] * (columns - len(cells))) for header, cells in rows]
        # The widths in ens: each column's longest cell when all fit on a line of the page, else
        # shares of the line in proportion to them, with long cells wrapped in text blocks.
        longest = [max(len(re.sub(r"\\f[BIR]|\\", "", cells[i])) for _, cells in rows)
                   for i in range(columns)]
        room = _TABLE_WIDTH - 3 * (columns - 1)
        widths = longest if sum(longest) <= room else \
            [max(8, room * n // sum(longest)) for n in longest]
        self.out += [".PP", ".na", ".nh", ".TS", "tab(\t);"]
        formats = []
        for header, _ in rows:
            formats.append(" ".join("%sw(%dn)" % ("lb" if header else "l", w) for w in widths))
        formats[-1] += "."
        self.out += formats
        for _, cells in rows:
            self.out.append("\t".join(
                "T{\n%s\nT}" % self.text_line(c) if len(c) > w else self.text_line(c)
                for c, w in zip(cells, widths)))
        self.out += [".TE", ".ad", ".hy 4"]  # the man macros' own hyphenation mode

    @staticmethod
    def text_line(text):
        """`text` as a text line: one that starts with a period or quote would be a request."""
        return "\\&" + text if text[:1] in (".", "'") else text

    def handle_data(self, data):
        if self.skip or self.in_head or self.in_title:
            return
        if self.fonts and self.fonts[-1] == "UPPER":
            data = data.upper()
        if self.pre:
            parts = data.split("\n")
            for i, part in enumerate(parts):
                if i:
                    self.flush()
                self.line += escape(part)
            return
        data = re.sub(r"\s+", " ", data)
        if not self.line or self.line.endswith(" "):
            data = data.lstrip()
        self.line += escape(data)


def convert(source, version):
    writer = ManWriter()
    writer.feed(source)
    writer.close()
    writer.flush()
    body = writer.out
    # Drop the paragraph breaks that nothing follows or that double another break.
    cleaned = []
    for line in body:
        if line == ".PP" and cleaned and cleaned[-1] in (".PP", ".TP") or \
                line == ".PP" and cleaned and cleaned[-1].startswith((".SH", ".SS")):
            continue
        cleaned.append(line)
    while cleaned and cleaned[-1] == ".PP":
        cleaned.pop()
    # A .PP right before a heading or a list item adds nothing.
    result = []
    for i, line in enumerate(cleaned):
        following = cleaned[i + 1] if i + 1 < len(cleaned) else ""
        if line == ".PP" and following.startswith((".SH", ".SS", ".TP", ".IP", ".PP")):
            continue
        result.append(line)
    name = escape(writer.meta.get("man-name", "dirhop"))
    summary = escape(writer.meta.get("man-summary", ""))
    head = ["'\\\" t"] if writer.uses_tbl else []
    head += ['.\\" Generated from docs/manual.html by docs/html2man.py; edit the HTML instead.',
            '.TH DIRHOP 1 "" "Dirhop %s" "User Commands"' % escape(version),
            ".SH NAME",
            "%s \\- %s" % (name, summary)]
    return "\n".join(head + result) + "\n"


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: html2man.py manual.html output.1 version")
    with open(sys.argv[1], encoding="utf-8") as f:
        source = f.read()
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write(convert(source, sys.argv[3]))


if __name__ == "__main__":
    main()
