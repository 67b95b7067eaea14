#!/usr/bin/env python3
"""Runs every end-to-end case of tests/e2e/cases.txt with --json and checks that standard output
is exactly one JSON document valid against schema/lexameter-run.schema.json, that its exitStatus
is the process's exit status, and that nothing goes to standard error.

    check_json.py CLI SOURCE_DIR
"""
import json
import os
import subprocess
import sys

try:
    import jsonschema
except ImportError:
    # Skipped (CTest's skip status) where the module is missing, except under CI.
    if os.environ.get("CI") == "true":
        sys.exit("check_json: FAILED: Python's jsonschema is missing (under CI the check must run)")
    print("check_json: SKIPPED: Python's jsonschema is missing (python3-jsonschema: run "
          "scripts/deps)", file=sys.stderr)
    sys.exit(77)

# Runs that are not cases of cases.txt: help, version, and the usage errors that stop before a
# command runs.
EXTRA_RUNS = [
    ["--help"],
    ["--version"],
    ["help"],
    ["help", "report"],
    ["report", "--help"],
    ["help", "no-such-command"],
    [],
    ["stats"],
    ["--out"],
]


def cases(source):
    with open(f"{source}/tests/e2e/cases.txt", encoding="utf-8") as f:
        for line in f:
            words = line.split()
            if not words or words[0].startswith("#"):
                continue
            # An underscore in an argument stands for a blank inside it; "<FILE" names the
            # file read as standard input.
            args = [w.replace("_", " ") for w in words[1:] if not w.startswith("<")]
            inputs = [w[1:] for w in words[1:] if w.startswith("<")]
            yield words[0], args, (inputs[0] if inputs else None)
    for i, args in enumerate(EXTRA_RUNS):
        yield f"extra-{i}", args, None


def main():
    cli, source = sys.argv[1], sys.argv[2]
    with open(f"{source}/schema/lexameter-run.schema.json", encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft7Validator.check_schema(schema)
    validator = jsonschema.Draft7Validator(schema)
    failures = 0
    count = 0
    for name, args, input_file in cases(source):
        argv = [cli] + ([] if "--json" in args else ["--json"]) + args
        if input_file:
            with open(f"{source}/{input_file}", "rb") as f:
                run = subprocess.run(argv, cwd=source, stdin=f, capture_output=True)
        else:
            run = subprocess.run(argv, cwd=source, stdin=subprocess.DEVNULL,
                                 capture_output=True)
        count += 1
        problems = []
        try:
            # json.loads refuses anything after the one document but blanks.
            document = json.loads(run.stdout.decode("utf-8"))
        except (UnicodeDecodeError, json.JSONDecodeError) as e:
            problems.append(f"standard output is not one JSON document: {e}")
            document = None
        if document is not None:
            for error in sorted(validator.iter_errors(document), key=str):
                path = "/".join(str(p) for p in error.absolute_path)
                problems.append(f"schema: at /{path}: {error.message}")
            if isinstance(document, dict) and document.get("exitStatus") != run.returncode:
                problems.append(f"exitStatus {document.get('exitStatus')} but the process "
                                f"exited {run.returncode}")
        if run.stderr:
            problems.append("standard error is not empty: "
                            + run.stderr.decode("utf-8", "replace")[:200])
        if problems:
            failures += 1
            print(f"FAILED {name}: {' '.join(argv[1:])}")
            for p in problems[:10]:
                print(f"  {p}")
    print(f"{count - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
