#!/usr/bin/env python3
"""Turns the HTML manual into a man page (roff, man macros), so that one source serves the HTML,
the CHM and the man page.

Usage: html2man.py manual.html dirhop.1 VERSION

Only the elements the manual uses are known: h2 (.SH),
h3 (.SS), p (.PP), pre (.nf/.fi), ul/ol/li (.IP), dl/dt/dd (.TP), table rows (.TP: the first cell
is the tag, the other cells the text; header rows are dropped), and the inline code, kbd, strong
(bold), var, em (italic), a and br. An element with class "no-man" is left out with everything in
it, and so is h1. The NAME section comes from <meta name="man-name"> and <meta name="man-summary">.
"""

import html.parser
import re
import sys

# Characters that groff would not print as the same character, and common typography.
_CHARACTERS = {"\u2014": "\\(em", "\u2013": "\\(en", "\u2018": "\\(oq", "\u2019": "\\(cq",
               "\u201c": "\\(lq", "\u201d": "\\(rq", "\u00a0": "\\ "}

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
        self.cell = 0          # index of the current table cell in its row
        self.header_row = False
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
        elif tag == "tr":
            self.cell = 0
            self.header_row = False
        elif tag in ("td", "th"):
            if tag == "th":
                self.header_row = True
            if not self.header_row:
                if self.cell == 0:
                    self.request(".TP")
                elif self.cell >= 2:
                    self.request(".br")
                else:
                    self.flush()
            self.cell += 1
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
        elif tag == "table":
            self.flush()
            self.out.append(".PP")
        elif tag in ("td", "th"):
            self.flush()
        elif tag in ("code", "kbd", "strong", "b", "var", "em", "i"):
            self.close_font()

    def handle_data(self, data):
        if self.skip or self.in_head or self.in_title:
            return
        if self.fonts and self.fonts[-1] == "UPPER":
            data = data.upper()
        if self.header_row:
            return
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
    head = ['.\\" Generated from docs/manual.html by docs/html2man.py; edit the HTML instead.',
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
