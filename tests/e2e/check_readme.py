#!/usr/bin/env python3
"""Checks that the README's examples of the lexameter tool are verbatim true: in each code block
that starts with "$ lexameter ...", each command is followed by exactly what it prints on standard
output (a line "..." stands for one or more lines left out; one blank line separates an output from
the next command), and the block after "The first command prints:" is
what scripts/lexameter prints, the report of the sample book. Commands piped into other programs
are left out.

    check_readme.py CLI SOURCE_DIR
"""
import re
import shlex
import subprocess
import sys

ELISION = "..."
# Blocks that show what another command prints, by the line before the block.
NAMED_BLOCKS = {
    "The first command prints:": ["report", "samples/manual/aquila-manual.book"],
}


def blocks(readme):
    """Yields (the line before the block, the block's lines)."""
    lines = readme.split("\n")
    i = 0
    while i < len(lines):
        if lines[i].startswith("```"):
            before = next((l for l in reversed(lines[:i]) if l.strip()), "")
            j = i + 1
            while j < len(lines) and not lines[j].startswith("```"):
                j += 1
            yield before, lines[i + 1:j]
            i = j + 1
        else:
            i += 1


def matches(expected, actual):
    """Whether the lines match, "..." standing for one or more lines."""
    if not expected:
        return not actual
    if expected[0] == ELISION:
        return any(matches(expected[1:], actual[k:]) for k in range(1, len(actual) + 1))
    return bool(actual) and expected[0] == actual[0] and matches(expected[1:], actual[1:])


def main():
    cli, source = sys.argv[1], sys.argv[2]
    with open(f"{source}/README.md", encoding="utf-8") as f:
        readme = f.read()
    examples = []
    for before, lines in blocks(readme):
        if before.strip() in NAMED_BLOCKS:
            examples.append((NAMED_BLOCKS[before.strip()], lines))
        elif lines and lines[0].startswith("$ lexameter "):
            # Several commands in a block: one blank line before each "$ " line separates them
            # (no output ends in a blank line). A block of commands alone shows no output.
            starts = [k for k, l in enumerate(lines) if l.startswith("$ ")]
            if len(starts) == len(lines):
                continue
            for n, k in enumerate(starts):
                end = starts[n + 1] if n + 1 < len(starts) else len(lines)
                output = lines[k + 1:end]
                if n + 1 < len(starts):
                    if not output or output[-1] != "":
                        examples.append((None, [lines[k]]))
                        continue
                    output = output[:-1]
                if "|" not in lines[k]:
                    examples.append((shlex.split(lines[k][2:])[1:], output))
    failures = 0
    for args, expected in examples:
        if args is None:
            failures += 1
            print(f"FAILED: no blank line between the output and the next command: {expected[0]}")
            continue
        run = subprocess.run([cli] + args, cwd=source, stdin=subprocess.DEVNULL,
                             capture_output=True)
        # The block's lines are the output's lines: its last line ends in a newline.
        actual = run.stdout.decode("utf-8", "replace").split("\n")
        if actual and actual[-1] == "":
            actual.pop()
        # A gate that reports a missed threshold exits 4 with its table; any other status but 0
        # is a failure of the example.
        allowed = (0, 4) if "check" in args else (0,)
        if run.returncode not in allowed or not matches(expected, actual):
            failures += 1
            print(f"FAILED: lexameter {' '.join(args)} (exit {run.returncode})")
            for line in [l for l in expected if l != ELISION][:3]:
                print(f"  README: {line!r}")
            for line in actual[:3]:
                print(f"  actual: {line!r}")
    print(f"{len(examples) - failures} passed, {failures} failed")
    return 1 if failures or not examples else 0


if __name__ == "__main__":
    sys.exit(main())
