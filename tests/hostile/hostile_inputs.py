#!/usr/bin/env python3
"""Runs the lexameter tool on small hostile documents, each made here, and checks that it stays
within bounds: the file is refused with one error that names it and the budget it exceeds (or is
read as it should be), the run prints one valid JSON document with --json, and it takes no more
than a few seconds and (unless the build is sanitized) no more than max(64 MB, 32 x the input)
of memory. The inputs are the ones that once ran for minutes or took gigabytes.

    hostile_inputs.py CLI [--markdown] [--xml] [--sanitized]

With --sanitized the memory is not measured (the sanitizers' shadow memory is most of it) and
no address-space limit is set (the address sanitizer reserves terabytes of it).
"""
import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20
TIME_LIMIT = 10.0  # seconds: every case takes well under one
ADDRESS_SPACE_LIMIT = 4096 * MIB  # a broken budget fails the run instead of the machine
MEMORY_FLOOR = 64 * MIB
MEMORY_PER_INPUT_BYTE = 32


def write(folder, name, text, encoding="utf-8"):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding=encoding, newline="") as f:
        f.write(text)
    return path


def docbook(body, entities=""):
    doctype = f"<!DOCTYPE article [{entities}]>\n" if entities else ""
    return f'<?xml version="1.0"?>\n{doctype}<article>{body}</article>\n'


# --- The inputs. Each returns the file to open; the folder holds whatever it needs.


def include_fan_out(folder):
    # 13 files, each including the next four times: 4^12 inclusions of a few hundred bytes.
    for level in range(13):
        body = (
            '<xi:include href="level%d.xml"/>' % (level + 1) * 4
            if level < 12
            else "<para>The last level.</para>"
        )
        write(
            folder,
            "level%d.xml" % level,
            '<?xml version="1.0"?>\n<section xmlns:xi="http://www.w3.org/2001/XInclude">'
            f"<title>Level {level}</title>{body}</section>\n",
        )
    return os.path.join(folder, "level0.xml")


def entity_repeated(folder):
    # A 100 KB entity used 50,000 times: 5 GB of text from 350 KB.
    text = "word " * 20000
    return write(
        folder,
        "repeated.xml",
        docbook("<para>" + "&e;" * 50000 + "</para>", f'<!ENTITY e "{text}">'),
    )


def entity_nested(folder):
    # Two levels in 18 KB: an entity of 4,000 references to an entity of 4,000 characters.
    return write(
        folder,
        "nested.xml",
        docbook(
            "<para>" + "&b;" * 1000 + "</para>",
            '<!ENTITY a "' + "ab " * 1333 + '"><!ENTITY b "' + "&a;" * 3000 + '">',
        ),
    )


def entity_one_paragraph(folder):
    # 2^31 bytes in one paragraph from a 217 KB file: past a 32-bit text offset.
    return write(
        folder,
        "paragraph.xml",
        docbook("<para>" + "&e;" * 21000 + "</para>", '<!ENTITY e "' + "x" * 150000 + '">'),
    )


def entity_of_elements(folder):
    # Elements cost nothing as text; 20,000 empty paragraphs used 50,000 times.
    return write(
        folder,
        "elements.xml",
        docbook("&e;" * 50000, '<!ENTITY e "' + "<para/>" * 20000 + '">'),
    )


def dense_paragraphs(folder):
    # A paragraph every four bytes: the model's objects, not the text, take the memory.
    return write(folder, "dense.html", "<html><body>" + "<p>x" * 330000 + "</body></html>")


def dense_list(folder):
    # A list item every four bytes: the parser's tree of them would take 150 bytes a byte.
    return write(folder, "dense.md", "- x\n" * 330000)


def dense_markdown(name, line_of, size):
    # Short blocks one after another, within the budgets: the parser's tree of the whole file
    # took some 70 bytes a byte.
    def make(folder):
        lines, total, i = [], 0, 0
        while total < size:
            line = line_of(i)
            lines.append(line)
            total += len(line)
            i += 1
        return write(folder, name, "".join(lines))

    return make


