#!/usr/bin/env python3
"""Checks the links the library collected from HTML files against an
extraction of its own (python's html.parser and urllib.parse.urljoin).

usage: compare_links.py OURS_FILE

OURS_FILE holds, for each page, a line "== /absolute/path.html" followed by
one line per collected link: address, TAB, title (UTF-8). The script reads
each page itself, extracts its links the way the collector is meant to, and
compares page by page, in order. It prints "compared N links" and exits 0
when everything matched, else prints the differences and exits 1.

The independent extraction: every <a> element in document order, then every
<area> element; the address is the href attribute resolved against the page
(or its <base href>) with urljoin, an element without href giving the empty
address; the address is cut before its first "#"; addresses beginning with
"javascript" or "mailto" (any case) are left out; an address equal to an
earlier one ignoring case is dropped, the first one staying. The title of an
<a> is its text, of an <area> its alt attribute.

Where a browser's document and urljoin legitimately differ, both sides are
normalized the same way before comparing, and only then:
  - percent-escapes are decoded (a browser escapes spaces and non-ASCII
    characters in paths, urljoin leaves them as written);
  - the scheme and host are lower-cased (a browser lower-cases them);
  - an http(s) address with an empty path gets the path "/";
  - tabs and line breaks inside an attribute are removed and surrounding
    spaces stripped (a browser does so before resolving; urljoin does not);
  - titles: runs of white space become one space, and the ends are stripped
    (the browser's text of an element breaks lines at block elements).
"""
import html.parser
import re
import sys
import urllib.parse


class LinkParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.base = None
        self.anchors = []  # [href or None, text parts]
        self.areas = []  # (href or None, alt)
        self.open_anchors = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if tag == "base" and self.base is None and attributes.get("href") is not None:
            self.base = attributes["href"]
        elif tag == "a":
            # An <a> inside an open <a> closes it, as HTML parsers do.
            self.open_anchors.clear()
            anchor = [attributes.get("href"), []]
            self.anchors.append(anchor)
            self.open_anchors.append(anchor)
        elif tag == "area":
            self.areas.append((attributes.get("href"), attributes.get("alt") or ""))

    def handle_endtag(self, tag):
        if tag == "a":
            self.open_anchors.clear()

    def handle_data(self, data):
        for anchor in self.open_anchors:
            anchor[1].append(data)


def clean_attribute(value):
    return re.sub(r"[\t\r\n]", "", value).strip(" \f")


def collapse(text):
    return re.sub(r"\s+", " ", text).strip()


def normalize(address):
    address = urllib.parse.unquote(address)
    parts = urllib.parse.urlsplit(address)
    scheme = parts.scheme.lower()
    netloc = parts.netloc.lower()
    path = parts.path
    if scheme in ("http", "https") and path == "":
        path = "/"
    return urllib.parse.urlunsplit((scheme, netloc, path, parts.query, parts.fragment))


def extract(path):
    with open(path, "rb") as f:
        raw = f.read()
    text = raw.decode("utf-8", errors="replace")
    parser = LinkParser()
    parser.feed(text)
    parser.close()
    page = "file://" + urllib.parse.quote(path)
    base = urllib.parse.urljoin(page, clean_attribute(parser.base)) if parser.base else page
    found = []
    candidates = [(href, "".join(parts)) for href, parts in parser.anchors] + parser.areas
    seen = set()
    for href, title in candidates:
        address = "" if href is None else urllib.parse.urljoin(base, clean_attribute(href))
        address = address.split("#", 1)[0]
        lowered = address.lower()
        if lowered.startswith("javascript") or lowered.startswith("mailto"):
            continue
        key = address.upper()
        if key in seen:
            continue
        seen.add(key)
        found.append((address, title))
    return found


def read_ours(path):
    pages = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("== "):
                current = line[3:]
                pages[current] = []
            elif current is not None:
                address, _, title = line.partition("\t")
                pages[current].append((address, title))
    return pages


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    ours = read_ours(sys.argv[1])
    compared = 0
    problems = []
    for page, links in ours.items():
        expected = [(normalize(a), collapse(t)) for a, t in extract(page)]
        got = [(normalize(a), collapse(t)) for a, t in links]
        if expected != got:
            for i, (e, g) in enumerate(zip(expected, got)):
                if e != g:
                    problems.append(f"{page}: link {i}: expected {e!r}, collected {g!r}")
                    break
            if len(expected) != len(got):
                problems.append(f"{page}: expected {len(expected)} links, collected {len(got)}")
        compared += len(expected)
    print(f"compared {compared} links on {len(ours)} pages")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
