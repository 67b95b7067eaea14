#!/usr/bin/env python3
"""A scripted client of `lexameter lsp`: bad input of every kind, answered with JSON-RPC errors
while the server goes on, and a normal session (initialize, open, change, save, hover, the
figures command, close, shutdown, exit) on buffers with a configuration file above them.

    lsp_client_test.py LEXAMETER
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

TOOL = os.path.abspath(sys.argv[1])
failures = []

PARSE_ERROR, INVALID_REQUEST, METHOD_NOT_FOUND, INVALID_PARAMS = -32700, -32600, -32601, -32602
NOT_INITIALIZED = -32002
LIMIT = 64 << 20


def frame(message):
    body = message if isinstance(message, bytes) else json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def request(id_, method, params=None):
    m = {"jsonrpc": "2.0", "id": id_, "method": method}
    if params is not None:
        m["params"] = params
    return frame(m)


def notify(method, params=None):
    m = {"jsonrpc": "2.0", "method": method}
    if params is not None:
        m["params"] = params
    return frame(m)


INIT = request(1, "initialize", {"capabilities": {}, "rootUri": None}) + notify("initialized", {})
END = request(900, "shutdown") + notify("exit")


def run(data, cwd=None):
    """The server's exit status and the messages it wrote, for all of data sent at once."""
    p = subprocess.run([TOOL, "lsp"], input=data, capture_output=True, timeout=120, cwd=cwd)
    if b"Sanitizer" in p.stderr:
        failures.append("a sanitizer's report:\n" + p.stderr.decode(errors="replace")[:2000])
    out, messages = p.stdout, []
    while out:
        head, sep, rest = out.partition(b"\r\n\r\n")
        if not sep or not head.startswith(b"Content-Length: "):
            failures.append("unframed output: %r" % out[:80])
            break
        n = int(head[len(b"Content-Length: "):])
        messages.append(json.loads(rest[:n]))
        out = rest[n:]
    return p.returncode, messages


def answers(messages):
    """(id, error code or None) for each response, in order."""
    return [(m.get("id"), m["error"]["code"] if "error" in m else None)
            for m in messages if "method" not in m]


def check(name, got, want):
    if got != want:
        failures.append("%s:\n  got  %r\n  want %r" % (name, got, want))


# Bad input: what is sent after initialize, and the answers expected before shutdown's (id 900).
# The server must still be there to answer shutdown, and end with status 0 after exit.
BAD_INPUT = [
    ("malformed JSON", frame(b'{"jsonrpc": "2.0", "id": 5, "method"'), [(None, PARSE_ERROR)]),
    ("no Content-Length", b"Content-Type: application/json\r\n\r\n" +
     json.dumps({"jsonrpc": "2.0", "id": 6, "method": "shutdown"}).encode(),
     [(None, PARSE_ERROR)]),
    ("Content-Length too short", b"Content-Length: 10\r\n\r\n" +
     json.dumps({"jsonrpc": "2.0", "id": 7, "method": "x"}).encode(), [(None, PARSE_ERROR)]),
    ("Content-Length not a number", b"Content-Length: twelve\r\n\r\n{}", [(None, PARSE_ERROR)]),
    ("Content-Length negative", b"Content-Length: -4\r\n\r\n{}", [(None, PARSE_ERROR)]),
    ("a body over the limit", b"Content-Length: %d\r\n\r\n" % (LIMIT + 1) + b" " * (LIMIT + 1),
     [(None, PARSE_ERROR)]),
    ("not an object", frame(b"[]") + frame(b"17"),
     [(None, INVALID_REQUEST), (None, INVALID_REQUEST)]),
    ("a batch", frame([{"jsonrpc": "2.0", "id": 8, "method": "shutdown"}]),
     [(None, INVALID_REQUEST)]),
    ("wrong version", frame({"jsonrpc": "1.0", "id": 9, "method": "shutdown"}),
     [(9, INVALID_REQUEST)]),
    ("method not a string", frame({"jsonrpc": "2.0", "id": 10, "method": 4}),
     [(10, INVALID_REQUEST)]),
    ("id an object", frame({"jsonrpc": "2.0", "id": {"a": 1}, "method": "shutdown"}),
     [(None, INVALID_REQUEST)]),
    ("params not structured", frame({"jsonrpc": "2.0", "id": 11, "method": "shutdown",
                                     "params": 3}), [(11, INVALID_REQUEST)]),
    ("unknown method", request(12, "textDocument/completion", {}), [(12, METHOD_NOT_FOUND)]),
    ("unknown notification", notify("$/setTrace", {"value": "off"}) + notify("nonsense"), []),
    ("initialize twice", request(13, "initialize", {"capabilities": {}}),
     [(13, INVALID_REQUEST)]),
    ("hover without a position", request(14, "textDocument/hover",
                                         {"textDocument": {"uri": "file:///a.md"}}),
     [(14, INVALID_PARAMS)]),
    ("change of a buffer never opened", request(15, "textDocument/didChange", {
        "textDocument": {"uri": "file:///nowhere.md", "version": 2},
        "contentChanges": [{"text": "x"}]}), [(15, INVALID_PARAMS)]),
    ("an unknown command", request(16, "workspace/executeCommand", {"command": "rm"}),
     [(16, INVALID_PARAMS)]),
    ("an answer the server did not ask for", frame({"jsonrpc": "2.0", "id": 17, "result": 1}),
     []),
]

