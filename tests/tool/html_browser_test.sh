#!/usr/bin/env bash
# Renders the HTML report of the sample book in headless Chromium and checks the rendered DOM:
# the page is what a browser builds from it (not only what the tool wrote), the chart has one bar
# per file of the book, and the hot spots are listed with their text. html_dom_check.py checks the
# paragraph strips (a block per paragraph, headings drawn as headings, each block's place, grade
# and link), counts of one in the singular, the longest sentences with their stops and the
# sentence length histograms; and, from a copy of the page with a script that measures its
# layout, that each result of "Measures per file" takes one line and what it missed at most two. The page,
# the DOMs and a screenshot are kept in the build tree's artifacts folder.
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
dom=$(run_browser --window-size=1200,2000 --dump-dom) ||
    fail "chromium could not render the page: $(tail -3 "$profile/stderr")"
printf '%s\n' "$dom" >"$artifacts/aquila-manual-report.dom.html"
run_browser --window-size=1200,3400 --screenshot="$artifacts/aquila-manual-report.png" >/dev/null ||
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

# The layout, measured by a script in a copy of the page without the policy that forbids scripts.
probe=$artifacts/aquila-manual-report-probe.html
probe_script='<script>
function lines(td) {
  const tops = new Set();
  const texts = document.createTreeWalker(td, NodeFilter.SHOW_TEXT);
  for (let node = texts.nextNode(); node; node = texts.nextNode()) {
    const range = document.createRange();
    range.selectNodeContents(node);
    for (const r of range.getClientRects()) tops.add(Math.round(r.top));
  }
  return tops.size;
}
const results = [...document.querySelectorAll("td.result")].map(lines);
const misses = [...document.querySelectorAll("tr.misses td.fail")].map(lines);
let drawn = 0;
for (const r of document.querySelectorAll("svg.strip rect"))
  if (r.getBoundingClientRect().width > 0) drawn++;
document.body.setAttribute("data-probe", JSON.stringify({results, misses, blocksDrawn: drawn}));
</script>'
{ grep -v -e 'Content-Security-Policy' -e '^</body>$' -e '^</html>$' "$page" &&
    printf '%s\n</body>\n</html>\n' "$probe_script"; } >"$probe" ||
    fail "cannot write $probe"
page=$probe
run_browser --window-size=1200,2000 --dump-dom >"$artifacts/aquila-manual-report-probe.dom.html" ||
    fail "chromium could not render the probe page"
command -v python3 >/dev/null || skip "python3 is not installed"
python3 "$src/tests/tool/html_dom_check.py" "$artifacts/aquila-manual-report.dom.html" "$artifacts" \
    "$artifacts/aquila-manual-report-probe.dom.html" || fail "the page's DOM or layout is wrong"
echo "html_browser_test: the rendered page has 3 bars, the threshold line and the hot spots;" \
     "screenshot in $artifacts/aquila-manual-report.png"
