#!/usr/bin/env bash
# The plug-in module's dynamic symbol table defines exactly one symbol, the entry F_ApiClientInit:
# anything else it exports could bind to, or be bound by, a symbol of the same name in the host
# or in another plug-in loaded into the same process.
#
#   exports_test.sh MODULE
#
# Needs nm (binutils); without it the test is skipped (exit 77), except under CI (CI=true).
set -uo pipefail
module=$1
entry=F_ApiClientInit

if ! command -v nm >/dev/null; then
    if [ "${CI:-}" = true ]; then
        echo "exports_test: FAILED: nm not found (under CI the test must run)" >&2
        exit 1
    fi
    echo "exports_test: SKIPPED: nm not found (package binutils)" >&2
    exit 77
fi
[ -f "$module" ] || { echo "exports_test: FAILED: no module $module" >&2; exit 1; }

symbols=$(nm -D --defined-only "$module") || { echo "exports_test: FAILED: nm cannot read $module" >&2; exit 1; }
names=$(awk '{ print $NF }' <<<"$symbols")
others=$(grep -vx "$entry" <<<"$names" || true)
if [ -n "$others" ]; then
    echo "exports_test: FAILED: $module exports more than $entry:" >&2
    grep -vw "$entry" <<<"$symbols" >&2
    exit 1
fi
grep -qx "$entry" <<<"$names" || { echo "exports_test: FAILED: $module does not export $entry" >&2; exit 1; }
echo "exports_test: $module exports $entry and nothing else"
