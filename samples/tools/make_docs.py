#!/usr/bin/env python3
"""Writes the sample manual again as documentation sources, from the same texts as the MIF book
(content.py): Markdown with an mdBook summary (samples/manual-md), HTML pages in a folder
(samples/manual-html) and DocBook chapters joined by a book of XIncludes (samples/manual-docbook).
Each carries exactly the text that the MIF book measures: hidden conditional text is left out,
variables are written as their values, the figure's caption and the table's title are text, and
the generated table of contents (which the MIF book leaves out of the measure) is not written:
these formats make their own.
Run it from anywhere; it writes into samples/."""

import html
import os
import re

import content

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.dirname(HERE)
TITLE = content.PRODUCT + " Operator’s Manual"
CHAPTERS = [("ch1-introduction", content.CHAPTER1), ("ch2-installation", content.CHAPTER2),
            ("ch3-operation", content.CHAPTER3)]
TOKEN = re.compile(r"(\{[a-z]+(?::[^}]*)?\})")
NBSP = "\u00a0"


def pieces(text):
    """The text as (kind, value) pieces: ("text", s), ("fn", note), ("tbl", n), ("fig", n)."""
    out = []
    for token in TOKEN.split(text):
        m = re.fullmatch(r"\{([a-z]+)(?::([^}]*))?\}", token)
        if not m:
            if token:
                out.append(("text", token.replace("\t", " ")))
            continue
        kind, arg = m.group(1), m.group(2)
        if kind == "tab":
            out.append(("text", " "))
        elif kind == "hs":
            out.append(("text", NBSP))
        elif kind == "var":
            out.append(("text", content.PRODUCT if arg == "Product" else arg))
        elif kind == "xref":
            out.append(("text", arg))
        elif kind in ("fn", "tbl", "fig"):
            out.append((kind, arg))
        # hidden: conditional text in a hidden condition is not shown, so not written
    return out


def blocks(paras):
    """Groups the paragraphs: consecutive Bullet or Step paragraphs make one list."""
    out = []
    for fmt, text in paras:
        if fmt in ("Bullet", "Step") and out and out[-1][0] == fmt:
            out[-1][1].append(text)
        elif fmt in ("Bullet", "Step"):
            out.append((fmt, [text]))
        else:
            out.append((fmt, text))
    return out


# --- Markdown

def md_escape(s, start=False):
    s = re.sub(r"([\\`*_\[\]<>#|~&])", r"\\\1", s).replace(NBSP, "&nbsp;")
    if start:
        s = re.sub(r"^(\d+)([.)])(?=\s|$)", r"\1\\\2", s)
        s = re.sub(r"^([-+=])", r"\\\1", s)
    return s


class Markdown:
    def __init__(self):
        self.notes = []
        self.after = []  # tables and figures that follow the paragraph

    def inline(self, text):
        out = []
        for kind, value in pieces(text):
            if kind == "text":
                out.append(md_escape(value, start=not out))
            elif kind == "fn":
                self.notes.append(value)
                out.append("[^%d]" % len(self.notes))
            else:
                self.after.append((kind, value))
        return "".join(out).strip()

    def extras(self):
        out = []
        for kind, _ in self.after:
            if kind == "fig":
                out.append("![The controller, the transducer, the bracket and the glands]"
                           "(figure-1-1.png)")
                out.append("*%s*" % md_escape(content.FIGURE1))
            else:
                t = content.TABLE1
                out.append("*%s*" % md_escape(t["title"]))
                rows = [" | ".join(md_escape(c) for c in t["columns"]),
                        " | ".join("---" for _ in t["columns"])]
                for row in t["rows"]:
                    cells = []
                    for c in row:
                        cells.append("" if c is None else md_escape(c["text"] if isinstance(c, dict) else c))
                    rows.append(" | ".join(cells))
                out.append("\n".join("| %s |" % r for r in rows))
        self.after = []
        return out

    def page(self, paras):
        out = []
        for fmt, body in blocks(paras):
            if fmt.startswith("Heading"):
                out.append("#" * int(fmt[-1]) + " " + self.inline(body))
            elif fmt == "Code":
                out.append("```\n%s\n```" % body)
            elif fmt in ("Bullet", "Step"):
                marker = "-" if fmt == "Bullet" else None
                out.append("\n".join("%s %s" % (marker or "%d." % (i + 1), self.inline(t))
                                     for i, t in enumerate(body)))
            else:
                out.append(self.inline(body))
            out.extend(self.extras())
        for i, note in enumerate(self.notes):
            out.append("[^%d]: %s" % (i + 1, self.inline(note)))
        return "\n\n".join(out) + "\n"