for name, sent, want in BAD_INPUT:
    status, messages = run(INIT + sent + END)
    got = answers(messages)
    check(name + ": initialize answered", got[:1], [(1, None)])
    check(name + ": answers", got[1:], want + [(900, None)])
    check(name + ": exit status", status, 0)

# Before initialize: a request is refused with -32002, a notification is dropped, and the server
# then initializes as usual.
status, messages = run(request(2, "textDocument/hover", {}) +
                       notify("textDocument/didOpen", {"textDocument": {
                           "uri": "file:///a.md", "languageId": "markdown", "version": 1,
                           "text": "Words."}}) + INIT + END)
check("before initialize", answers(messages), [(2, NOT_INITIALIZED), (1, None), (900, None)])

# How the server ends: exit after shutdown 0; exit alone, or the end of input, 1; after shutdown
# a request is refused, and nothing after exit is read.
ENDINGS = [
    ("shutdown, exit", INIT + END, 0, [(1, None), (900, None)]),
    ("exit without shutdown", INIT + notify("exit") + request(3, "shutdown"), 1, [(1, None)]),
    ("end of input", INIT, 1, [(1, None)]),
    ("end of input inside a header", INIT + b"Content-Len", 1, [(1, None), (None, PARSE_ERROR)]),
    ("end of input inside a body", INIT + b"Content-Length: 50\r\n\r\n{", 1,
     [(1, None), (None, PARSE_ERROR)]),
    ("request after shutdown", INIT + request(4, "shutdown") + request(5, "textDocument/hover", {})
     + notify("exit"), 0, [(1, None), (4, None), (5, INVALID_REQUEST)]),
]
for name, sent, want_status, want in ENDINGS:
    status, messages = run(sent)
    check(name + ": answers", answers(messages), want)
    check(name + ": exit status", status, want_status)


# A normal session in a folder tree whose configuration lies above the buffer's folder.
def diagnostics_of(messages, uri):
    return [m["params"] for m in messages
            if m.get("method") == "textDocument/publishDiagnostics" and m["params"]["uri"] == uri]


