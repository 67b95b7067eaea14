#!/usr/bin/env bash
# Renders the HTML report of the sample book in headless Chromium and checks the rendered DOM:
# the page is what a browser builds from it (not only what the tool wrote), the chart has one bar
# per file of the book, and the hot spots are listed with their text. The page and a screenshot
# are kept in the build tree's artifacts folder.
#
#   html_browser_test.sh LEXAMETER SOURCE_DIR ARTIFACT_DIR
#
# Chromium is Debian's package, which scripts/deps installs. Without it the test is skipped
# (exit 77) with a message, except under CI (CI=true), where a test that did not run is a failure.
set -uo pipefail
tool=$1 src=$2 artifacts=$3
skip_status=77

skip() {
    if [ "${CI:-}" = true ]; then
        echo "html_browser_test: FAILED: $* (under CI the browser test must run)" >&2
        exit 1
    fi
    echo "html_browser_test: SKIPPED: $*" >&2
    exit $skip_status
}
fail() {
    echo "html_browser_test: FAILED: $*" >&2
    exit 1
}

browser=$(command -v chromium || command -v chromium-browser || true)
[ -n "$browser" ] || skip "Chromium is not installed (Debian package 'chromium': run scripts/deps)"

mkdir -p "$artifacts" || fail "cannot make $artifacts"
page=$artifacts/aquila-manual-report.html
cd "$src" || fail "no source folder $src"
"$tool" html --force --config tests/e2e/data/thresholds.toml -o "$page" samples/manual/aquila-manual.book ||
    fail "lexameter html exited with status $?"

profile=$(mktemp -d "${TMPDIR:-/tmp}/lexameter-chromium.XXXXXX")
trap 'rm -rf "$profile"' EXIT
run_browser() {
    timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" "$@" "file://$page" 2>"$profile/stderr"
}
dom=$(run_browser --dump-dom) || fail "chromium could not render the page: $(tail -3 "$profile/stderr")"
run_browser --window-size=1200,2000 --screenshot="$artifacts/aquila-manual-report.png" >/dev/null ||
    fail "chromium could not take the screenshot"
[ -s "$artifacts/aquila-manual-report.png" ] || fail "no screenshot written"

count() { grep -o "$1" <<<"$dom" | wc -l; }
bars=$(count 'class="bar"')
[ "$bars" -eq 3 ] || fail "the chart has $bars bars, not one per file (3)"
[ "$(count 'class="threshold"')" -eq 1 ] || fail "no threshold line for the configured grade"
[ "$(count 'class="hotspot"')" -ge 3 ] || fail "the hot spots are not listed"
grep -q 'id="hardest"' <<<"$dom" || fail "no list of the hardest paragraphs"
grep -q 'Because the pump runs only as fast as the demand requires' <<<"$dom" ||
    fail "the hardest paragraph's text is not shown"
grep -q "Content-Security-Policy" <<<"$dom" || fail "no Content-Security-Policy"
grep -qi '<script' <<<"$dom" && fail "the page has a script"
grep -q '<details>' <<<"$dom" || fail "the word list is not collapsed"
echo "html_browser_test: the rendered page has 3 bars, the threshold line and the hot spots;" \
     "screenshot in $artifacts/aquila-manual-report.png"
