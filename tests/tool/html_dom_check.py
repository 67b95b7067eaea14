#!/usr/bin/env python3
"""Checks the DOM Chromium built from the HTML report of the sample book.

    html_dom_check.py DOM PAGE_FOLDER PROBE_DOM

DOM is the page as the browser built it; PAGE_FOLDER the folder the page was written to (its
links to source files are resolved from there); PROBE_DOM the same page with a script that wrote
the layout it measured into the body's data-probe attribute. Prints each fault and exits 1 when
there is any.
"""
import json
import os
import re
import sys
from html.parser import HTMLParser


class Page(HTMLParser):
    """The elements the checks look at, with their attributes and text."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []  # href of every link
        self.blocks = []  # strip blocks: {class, title, href}
        self.histograms = 0
        self.histogram_bars = []  # bars per histogram
        self.longest = []  # text of each longest sentence shown
        self.text = []
        self.probe = None
        self._stack = []
        self._link = None
        self._block = None
        self._in_title = False
        self._in_longest = False
        self._quote = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.add(a["id"])
        if tag == "body" and "data-probe" in a:
            self.probe = json.loads(a["data-probe"])
        classes = a.get("class", "").split()
        if tag == "svg":
            self._stack.append("strip" if "strip" in classes else
                               "histogram" if "histogram" in classes else "svg")
            if "histogram" in classes:
                self.histograms += 1
                self.histogram_bars.append(0)
        if tag == "a" and "href" in a:
            self.links.append(a["href"])
            self._link = a["href"]
        in_strip = bool(self._stack) and self._stack[-1] == "strip"
        if tag == "rect" and in_strip:
            self._block = {"class": a.get("class", ""), "title": "", "href": self._link}
            self.blocks.append(self._block)
        if tag == "rect" and self._stack and self._stack[-1] == "histogram":
            self.histogram_bars[-1] += 1
        if tag == "title" and self._block is not None:
            self._in_title = True
        if tag == "ol" and a.get("id") == "longest":
            self._in_longest = True
        if tag == "blockquote" and self._in_longest:
            self._quote = ""

    def handle_endtag(self, tag):
        if tag == "svg" and self._stack:
            self._stack.pop()
        if tag == "a":
            self._link = None
        if tag == "title":
            self._in_title = False
        if tag == "rect":
            self._block = None
        if tag == "ol":
            self._in_longest = False
        if tag == "blockquote" and self._quote is not None:
            self.longest.append(self._quote)
            self._quote = None

    def handle_data(self, data):
        self.text.append(data)
        if self._in_title and self._block is not None:
            self._block["title"] += data
        if self._quote is not None:
            self._quote += data


def parse(path):
    page = Page()
    with open(path, encoding="utf-8") as f:
        page.feed(f.read())
    return page


def main():
    dom, folder, probe_dom = sys.argv[1:4]
    page = parse(dom)
    faults = []
    text = "".join(page.text)

    # Every paragraph a block, each with its place and grade on hover.
    counts = [int(n.replace(",", "")) for n in re.findall(r"\(([\d,]+) paragraphs?\)", text)]
    if not counts or sum(counts) != len(page.blocks):
        faults.append(f"{len(page.blocks)} strip blocks for {sum(counts)} paragraphs")
    place = re.compile(r"paragraph \d+.*: (heading, )?grade (-?\d+\.\d|n/a)$")
    for b in page.blocks:
        if not place.search(b["title"]):
            faults.append(f"strip block without its place and grade: '{b['title']}'")
            break

    # Headings drawn as headings, never by their grade; other paragraphs by their grade.
    headings = [b for b in page.blocks if "format Heading" in b["title"]]
    if not headings:
        faults.append("no heading among the strip blocks")
    for b in page.blocks:
        is_heading = "format Heading" in b["title"]
        if is_heading != (b["class"] == "dh"):
            faults.append(f"block of class '{b['class']}' for '{b['title']}'")
            break

    # Each block links to its hot spot, which the page holds, or to a source file that exists.
    at_line = re.compile(r"^[^,]+:\d+(:\d+)?, paragraph")
    for b in page.blocks:
        if b["href"] is None and at_line.search(b["title"]):
            faults.append(f"strip block at a source line without a link: '{b['title']}'")
            break
    for href in page.links:
        if href.startswith("#"):
            if href[1:] not in page.ids:
                faults.append(f"link to '{href}', which the page does not hold")
        else:
            path, _, line = href.partition("#L")
            if not line.isdigit() or not os.path.isfile(os.path.join(folder, path)):
                faults.append(f"link to '{href}', not a source file's line")
    if not any(b["href"] and b["href"].startswith("#") for b in page.blocks):
        faults.append("no strip block links to a hot spot")
    if not any(b["href"] and "#L" in b["href"] for b in page.blocks):
        faults.append("no strip block links to a source line")

    # Counts of one in the singular.
    wrong = re.search(r"(?<![\d,.])1 (paragraph|sentence|word|file|complex word|distinct word)s\b",
                      text)
    if wrong:
        faults.append(f"'{wrong.group(0)}' on the page")

    # Longest sentences shown with their stop.
    if not page.longest:
        faults.append("no longest sentence shown")
    for sentence in page.longest:
        if not re.search(r"[.!?:;][\"')\u201d\u2019]?$", sentence.strip()):
            faults.append(f"sentence shown without its stop: '{sentence[-40:]}'")

    # A sentence length histogram per file, a bar per class.
    if page.histograms != len(counts) or any(n != 11 for n in page.histogram_bars):
        faults.append(f"{page.histograms} histograms with {page.histogram_bars} bars "
                      f"for {len(counts)} files")

    # The layout: each result on one line, the thresholds it missed on at most two.
    probe = parse(probe_dom).probe
    if probe is None:
        faults.append("the layout probe did not run")
    else:
        if not probe["results"] or any(n != 1 for n in probe["results"]):
            faults.append(f"results drawn on {probe['results']} lines")
        if not probe["misses"] or any(n > 2 for n in probe["misses"]):
            faults.append(f"missed thresholds drawn on {probe['misses']} lines")
        if probe["blocksDrawn"] != len(page.blocks):
            faults.append(f"{probe['blocksDrawn']} strip blocks drawn of {len(page.blocks)}")

    for f in faults:
        print("html_dom_check:", f)
    print(f"html_dom_check: {len(page.blocks)} strip blocks, {len(headings)} headings, "
          f"{page.histograms} histograms, {len(page.longest)} longest sentences")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
