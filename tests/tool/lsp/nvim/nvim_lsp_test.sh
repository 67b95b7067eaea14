#!/usr/bin/env bash
# The language server in a real editor: Neovim (headless, its built-in LSP client) opens a sample
# Markdown file in a folder with a configuration, attaches `lexameter lsp`, waits for the
# diagnostics and writes their lines, a hover and the document's figures to a file that is
# compared with expected.txt.
#
#   nvim_lsp_test.sh LEXAMETER
#
# Neovim is Debian's package 'neovim', which scripts/deps installs. Without it the test is skipped
# (exit 77) with a message, except under CI (CI=true), where a test that did not run is a failure.
set -uo pipefail
tool=$(realpath "$1") || { echo "nvim_lsp_test: FAILED: no tool $1" >&2; exit 1; }
here=$(cd "$(dirname "$0")" && pwd)
skip_status=77

skip() {
    if [ "${CI:-}" = true ]; then
        echo "nvim_lsp_test: FAILED: $* (under CI the editor test must run)" >&2
        exit 1
    fi
    echo "nvim_lsp_test: SKIPPED: $*" >&2
    exit $skip_status
}
fail() {
    echo "nvim_lsp_test: FAILED: $*" >&2
    exit 1
}

command -v nvim >/dev/null || skip "Neovim is not installed (Debian package 'neovim': run scripts/deps)"

work=$(mktemp -d "${TMPDIR:-/tmp}/lexameter-nvim.XXXXXX") || fail "cannot make a folder"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs/guide" "$work/home" || fail "cannot make the sample's folders"
cp "$here/sample.md" "$work/docs/guide/sample.md" || fail "cannot copy the sample"
# The configuration lies a folder above the buffer's: the server looks upward for it.
cp "$here/lexameter.toml" "$work/docs/.lexameter.toml" || fail "cannot copy the configuration"

# Neovim's own state (log, shada) stays in the work folder.
export HOME=$work/home XDG_STATE_HOME=$work/home XDG_CACHE_HOME=$work/home XDG_DATA_HOME=$work/home
export LX_LEXAMETER=$tool LX_SAMPLE=$work/docs/guide/sample.md LX_OUT=$work/seen.txt LX_HOVER_LINE=5
(cd "$work" && timeout 120 nvim --headless --clean -u "$here/test-init.lua") >"$work/nvim.log" 2>&1 ||
    fail "nvim exited with status $?: $(tail -5 "$work/nvim.log")"
[ -s "$work/seen.txt" ] || fail "the editor wrote nothing: $(tail -5 "$work/nvim.log")"
if ! diff -u "$here/expected.txt" "$work/seen.txt" >&2; then
    fail "what the editor holds differs from expected.txt (the diff above)"
fi
echo "nvim_lsp_test: Neovim $(nvim --version | head -1 | cut -d' ' -f2) holds the expected diagnostics, hover and figures"