work = tempfile.mkdtemp(prefix="lexameter-lsp-test.")
try:
    os.makedirs(os.path.join(work, "docs", "guide"))
    with open(os.path.join(work, "docs", ".lexameter.toml"), "w") as f:
        f.write("[thresholds]\nmax_fkgl = 8\n")
    path = os.path.join(work, "docs", "guide", "page.md")
    uri = "file://" + path
    hard = ("# Setting up\n\nThe configuration of the synchronisation infrastructure necessitates "
            "considerable administrative deliberation. Organisational responsibilities "
            "accumulate unpredictably. Documentation simplifies everything considerably.\n")
    easy = "# Setting up\n\nRun the tool. It reads the file. Then it stops.\n"
    session = (INIT +
               notify("textDocument/didOpen", {"textDocument": {
                   "uri": uri, "languageId": "markdown", "version": 1, "text": hard}}) +
               request(20, "workspace/executeCommand",
                       {"command": "lexameter.documentFigures", "arguments": [uri]}) +
               notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 2},
                                                 "contentChanges": [{"text": easy}]}) +
               notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 3},
                                                 "contentChanges": [{"range": {
                                                     "start": {"line": 2, "character": 0},
                                                     "end": {"line": 2, "character": 3}},
                                                     "text": "Start"}]}) +
               request(21, "workspace/executeCommand",
                       {"command": "lexameter.documentFigures", "arguments": [{"uri": uri}]}) +
               notify("textDocument/didSave", {"textDocument": {"uri": uri}, "text": hard}) +
               notify("textDocument/didClose", {"textDocument": {"uri": uri}}) +
               request(22, "workspace/executeCommand",
                       {"command": "lexameter.documentFigures", "arguments": [uri]}) +
               END)
    status, messages = run(session, cwd="/")
    check("session: exit status", status, 0)
    init = next(m for m in messages if m.get("id") == 1)["result"]["capabilities"]
    check("session: capabilities", (init["textDocumentSync"]["change"], init["hoverProvider"],
                                    init["executeCommandProvider"]["commands"]),
          (1, True, ["lexameter.documentFigures"]))
    published = diagnostics_of(messages, uri)
    check("session: publications (open, change, change, save, close)",
          [(p.get("version"), len(p["diagnostics"])) for p in published],
          [(1, 1), (2, 0), (3, 0), (3, 1), (None, 0)])
    first = published[0]["diagnostics"][0] if published and published[0]["diagnostics"] else {}
    check("session: a diagnostic's kind",
          (first.get("severity"), first.get("source"), first.get("code")),
          (2, "lexameter", "max-fkgl"))
    figures = {m["id"]: m.get("result") for m in messages if m.get("id") in (20, 21)}
    check("session: the figures command",
          [(figures[i]["counts"]["words"], figures[i]["counts"]["sentences"],
            figures[i]["config"]) for i in (20, 21)],
          [(20, 4, os.path.join(work, "docs", ".lexameter.toml")),
           (12, 4, os.path.join(work, "docs", ".lexameter.toml"))])
    check("session: the figures of a closed buffer", answers(messages)[-2:],
          [(22, INVALID_PARAMS), (900, None)])

    # Places and hover: findings at their line and UTF-16 column (the emoji is two units, "é"
    # one), a hover on each line of a paragraph and none on a blank line.
    with open(os.path.join(work, "docs", ".lexameter.toml"), "w") as f:
        f.write("[thresholds]\nmax_sentence_length = 6\n")
    placed = ("# Pumps\n"
              "\n"
              "Caf\u00e9 \U0001F600 ok. The pump moves the water to the tank on the roof.\n"
              "It stops when the tank is full of water again.\n"
              "\n"
              "    code is not counted at all here\n")
    position_session = (INIT +
                        notify("textDocument/didOpen", {"textDocument": {
                            "uri": uri, "languageId": "markdown", "version": 1, "text": placed}}) +
                        b"".join(request(30 + line, "textDocument/hover", {
                            "textDocument": {"uri": uri},
                            "position": {"line": line, "character": 2}}) for line in range(6)) +
                        END)
    status, messages = run(position_session)
    published = diagnostics_of(messages, uri)
    check("places: the diagnostics' ranges",
          [(d["code"], d["range"]["start"], d["range"]["end"]) for d in published[0]["diagnostics"]]
          if published else None,
          [("max-sentence-length", {"line": 2, "character": 12}, {"line": 2, "character": 61}),
           ("max-sentence-length", {"line": 3, "character": 0}, {"line": 3, "character": 46})])
    hovers = {m["id"] - 30: m.get("result") for m in messages if 30 <= m.get("id", 0) < 40}
    check("places: hover by line",
          [hovers[line]["contents"]["value"].split("\n")[0] if hovers[line] else None
           for line in range(6)],
          ["**Paragraph 1** (Heading1)", None, "**Paragraph 2** (Body)",
           "**Paragraph 2** (Body)", None, None])

    # What cannot be measured is one error at the buffer's start that says why.
    ERRORS = [
        ("a configuration that is not TOML", "max_grade = = 3\n", "page.md", "# Title\n",
         "configuration", ".lexameter.toml"),
        ("a buffer its reader refuses", "", "broken.xml", "<chapter><para>Text</chapter",
         "read", "broken.xml"),
    ]
    for name, config, file_name, text, code, named in ERRORS:
        with open(os.path.join(work, "docs", ".lexameter.toml"), "w") as f:
            f.write(config)
        broken_uri = "file://" + os.path.join(work, "docs", "guide", file_name)
        status, messages = run(INIT + notify("textDocument/didOpen", {"textDocument": {
            "uri": broken_uri, "languageId": "", "version": 1, "text": text}}) + END)
        published = diagnostics_of(messages, broken_uri)
        got = published[0]["diagnostics"] if published else []
        check(name, [(d["severity"], d["code"], named in d["message"]) for d in got],
              [(1, code, True)])
        check(name + ": exit status", status, 0)
finally:
    shutil.rmtree(work, ignore_errors=True)

for f in failures:
    print("FAILED: " + f, file=sys.stderr)
if failures:
    sys.exit(1)
print("lsp_client_test: every case answered as expected")
