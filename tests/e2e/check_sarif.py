#!/usr/bin/env python3
"""Writes `lexameter check --format sarif` logs of a few inputs (findings of every kind, none at
all, file names that a URI must encode) and validates each with Microsoft's SARIF multitool
(npm @microsoft/sarif-multitool, `sarif-multitool validate`): any error or warning it reports
fails the check. The multitool is looked for as $LX_SARIF_MULTITOOL, then on PATH.

    check_sarif.py CLI SOURCE_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

# The runs: arguments of `lexameter check --format sarif`, run in the source folder.
RUNS = [
    ("book-every-rule", ["--max-grade", "8", "--min-ease", "80", "--max-sentence-length", "20",
                         "--max-paragraph-grade", "8", "samples/manual/aquila-manual.book"]),
    ("no-findings", ["--max-grade", "30", "samples/article.txt"]),
    ("no-rules", ["samples/article.txt"]),
    ("names", ["--max-sentence-length", "3", "tests/e2e/data/names/café.txt",
               "tests/e2e/data/names/Москва.txt"]),
]


def find_multitool():
    given = os.environ.get("LX_SARIF_MULTITOOL")
    if given:
        return given
    return shutil.which("sarif-multitool")


def main():
    cli, source = sys.argv[1], sys.argv[2]
    tool = find_multitool()
    if not tool:
        # Skipped (CTest's skip status) where the multitool is missing, except under CI, where
        # scripts/deps installs it and a missing one is a broken machine.
        if os.environ.get("CI") == "true":
            sys.exit("check_sarif: FAILED: sarif-multitool is missing (under CI the check must "
                     "run; scripts/deps installs it with npm)")
        print("check_sarif: SKIPPED: sarif-multitool is missing (npm install -g "
              "@microsoft/sarif-multitool, or run scripts/deps)", file=sys.stderr)
        return 77
    failures = 0
    with tempfile.TemporaryDirectory(prefix="lx-check-sarif-") as work:
        for name, args in RUNS:
            log = os.path.join(work, name + ".sarif")
            run = subprocess.run([cli, "check", "--format", "sarif", *args], cwd=source,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            if run.returncode not in (0, 4):
                print(f"{name}: lexameter exited {run.returncode}: {run.stderr.decode()}")
                failures += 1
                continue
            with open(log, "wb") as f:
                f.write(run.stdout)
            results = validate(tool, log, os.path.join(work, name + ".validation.sarif"))
            if results is None:
                failures += 1
                continue
            bad = [r for r in results if r.get("level", "warning") in ("error", "warning")]
            for r in bad:
                print(f"{name}: {r.get('level', 'warning')} {r.get('ruleId')}: "
                      f"{json.dumps(r.get('message'))}")
            failures += 1 if bad else 0
            print(f"{name}: {len(json.loads(run.stdout)['runs'][0]['results'])} results, "
                  f"{len(bad)} problems")
    print(f"check_sarif: {len(RUNS) - failures} passed, {failures} failed")
    return 1 if failures else 0


def validate(tool, log, output):
    """The multitool's findings about the log, or None when it did not run through. It exits 0
    whatever it finds, so its own SARIF output is read."""
    run = subprocess.run([tool, "validate", log, "--output", output, "--log", "ForceOverwrite"],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if run.returncode != 0 or not os.path.exists(output):
        print(f"{os.path.basename(log)}: sarif-multitool exited {run.returncode}:\n"
              f"{run.stdout.decode(errors='replace')}")
        return None
    with open(output, encoding="utf-8-sig") as f:
        return [r for run in json.load(f)["runs"] for r in run.get("results", [])]


if __name__ == "__main__":
    sys.exit(main())
