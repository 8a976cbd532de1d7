#!/usr/bin/env python3
"""The include rules of the layer table (cmake/layers.txt), and no circle.

  include_rules.py SOURCE_DIR

Fails (exit 1, one line a fault) when a file of a folder in the table
includes a header of a folder its line does not name, when a private header
(first line "// Internal to ...") is included from outside its folder, its
backends and the tests, when a public header includes a private one (its
users could not compile it), or when files form a circle: a unit is a header with
the .cpp of the same name, and a unit that includes another's header
depends on it; no unit may come back to itself. The backend interfaces
platform/backend.h and platform/window_backend.h are where the portable core
and the backends meet both ways, so the circle search does not follow them.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
# Folders outside the table that may include any public or private header.
FREE = ("tests/", "bench/", "fuzz/")
SYSTEM_BOUNDARY = {"platform/backend.h", "platform/window_backend.h"}


def read_table(root):
    table = {}
    with open(os.path.join(root, "cmake", "layers.txt"), encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if words:
                table[words[0]] = set(words[1:])
    return table


def owner(table, path):
    """The table folder governing path: the longest folder that holds it."""
    folder = os.path.dirname(path)
    while folder:
        if folder in table:
            return folder
        folder = os.path.dirname(folder)
    return None


def sources(root):
    for top in sorted(os.listdir(root)):
        base = os.path.join(root, top)
        if not os.path.isdir(base) or top.startswith(".") or top.startswith("build"):
            continue
        for folder, dirs, files in os.walk(base):
            dirs[:] = sorted(d for d in dirs if not d.startswith("."))
            for name in sorted(files):
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def is_private(root, header):
    with open(os.path.join(root, header), encoding="utf-8", errors="replace") as f:
        return f.readline().startswith("// Internal to")


def main(root):
    table = read_table(root)
    files = list(sources(root))
    known = set(files)
    includes = {}
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            includes[path] = [(n, m.group(1)) for n, line in enumerate(f, 1) if (m := INCLUDE.match(line))]
    private = {h for h in files if h.endswith(".h") and is_private(root, h)}

    faults = []
    for path in files:
        mine = owner(table, path)
        free = path.startswith(FREE)
        for line, header in includes[path]:
            if header not in known:
                continue
            theirs = owner(table, header)
            where = f"{path}:{line}: includes {header}"
            if theirs is None or free:
                continue
            if mine is None:
                faults.append(f"{where}, but {os.path.dirname(path) or '.'} has no line in cmake/layers.txt")
            elif theirs != mine and theirs not in table[mine]:
                faults.append(f"{where}, but {mine}/ may include only {' '.join(sorted(table[mine])) or 'itself'}")
            elif header in private and not (mine + "/").startswith(theirs + "/"):
                faults.append(f"{where}, which is internal to {theirs}/")
            elif header in private and path.endswith(".h") and path not in private and mine == theirs:
                faults.append(f"{where}: a public header cannot show its users an internal one")

    # Circles of units, found as strongly connected components.
    def unit(path):
        return path.rsplit(".", 1)[0]

    graph = {}
    for path in files:
        if path.startswith(FREE) or path in SYSTEM_BOUNDARY:
            continue
        for _, header in includes[path]:
            if header in known and header not in SYSTEM_BOUNDARY and unit(header) != unit(path):
                graph.setdefault(unit(path), set()).add(unit(header))
    index, low, stack, on_stack, circles = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                circles.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    for circle in circles:
        members = set(circle)
        links = sorted(f"{a} -> {b}" for a in circle for b in graph.get(a, ()) if b in members)
        faults.append(f"circle of files: {', '.join(circle)} ({'; '.join(links)})")

    for fault in faults:
        print(f"FAIL {fault}")
    if not faults:
        print(f"ok   {len(files)} files keep to cmake/layers.txt, no circle of files")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
