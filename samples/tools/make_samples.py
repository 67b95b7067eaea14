#!/usr/bin/env python3
"""Writes the sample manual (a MIF book of three chapters and a table of contents) and the
plain-text article from the texts in content.py. Run it from anywhere; it writes into samples/.
Chapters 1 and 3 are MIF 7.00 (FrameRoman escapes), chapter 2 is MIF 2015 (UTF-8)."""

import os
import re
import textwrap

import content

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.dirname(HERE)
MANUAL = os.path.join(SAMPLES, "manual")

# FrameRoman bytes of the non-ASCII characters the texts use.
FRAMEROMAN = {"‘": 0xD4, "’": 0xD5, "“": 0xD2, "”": 0xD3, "–": 0xD0, "—": 0xD1, "…": 0xC9,
              "°": 0xA1, "×": 0xB0, "²": 0xB7, "é": 0x8E, "•": 0xA5}
CHARS = {"–": "EnDash", "—": "EmDash"}


def mif_string(text, utf8):
    out = []
    for ch in text:
        if ch == "'":
            out.append("\\q")
        elif ch == "`":
            out.append("\\Q")
        elif ch == "\\":
            out.append("\\\\")
        elif ch == ">":
            out.append("\\>")
        elif ch == "\t":
            out.append("\\t")
        elif ord(ch) < 0x80 or utf8:
            out.append(ch)
        else:
            out.append("\\x%02x " % FRAMEROMAN[ch])
    return "`" + "".join(out) + "'"


class Chapter:
    def __init__(self, utf8):
        self.utf8 = utf8
        self.notes = []
        self.lines = []

    def text_items(self, text):
        """Splits plain text into String and Char statements, wrapped like the host does."""
        items = []
        pieces = re.split("(–|—)", text) if not self.utf8 else [text]
        for piece in pieces:
            if piece in CHARS:
                items.append("<Char %s>" % CHARS[piece])
            elif piece:
                for line in textwrap.wrap(piece, 68, drop_whitespace=False, expand_tabs=False,
                                          replace_whitespace=False) or [piece]:
                    items.append("<String %s>" % mif_string(line, self.utf8))
        return items

    def para(self, fmt, text, frame=None):
        items = []
        if frame is not None:
            items.append("<TextRectID %d>" % frame)
        for token in re.split(r"(\{[a-z]+(?::[^}]*)?\})", text):
            m = re.fullmatch(r"\{([a-z]+)(?::([^}]*))?\}", token)
            if not m:
                items.extend(self.text_items(token))
                continue
            kind, arg = m.group(1), m.group(2)
            if kind == "tab":
                items.append("<Char Tab>")
            elif kind == "hs":
                items.append("<Char HardSpace>")
            elif kind == "fn":
                self.notes.append(arg)
                items.append("<FNote %d>" % len(self.notes))
            elif kind == "tbl":
                items.append("<ATbl %s>" % arg)
            elif kind == "fig":
                items.append("<AFrame %d>" % (90 + int(arg)))
            elif kind == "var":
                items.append("<Variable <VariableName %s>>" % mif_string(arg, self.utf8))
            elif kind == "hidden":
                items.append("<Conditional <InCondition `Internal'>>")
                items.extend(self.text_items(arg))
                items.append("<Unconditional>")
        lines = ["<Para", " <PgfTag %s>" % mif_string(fmt, self.utf8)]
        # A ParaLine per three items keeps lines short, as in files the host writes.
        for i in range(0, max(len(items), 1), 3):
            lines.append(" <ParaLine " + " ".join(items[i:i + 3]) + ">")
        lines.append("> # end of Para")
        return "\n".join(lines)


FORMATS = [
    # tag, family, size, weight, space before, left indent, first indent, numbering
    ("Heading1", "Helvetica", 20, "Bold", 24, 0, 0, ""),
    ("Heading2", "Helvetica", 14, "Bold", 14, 0, 0, ""),
    ("Body", "Times", 11, "Regular", 6, 0, 0, ""),
    ("Bullet", "Times", 11, "Regular", 3, 18, 0, "\u2022\t"),
    ("Step", "Times", 11, "Regular", 3, 18, 0, "S:<n+>.\t"),
    ("Code", "Courier", 9, "Regular", 6, 18, 18, ""),
    ("Figure", "Helvetica", 9, "Bold", 6, 0, 0, ""),
    ("CellHeading", "Helvetica", 9, "Bold", 2, 0, 0, ""),
    ("CellBody", "Times", 9, "Regular", 2, 0, 0, ""),
    ("Header", "Helvetica", 8, "Regular", 0, 0, 0, ""),
    ("TOCHeading1", "Helvetica", 12, "Bold", 8, 0, 0, ""),
    ("TOCHeading2", "Times", 11, "Regular", 2, 18, 18, ""),
]


