#!/usr/bin/env python3
"""Checks the layering of the source folders: which folder's headers each file may include, which
libraries each folder's CMake targets may link, that no two folders include each other, and that
the plug-in's folders include no operating-system header. Prints the rules, then every breach.

    check_layers.py SOURCE_DIR

Exit status 0 when every rule holds, 1 otherwise.
"""
import os
import re
import sys

# The plug-in's layers, lowest first: each may use the layers below it.
PLUGIN_LAYERS = ["platform", "support", "runtime", "analysis", "output", "client"]

# The runtime's public headers: the data types and the interface's slot list. The headless host
# builds against these and nothing else of the plug-in.
PUBLIC_API = {
    "support/api_types.h",
    "runtime/api_slots.h",
    "runtime/interface_ids.h",
    "runtime/sink_interfaces.h",
}

# What each unit (a folder, or a file given by its path) may include besides its own headers:
# whole folders, and the public headers. A file belongs to the unit of the longest matching path.
RULES = {
    # Generated data (version resource, FrameRoman table) that anyone may include.
    "resources": [],
    # The converter generator, a build-time program, shares the encodings' byte ranges.
    "resources/ucm_gen.cpp": ["support", "platform"],
    # The host's model knows no reader; the readers build the model; the COM side serves both.
    "host/model": ["platform", "resources", "PUBLIC_API"],
    "host/formats": ["host/model", "platform", "resources", "PUBLIC_API"],
    "host/api": ["host/formats", "host/model", "platform", "resources", "PUBLIC_API"],
    # The tool: the host, and the analysis and output libraries as a second client; never the
    # plug-in's client folder, which is reached as the loaded module only.
    "tool": ["host/api", "host/formats", "host/model"] + PLUGIN_LAYERS[:-1] + ["resources"],
}
for i, layer in enumerate(PLUGIN_LAYERS):
    RULES[layer] = list(reversed(PLUGIN_LAYERS[:i])) + ["resources"]

# The CMake targets of each unit; a target may link targets of its own unit and of the units its
# unit may include. Of the runtime the host links only the public headers' interface library.
TARGETS = {
    "platform": {
        "lx_platform",
        "lxcom",
        "lx_platform_host",
        "lx_platform_module",
        "lx_platform_library",
    },
    "support": {"lx_support"},
    "runtime": {"lx_runtime", "lx_runtime_api"},
    "analysis": {"lx_analysis"},
    "output": {"lx_output"},
    "client": {"lx_client", "lexameter_plugin"},
    "host/model": {"lx_host_model"},
    "host/api": {"lx_host_api"},
    "tool": {"lx_tool", "lexameter"},
    "resources": {
        "lx_resources",
        "lx_frameroman",
        "lx_converters",
        "lx_ucmgen",
        "lx_hanlatingen",
        "lx_han_latin_table",
    },
}
PUBLIC_API_TARGETS = {"lx_runtime_api"}

# Headers of the operating system, which only platform/ includes in the plug-in.
OS_HEADER = re.compile(
    r"^(windows|winbase|windef|winnt|winerror|winsock2?|ws2tcpip|objbase|ole2|oleauto|combaseapi"
    r"|shlwapi|shlobj|io|direct|process|unistd|dlfcn|fcntl|pthread|dirent|poll|netdb|termios)\.h$"
    r"|^(sys|arpa|netinet|mach)/")

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')
LINK = re.compile(r"target_link_libraries\s*\(([^)]*)\)", re.S)


def unit_of(path):
    """The unit of a path relative to the source folder, or None."""
    best = None
    for unit in RULES:
        if path == unit or path.startswith(unit + "/"):
            if best is None or len(unit) > len(best):
                best = unit
    return best


def included_unit(name):
    """The unit whose header an include names, or None for a header outside the project."""
    first = name.split("/", 1)[0]
    if "/" not in name or first not in {u.split("/", 1)[0] for u in RULES}:
        return None
    return unit_of(name) or first


def folder_of(unit):
    """The folder of a unit: the unit itself, or the folder of a file."""
    return os.path.dirname(unit) if unit.endswith(SOURCE_SUFFIXES) else unit