# --- HTML

def h(s):
    return html.escape(s, quote=False).replace(NBSP, "&nbsp;")


class Html:
    def __init__(self):
        self.notes = []
        self.after = []

    def inline(self, text):
        out = []
        for kind, value in pieces(text):
            if kind == "text":
                out.append(h(value))
            elif kind == "fn":
                self.notes.append(value)
                n = len(self.notes)
                out.append('<sup class="footnote-ref"><a href="#fn-%d" id="fnref-%d">%d</a></sup>'
                           % (n, n, n))
            else:
                self.after.append((kind, value))
        return "".join(out).strip()

    def extras(self):
        out = []
        for kind, _ in self.after:
            if kind == "fig":
                out.append('<figure>\n<img src="figure-1-1.png" alt="The controller, the '
                           'transducer, the bracket and the glands">\n<figcaption>%s</figcaption>\n'
                           '</figure>' % h(content.FIGURE1))
            else:
                t = content.TABLE1
                rows = ["<table>", "<caption>%s</caption>" % h(t["title"]), "<thead>",
                        "<tr>" + "".join("<th>%s</th>" % h(c) for c in t["columns"]) + "</tr>",
                        "</thead>", "<tbody>"]
                for row in t["rows"]:
                    cells = ""
                    for c in row:
                        if isinstance(c, dict):
                            cells += '<td colspan="%d">%s</td>' % (c["span"], h(c["text"]))
                        elif c is not None:
                            cells += "<td>%s</td>" % h(c)
                    rows.append("<tr>" + cells + "</tr>")
                rows += ["</tbody>", "</table>"]
                out.append("\n".join(rows))
        self.after = []
        return out

    def page(self, title, paras, others):
        nav = " | ".join('<a href="%s.html">%s</a>' % (name, h(label)) for name, label in others)
        out = ["<!DOCTYPE html>", '<html lang="en">', "<head>", '<meta charset="utf-8">',
               "<title>%s – %s</title>" % (h(title), h(TITLE)),
               "<style>body { font-family: serif; max-width: 40em; }</style>", "</head>",
               "<body>", "<nav>%s</nav>" % nav, "<main>"]
        for fmt, body in blocks(paras):
            if fmt.startswith("Heading"):
                out.append("<h%s>%s</h%s>" % (fmt[-1], self.inline(body), fmt[-1]))
            elif fmt == "Code":
                out.append("<pre><code>%s</code></pre>" % h(body))
            elif fmt in ("Bullet", "Step"):
                tag = "ul" if fmt == "Bullet" else "ol"
                out.append("<%s>\n%s\n</%s>" % (tag, "\n".join("<li>%s</li>" % self.inline(t)
                                                             for t in body), tag))
            else:
                out.append("<p>%s</p>" % self.inline(body))
            out.extend(self.extras())
        out.append("</main>")
        if self.notes:
            out += ['<section class="footnotes" data-footnotes>', "<h2>Notes</h2>", "<ol>"]
            for i, note in enumerate(self.notes):
                out.append('<li id="fn-%d"><p>%s <a href="#fnref-%d" class="footnote-backref">'
                           '↩</a></p></li>' % (i + 1, h(note), i + 1))
            out += ["</ol>", "</section>"]
        out += ["</body>", "</html>"]
        return "\n".join(out) + "\n"


# --- DocBook

def x(s):
    return html.escape(s, quote=False).replace(NBSP, "&#160;")