def catalogs(ch):
    out = ["<ConditionCatalog",
           " <Condition <CTag `Internal'> <CState CHidden> <CStyle CAsIs>>",
           " <Condition <CTag `Print'> <CState CShown>>",
           "> # end of ConditionCatalog", "<PgfCatalog"]
    for tag, family, size, weight, before, left, first, num in FORMATS:
        numfmt = num if ch.utf8 else num.replace("\u2022", "\\xa5 ")
        out += [" <Pgf",
                "  <PgfTag %s>" % mif_string(tag, ch.utf8),
                "  <PgfFont <FTag `'> <FFamily `%s'> <FSize %.1f pt> <FWeight `%s'> "
                "<FAngle `Regular'>>" % (family, size, weight),
                "  <PgfSpBefore %.1f pt> <PgfLIndent %.1f pt> <PgfFIndent %.1f pt>"
                % (before, left, first),
                "  <PgfAutoNum %s> <PgfNumFormat `%s'>"
                % ("Yes" if num else "No", numfmt.replace(">", "\\>").replace("\t", "\\t")),
                " > # end of Pgf"]
    out += ["> # end of PgfCatalog",
            "<TblCatalog <TblFormat <TblTag `Format A'> <TblColumn <TblColumnNum 0> "
            "<TblColumnWidth 1.0\">>>> # end of TblCatalog",
            "<VariableFormats",
            " <VariableFormat <VariableName `Product'> <VariableDef `%s'>>" % content.PRODUCT,
            " <VariableFormat <VariableName `Current Date (Long)'> "
            "<VariableDef `<$monthname\\> <$daynum\\>, <$year\\>'>>",
            "> # end of VariableFormats",
            "<Document <DPageSize 8.5\" 11.0\"> <DShowAllConditions No> <DMargins 1\" 1\" 1\" 1\">>"]
    return out


def pages(ch, body_pages, title):
    out = ["<Page # the right master page: running header and footer",
           " <PageType RightMasterPage> <PageTag `Right'>",
           " <TextRect <ID 1> <ShapeRect 1.0\" 1.0\" 6.5\" 9.0\">>",
           " <TextLine <ID 2> <TLOrigin 1.0\" 0.6\"> <TLAlignment Left>",
           "  <Font <FTag `'> <FFamily `Helvetica'> <FSize 8.0 pt>>",
           "  <String %s> <Char Tab> <String %s>>"
           % (mif_string(content.PRODUCT + " Operator’s Manual", ch.utf8), mif_string(title, ch.utf8)),
           " <PolyLine <ID 3> <NumPoints 2> <Point 1.0\" 0.7\"> <Point 7.5\" 0.7\">>",
           "> # end of Page",
           "<Page # reference artwork and notes",
           " <PageType ReferencePage> <PageTag `Reference'>",
           " <TextRect <ID 5> <ShapeRect 1.0\" 1.0\" 6.5\" 9.0\">>",
           " <Frame <ID 6> <ShapeRect 1.0\" 1.0\" 2.0\" 0.5\"> <Tag `Rule'>",
           "  <TextLine <ID 7> <TLOrigin 0.1\" 0.3\"> <String `Reference artwork'>>>",
           "> # end of Page"]
    for i in range(body_pages):
        out += ["<Page <PageType BodyPage> <PageTag `%d'> <PageNum `%d'>" % (i + 1, i + 1),
                " <TextRect <ID %d> <ShapeRect 1.0\" 1.0\" 6.5\" 9.0\"> <TRNumColumns 1>>" % (10 + i),
                "> # end of Page"]
    out += ["<Page <PageType HiddenPage> <PageTag `HIDDEN'>",
            " <TextRect <ID 20> <ShapeRect 1.0\" 1.0\" 6.5\" 9.0\">>",
            "> # end of Page"]
    return out


def figure(ch):
    return ["<AFrames",
            " <Frame <ID 91> <ShapeRect 0.0\" 0.0\" 4.0\" 2.0\"> <FrameType Below> <Float No>",
            "  <Rectangle <ID 92> <ShapeRect 0.2\" 0.2\" 3.6\" 1.3\">>",
            "  <ImportObject <ID 93> <ImportObFile `2.0 internal inset'> <ShapeRect 0.3\" 0.3\" 1.0\" 1.0\">",
            "=FrameImage",
            "&%v",
            "&<not statements> ` ' \\ data",
            "=EndInset",
            "  > # end of ImportObject",
            "  <TextLine <ID 94> <TLOrigin 0.2\" 1.8\"> <String %s>>"
            % mif_string(content.FIGURE1, ch.utf8),
            " > # end of Frame", "> # end of AFrames"]