def may_include(unit, name, target):
    if target == unit or target == "resources":
        return True
    allowed = RULES[unit]
    if target in allowed:
        return True
    return "PUBLIC_API" in allowed and name in PUBLIC_API


def print_rules():
    print("Layering rules:")
    print("  plug-in layers, each using only those below it: " + " -> ".join(
        reversed(PLUGIN_LAYERS)))
    for unit in sorted(RULES):
        uses = [u if u != "PUBLIC_API" else "the runtime's public headers (" +
                ", ".join(sorted(PUBLIC_API)) + ")" for u in RULES[unit]]
        print(f"  {unit} includes its own headers and: " + (", ".join(uses) or "nothing else"))
    print("  every unit may include resources/ (generated data); nothing but tool/ includes tool/")
    print("  no two folders include each other")
    print("  the plug-in's folders (" + ", ".join(PLUGIN_LAYERS[1:]) +
          ") include no operating-system header")
    print("  each folder's CMake targets link only targets of the folders it may include;"
          " host/ links the runtime's public headers (lx_runtime_api) only")


def source_files(root):
    for unit in sorted({u.split("/", 1)[0] for u in RULES}):
        for folder, dirs, files in os.walk(os.path.join(root, unit)):
            dirs.sort()
            for f in sorted(files):
                if f.endswith(SOURCE_SUFFIXES):
                    full = os.path.join(folder, f)
                    yield os.path.relpath(full, root).replace(os.sep, "/"), full


def check_includes(root, breaches):
    edges = {}  # (from unit, to unit) -> first file
    for path, full in source_files(root):
        unit = unit_of(path)
        if unit is None:
            continue
        with open(full, encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                bracket, name = m.groups()
                close = ">" if bracket == "<" else '"'
                where = f"{path}:{number}: #include {bracket}{name}{close}"
                if ".." in name.split("/"):
                    breaches.append(f"{where}: a path that climbs out of its folder")
                    continue
                if unit in PLUGIN_LAYERS[1:] and bracket == "<" and OS_HEADER.search(name):
                    breaches.append(f"{where}: an operating-system header outside platform/")
                    continue
                target = included_unit(name)
                if target is None or target == unit:
                    continue
                edges.setdefault((folder_of(unit), folder_of(target)), where)
                if not may_include(unit, name, target):
                    breaches.append(f"{where}: {unit}/ may not include {target}/")
    for (a, b), where in sorted(edges.items()):
        if a < b and (b, a) in edges:
            breaches.append(f"{a}/ and {b}/ include each other: {where}; {edges[(b, a)]}")


def check_links(root, breaches):
    owner = {t: unit for unit, targets in TARGETS.items() for t in targets}
    for top in sorted({u.split("/", 1)[0] for u in TARGETS}):
        for folder, dirs, files in os.walk(os.path.join(root, top)):
            dirs.sort()
            if "CMakeLists.txt" not in files:
                continue
            lists = os.path.join(folder, "CMakeLists.txt")
            with open(lists, encoding="utf-8") as f:
                text = re.sub(r"#[^\n]*", "", f.read())
            where = os.path.relpath(lists, root).replace(os.sep, "/")
            for m in LINK.finditer(text):
                words = m.group(1).split()
                if words and words[0] in owner:
                    check_link(where, words[0], words[1:], owner, breaches)


def check_link(where, source, libs, owner, breaches):
    unit = owner[source]
    for lib in libs:
        if lib not in owner or owner[lib] in (unit, "resources"):
            continue
        lib_unit = owner[lib]
        if unit.startswith("host/") and lib_unit in PLUGIN_LAYERS:
            ok = lib in PUBLIC_API_TARGETS or lib_unit == "platform"
        else:
            ok = lib_unit in RULES[unit]
        if not ok:
            breaches.append(f"{where}: {source} ({unit}/) links {lib} ({lib_unit}/)")


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = sys.argv[1]
    print_rules()
    breaches = []
    check_includes(root, breaches)
    check_links(root, breaches)
    if breaches:
        print(f"\n{len(breaches)} breach(es) of the layering:")
        for b in breaches:
            print("  " + b)
        return 1
    print("\nEvery rule holds.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