def markdown_table(columns, rows, row="|x|"):
    def make(folder):
        header = "|" + "h|" * columns + "\n|" + "-|" * columns + "\n"
        return write(folder, f"table{columns}.md", header + (row + "\n") * rows)

    return make


def dense_inline(name, unit, size):
    # Inline markup every few bytes: the parser's tree of it takes 200 bytes a byte.
    def make(folder):
        return write(folder, name, unit * (size // len(unit)))

    return make


def markdown_long_rows(folder):
    # Splitting a row takes time that grows with the square of its pipes.
    return write(folder, "pipes.md", "|a|b|\n|-|-|\n" + ("|" * 30000 + "\n") * 30)


def summary_to_a_folder(folder):
    # A summary linking to a folder in the book (once "/usr", listed whole before it was refused;
    # now outside the book's folder, refused before that): refused.
    tree = os.path.join(folder, "book", "tree")
    for i in range(20):
        os.makedirs(os.path.join(tree, "d%d" % i, "e"), exist_ok=True)
    write(folder, "book/chapter.md", "# Chapter\n\nSome words here.\n")
    return write(folder, "book/SUMMARY.md", f"# Summary\n\n- [Tree]({tree})\n- [One](chapter.md)\n")


def utf16_declared(folder):
    return write(
        folder,
        "utf16.xml",
        '\ufeff<?xml version="1.0" encoding="UTF-16"?>\n'
        "<article><para>Read as any other file.</para></article>\n",
        encoding="utf-16-le",
    )


def xml_too_deep(folder):
    return write(folder, "deep.xml", docbook("<section>" * 300 + "</section>" * 300))


ENTITIES = "of text after expanding entities (the limit)"
INLINE = "characters of inline markup and line breaks (the limit for its size)"
# name, format (markdown/xml), the input, the exit status, what the one error says (or None: no
# error), what standard output... of the alerts must hold (or None).
CASES = [
    ("include fan-out", "xml", include_fan_out, 2, "level0.xml: more than 4096 XIncludes (the limit)"),
    ("entity repeated", "xml", entity_repeated, 2, "repeated.xml: more than 16 MB " + ENTITIES),
    ("entity nested", "xml", entity_nested, 2, "nested.xml: more than 16 MB " + ENTITIES),
    ("paragraph past 2 GB", "xml", entity_one_paragraph, 2, "paragraph.xml: more than 16 MB " + ENTITIES),
    ("entity of elements", "xml", entity_of_elements, 2,
     "elements.xml: more than 131072 paragraphs, table cells and notes (the limit for its size)"),
    ("dense list", "markdown", dense_list, 2,
     "dense.md: more than 165000 paragraphs, table cells and notes (the limit for its size)"),
    ("dense paragraphs", "xml", dense_paragraphs, 2,
     "dense.html: more than 165003 paragraphs, table cells and notes (the limit for its size)"),
    ("utf-16 declared", "xml", utf16_declared, 0, None),
    ("too deep", "xml", xml_too_deep, 2, "deep.xml:2: malformed XML: elements nested more than 256 deep (the limit)"),
    ("table of 2,000 columns", "markdown", markdown_table(2000, 2000, "x"), 2,
     "table2000.md: a Markdown table of more than 1024 columns (the limit)"),
    ("table of 5,000 columns", "markdown", markdown_table(5000, 3000, "x"), 2,
     "table5000.md: a Markdown table of more than 1024 columns (the limit)"),
    ("table of 1,024 columns", "markdown", markdown_table(1024, 10), 0, None),
    ("padded rows", "markdown", markdown_table(1024, 5000, "x"), 2,
     "table1024.md: Markdown tables of more than 65536 cells in all, counting the cells every "
     "row gets (the limit)"),
    ("dense emphasis", "markdown", dense_inline("emphasis.md", "*a* ", MIB), 2, "emphasis.md: more than 131072 " + INLINE),
    ("dense links", "markdown", dense_inline("links.md", "[a](b) ", MIB), 2, "links.md: more than 131072 " + INLINE),
    ("dense code", "markdown", dense_inline("code.md", "`a` ", MIB), 2, "code.md: more than 131072 " + INLINE),
    ("dense line breaks", "markdown", dense_inline("breaks.md", "a\n", MIB), 2, "breaks.md: more than 131072 " + INLINE),
    # Within the budget at its densest: read, under the memory limit.
    ("list of short items", "markdown", dense_markdown("items.md", lambda i: "- i%06d\n" % i, 5 * MIB // 2), 0, None),
    ("numbered list", "markdown", dense_markdown("numbered.md", lambda i: "%d. i%06d\n" % (i % 9 + 1, i), 5 * MIB // 2), 0, None),
    ("nested lists", "markdown",
     dense_markdown("nested.md", lambda i: ("- a%05d\n", "  - b%05d\n", "    - c%05d\n")[i % 3] % (i // 3), 5 * MIB // 2), 0, None),
    ("table of many rows", "markdown",
     dense_markdown("rows.md", lambda i: "| a | b |\n|---|---|\n" if i == 0 else "| word%06d here and some more words | y |\n" % i, 5 * MIB // 2), 0, None),
    ("one-line paragraphs", "markdown", dense_markdown("paragraphs.md", lambda i: "Line %06d.\n\n" % i, 5 * MIB // 2), 0, None),
    ("emphasis at the limit", "markdown", dense_inline("limit.md", "*a* " + "y" * 35 + " ", 4 * MIB), 0, None),
    # A real change log's density (a link, a code span and a name on every line, a fence that
    # keeps the file whole): one mark every ten bytes, read in full.
    ("change log", "markdown",
     dense_markdown("changelog.md",
                    lambda i: "```\nx\n```\n\n" if i == 0 else
                    "* [Fix a thing](https://example.org/pull/%05d) in `module` by @someone\n" % i,
                    MIB), 0, None),
    ("rows of pipes", "markdown", markdown_long_rows, 2,
     "pipes.md: a Markdown table row of more than 1024 cells (the limit)"),
    ("summary to a folder", "markdown", summary_to_a_folder, 2,
     "tree: a book, not a document: it cannot be a file of a book"),
]


def input_size(folder):
    return sum(
        os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(folder) for f in files
    )


def run(cli, path, sanitized):
    def limits():
        if not sanitized:
            resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE_LIMIT, ADDRESS_SPACE_LIMIT))
        resource.setrlimit(resource.RLIMIT_CPU, (int(TIME_LIMIT) * 3, int(TIME_LIMIT) * 3))

    start = time.monotonic()
    proc = subprocess.Popen(
        [cli, "--json", "stats", path],
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
        preexec_fn=limits,
        cwd=os.path.dirname(path),
    )
    try:
        out, err = proc.communicate(timeout=TIME_LIMIT * 3)
    except subprocess.TimeoutExpired:
        proc.kill()
        out, err = proc.communicate()
    # The child was reaped by communicate; its peak memory is the children's largest so far, so
    # each case runs in a fresh process of its own (see main).
    return proc.returncode, out, err, time.monotonic() - start


def check(cli, case, sanitized):
    name, _, make, status, error = case
    problems = []
    folder = tempfile.mkdtemp(prefix="lx-hostile-")
    try:
        path = make(folder)
        size = input_size(folder)
        code, out, err, seconds = run(cli, path, sanitized)
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024
        if seconds > TIME_LIMIT:
            problems.append(f"took {seconds:.1f} s")
        if code != status:
            problems.append(f"exit status {code}, not {status}: {err.decode(errors='replace')[-300:]}")
        try:
            report = json.loads(out)
            if report.get("exitStatus") != code:
                problems.append(f"exitStatus {report.get('exitStatus')} in the JSON, {code} out")
            errors = report.get("errors", [])
            if error is None and errors:
                problems.append(f"errors {errors}")
            if error is not None and (len(errors) != 1 or not errors[0].endswith(error)):
                problems.append(f"errors {errors}, not one ending in {error!r}")
            if error is not None and errors and "XML_PARSE_HUGE" in errors[0]:
                problems.append("advises an option of the parser")
        except ValueError:
            problems.append(f"no JSON document on standard output: {out[:200]!r}")
        budget = max(MEMORY_FLOOR, MEMORY_PER_INPUT_BYTE * size)
        if not sanitized and peak > budget:
            problems.append(f"used {peak // MIB} MB for {size} bytes (at most {budget // MIB} MB)")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return problems


# Address-space limits under which a book of two large text files runs out of memory at one
# point or another: reading a file, the plug-in's walk, the tool's own counting.
MEMORY_CAPS = [60, 64, 72, 96, 140]


def check_memory_running_out(cli):
    # Whatever runs out, the run ends with errors naming the file it was reading by its full path
    # (not the input as named, nor the book), status 2, and one JSON document: never an abort.
    problems = []
    folder = tempfile.mkdtemp(prefix="lx-hostile-")
    try:
        files = [write(folder, f"big{i}.txt", "ab\n\n" * 1000000) for i in range(2)]
        folder = os.path.realpath(folder)

        def names_a_file(error):
            # The file being read by its full path, however it was named, never the input alone.
            return any(error.startswith(os.path.join(folder, f"big{i}.txt") + ":") for i in range(2))

        # Named as given (relative to the folder), one file and the two as a book. Each must run out
        # under one cap at least, or the caps no longer test anything.
        ran_out = set()
        for cap, names in [(cap, names) for cap in MEMORY_CAPS for names in (["big0.txt"], ["big0.txt", "big1.txt"])]:
            def limits(cap=cap):
                resource.setrlimit(resource.RLIMIT_AS, (cap * MIB, cap * MIB))

            proc = subprocess.run([cli, "--json", "stats"] + names, stdout=subprocess.PIPE, cwd=folder,
                                  stderr=subprocess.PIPE, preexec_fn=limits, timeout=TIME_LIMIT * 3)
            if proc.returncode == 0:
                continue  # fits under the larger caps (how large depends on the files read ahead)
            if proc.returncode == 127 and b"error while loading shared libraries" in proc.stderr:
                continue  # too little to start at all on this machine
            try:
                report = json.loads(proc.stdout)
            except ValueError:
                problems.append(f"{cap} MB: status {proc.returncode}, no JSON document: "
                                f"{proc.stderr.decode(errors='replace')[-200:]}")
                continue
            errors = report.get("errors", [])
            ran_out.add(len(names))
            if proc.returncode != 2 or report.get("exitStatus") != 2:
                problems.append(f"{cap} MB: status {proc.returncode}, not 2")
            if not errors or not all(names_a_file(e) and "out of memory" in e for e in errors):
                problems.append(f"{cap} MB, {len(names)} file(s): errors {errors}")
        for count in (1, 2):
            if count not in ran_out:
                problems.append(f"{count} file(s) never ran out of memory under {MEMORY_CAPS} MB")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return problems


def main():
    cli = os.path.abspath(sys.argv[1])
    flags = set(sys.argv[2:])
    sanitized = "--sanitized" in flags
    if "--case" in sys.argv:  # one case, in a process of its own (for its peak memory)
        case = CASES[int(sys.argv[sys.argv.index("--case") + 1])]
        problems = check(cli, case, sanitized)
        for p in problems:
            print(f"{case[0]}: {p}")
        sys.exit(1 if problems else 0)
    failed = passed = 0
    if "--memory" in sys.argv:  # in a process of its own, as every case
        problems = check_memory_running_out(cli)
        for p in problems:
            print(f"memory running out: {p}")
        sys.exit(1 if problems else 0)
    if not sanitized and "--markdown" in flags:
        result = subprocess.run([sys.executable, __file__, cli, "--memory"], stdout=subprocess.PIPE, text=True)
        passed, failed = (1, 0) if result.returncode == 0 else (0, 1)
        print(result.stdout, end="")
    for i, case in enumerate(CASES):
        if "--" + case[1] not in flags:
            continue
        args = [sys.executable, __file__, cli, "--case", str(i)] + (["--sanitized"] if sanitized else [])
        result = subprocess.run(args, stdout=subprocess.PIPE, text=True)
        if result.returncode == 0:
            passed += 1
        else:
            failed += 1
            print(result.stdout, end="")
    print(f"{passed} passed, {failed} failed")
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