def table(ch):
    t = content.TABLE1
    out = ["<Tbls", " <Tbl", "  <TblID 1>", "  <TblTag `Format A'>",
           "  <TblNumColumns %d>" % len(t["columns"])]
    out += ["  <TblColumnWidth %.1f pt>" % w for w in t["widths_pt"]]
    out += ["  <TblTitle <TblTitleContent " + ch.para("Figure", t["title"]).replace("> # end of Para", ">").replace("\n", " ") + ">>"]

    def cell(text, fmt, span=1):
        span_stmt = " <CellColumns %d>" % span if span > 1 else ""
        return ("   <Cell%s <CellContent %s>>" % (span_stmt, ch.para(fmt, text).replace("> # end of Para", ">").replace("\n", " ")))

    out += ["  <TblH", "  <Row"] + [cell(c, "CellHeading") for c in t["columns"]] + ["  >", "  >"]
    out += ["  <TblBody"]
    for row in t["rows"]:
        out.append("  <Row")
        for c in row:
            if c is None:
                out.append(cell("", "CellBody"))  # covered by the straddle to its left
            elif isinstance(c, dict):
                out.append(cell(c["text"], "CellBody", c["span"]))
            else:
                out.append(cell(c, "CellBody"))
        out.append("  > # end of Row")
    out += ["  > # end of TblBody", " > # end of Tbl", "> # end of Tbls"]
    return out


def chapter(path, shape, utf8, version):
    title, paras = shape
    ch = Chapter(utf8)
    per_page = 9
    body_pages = (len(paras) + per_page - 1) // per_page
    body = []
    for i, (fmt, text) in enumerate(paras):
        frame = 10 + i // per_page if i % per_page == 0 else None
        body.append(ch.para(fmt, text, frame))
    out = ["<MIFFile %s> # %s Operator's Manual: %s" % (version, content.PRODUCT, title),
           "<Units Uin>"]
    out += catalogs(ch)
    if any("{fig:" in t for _, t in paras):
        out += figure(ch)
    if any("{tbl:" in t for _, t in paras):
        out += table(ch)
    out += pages(ch, body_pages, title)
    out += ["<TextFlow <TFTag `A'> <TFAutoConnect Yes>"]
    if ch.notes:
        out.append(" <Notes")
        for i, note in enumerate(ch.notes):
            out.append("  <FNote <ID %d> %s>" % (i + 1, ch.para("Body", note).replace("> # end of Para", ">").replace("\n", " ")))
        out.append(" > # end of Notes")
    out += body
    out += ["> # end of TextFlow",
            "<TextFlow <TFTag `Right'> <TFAutoConnect Yes>",
            "<Para <PgfTag `Header'> <ParaLine <TextRectID 1> "
            "<Variable <VariableName `Current Date (Long)'>>>>",
            "> # end of TextFlow",
            "<TextFlow <TFTag `Reference'>",
            ch.para("Body", "Reference page: artwork for the figures of this chapter. "
                            "It is never printed.", 5),
            "> # end of TextFlow",
            "<TextFlow <TFTag `HIDDEN'>",
            "<Para <PgfTag `Body'> <ParaLine <TextRectID 20> <Conditional <InCondition "
            "`Internal'>> <String %s> <Unconditional>>>"
            % mif_string("Hidden text kept by the host: internal review comments for the "
                         "writers of this chapter.", utf8),
            "> # end of TextFlow",
            "# End of MIFFile"]
    with open(path, "w", encoding="utf-8" if utf8 else "ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def toc(path):
    ch = Chapter(False)
    out = ["<MIFFile 7.00> # %s Operator's Manual: Contents (generated)" % content.PRODUCT,
           "<Units Upt>"] + catalogs(ch)
    out += ["<Page <PageType BodyPage> <TextRect <ID 10> <ShapeRect 72 72 468 648>>>",
            "<TextFlow <TFTag `A'> <TFAutoConnect Yes>", ch.para("Heading1", "Contents", 10)]
    for fmt, text, page in content.TOC_ENTRIES:
        out.append(ch.para(fmt, text + "{tab}" + page))
    out += ["> # end of TextFlow"]
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def book(path, files):
    out = ["<Book 7.00> # %s Operator's Manual" % content.PRODUCT,
           "<BookUpdateReferences Yes>"]
    for name, derive in files:
        out.append("<BookComponent")
        out.append(" <FileName `<c\\>%s'>" % name)
        if derive:
            out += [" <FileNameSuffix `TOC'>", " <DeriveType TOC>", " <DeriveTag `Heading1'>",
                    " <DeriveTag `Heading2'>"]
        out += [" <StartPageSide ReadFromFile>", " <PageNumbering Continue>",
                "> # end of BookComponent"]
    out.append("# End of Book")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(out) + "\n")


def main():
    os.makedirs(MANUAL, exist_ok=True)
    toc(os.path.join(MANUAL, "toc.mif"))
    chapter(os.path.join(MANUAL, "ch1-introduction.mif"), content.CHAPTER1, False, "7.00")
    chapter(os.path.join(MANUAL, "ch2-installation.mif"), content.CHAPTER2, True, "2015")
    chapter(os.path.join(MANUAL, "ch3-operation.mif"), content.CHAPTER3, False, "7.00")
    book(os.path.join(MANUAL, "aquila-manual.book"),
         [("toc.mif", True), ("ch1-introduction.mif", False), ("ch2-installation.mif", False),
          ("ch3-operation.mif", False)])
    with open(os.path.join(SAMPLES, "article.txt"), "w", encoding="utf-8", newline="\n") as f:
        f.write(content.ARTICLE)


if __name__ == "__main__":
    main()