class DocBook:
    def __init__(self):
        self.after = []

    def inline(self, text):
        out = []
        for kind, value in pieces(text):
            if kind == "text":
                out.append(x(value))
            elif kind == "fn":
                out.append("<footnote><para>%s</para></footnote>" % x(value))
            else:
                self.after.append((kind, value))
        return "".join(out).strip()

    def extras(self, indent):
        out = []
        for kind, _ in self.after:
            if kind == "fig":
                out.append(indent + "<figure><title>%s</title><mediaobject><imageobject>"
                           '<imagedata fileref="figure-1-1.png"/></imageobject><textobject><phrase>'
                           "The controller, the transducer, the bracket and the glands</phrase>"
                           "</textobject></mediaobject></figure>" % x(content.FIGURE1))
            else:
                t = content.TABLE1
                n = len(t["columns"])
                rows = [indent + "<table><title>%s</title>" % x(t["title"]),
                        indent + '<tgroup cols="%d">' % n]
                rows += [indent + '<colspec colname="c%d"/>' % (i + 1) for i in range(n)]
                rows.append(indent + "<thead><row>" +
                            "".join("<entry>%s</entry>" % x(c) for c in t["columns"]) +
                            "</row></thead><tbody>")
                for row in t["rows"]:
                    cells = ""
                    for i, c in enumerate(row):
                        if isinstance(c, dict):
                            cells += '<entry namest="c%d" nameend="c%d">%s</entry>' % (
                                i + 1, i + c["span"], x(c["text"]))
                        elif c is not None:
                            cells += "<entry>%s</entry>" % x(c)
                    rows.append(indent + "<row>" + cells + "</row>")
                rows.append(indent + "</tbody></tgroup></table>")
                out.extend(rows)
        self.after = []
        return out

    def chapter(self, element, paras):
        out = ['<?xml version="1.0" encoding="UTF-8"?>',
               '<!DOCTYPE %s PUBLIC "-//OASIS//DTD DocBook XML V4.5//EN"' % element,
               '  "http://www.oasis-open.org/docbook/xml/4.5/docbookx.dtd">']
        in_section = False
        for fmt, body in blocks(paras):
            indent = "    " if in_section else "  "
            if fmt == "Heading1":
                out.append("<%s>" % element)
                out.append("  <title>%s</title>" % self.inline(body))
            elif fmt == "Heading2":
                if in_section:
                    out.append("  </section>")
                out.append("  <section>")
                out.append("    <title>%s</title>" % self.inline(body))
                in_section = True
            elif fmt == "Code":
                out.append(indent + "<programlisting>%s</programlisting>" % x(body))
            elif fmt in ("Bullet", "Step"):
                tag = "itemizedlist" if fmt == "Bullet" else "orderedlist"
                out.append(indent + "<%s>" % tag)
                out += [indent + "  <listitem><para>%s</para></listitem>" % self.inline(t)
                        for t in body]
                out.append(indent + "</%s>" % tag)
            else:
                out.append(indent + "<para>%s</para>" % self.inline(body))
            out.extend(self.extras(indent))
        if in_section:
            out.append("  </section>")
        out.append("</%s>" % element)
        return "\n".join(out) + "\n"


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def main():
    pages = [(name, shape[0], shape[1]) for name, shape in CHAPTERS]
    md = os.path.join(SAMPLES, "manual-md")
    summary = ["# Summary", ""] + ["- [%s](%s.md)" % (title, name) for name, title, _ in pages]
    write(os.path.join(md, "SUMMARY.md"), "\n".join(summary) + "\n")
    for name, _, paras in pages:
        write(os.path.join(md, name + ".md"), Markdown().page(paras))

    web = os.path.join(SAMPLES, "manual-html")
    for name, title, paras in pages:
        others = [(n, t) for n, t, _ in pages if n != name]
        write(os.path.join(web, name + ".html"), Html().page(title, paras, others))

    db = os.path.join(SAMPLES, "manual-docbook")
    for name, _, paras in pages:
        write(os.path.join(db, name + ".xml"), DocBook().chapter("chapter", paras))
    book = ['<?xml version="1.0" encoding="UTF-8"?>',
            '<book xmlns="http://docbook.org/ns/docbook" '
            'xmlns:xi="http://www.w3.org/2001/XInclude" version="5.0">',
            "  <info><title>%s</title></info>" % x(TITLE)]
    book += ['  <xi:include href="%s.xml"/>' % name for name, _, _ in pages]
    book.append("</book>")
    write(os.path.join(db, "book.xml"), "\n".join(book) + "\n")


if __name__ == "__main__":
    main()
