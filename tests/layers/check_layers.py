#!/usr/bin/env python3
"""check_layers.py - includes point only down the layers, and the libraries
link without a cycle.

Layers, bottom up: framework/core; framework/ui and vdesktop; framework/services
(it may use the framework's UI); engine; ui; the program (the entry point and
the main window procedure, which live in engine/ but build into the program).
A file may include its own folder and any layer below its own, never a
sibling folder of the same rank or anything above.

Usage: check_layers.py <source root>       exit 0 clean, 1 with a report
"""
import os
import re
import sys

RANKS = {
    "framework/core": 0,
    "framework/ui": 1,
    "vdesktop": 1,
    "framework/services": 2,
    "engine": 3,
    "ui": 4,
    "program": 5,
}
PROGRAM_FILES = {"engine/WinMain.cpp", "engine/MainWindow.cpp", "engine/MainWindow.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
LINK = re.compile(r"target_link_libraries\(\s*(\w+)\s+(?:PUBLIC|PRIVATE|INTERFACE)?\s*([^)]*)\)", re.S)


def layer_of(path):
    """The layer of a source path relative to the root, or None (tests, tools)."""
    if path in PROGRAM_FILES:
        return "program"
    for layer in sorted(RANKS, key=len, reverse=True):
        if layer != "program" and path.startswith(layer + "/"):
            return layer
    return None


def include_problems(root):
    problems = []
    for layer in RANKS:
        if layer == "program":
            continue
        top = os.path.join(root, layer)
        for folder, _, files in os.walk(top):
            for name in files:
                if not name.endswith((".cpp", ".h", ".rc")):
                    continue
                full = os.path.join(folder, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                mine = layer_of(rel)
                with open(full, encoding="latin-1") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    theirs = layer_of(target)
                    if theirs is None or theirs == mine:
                        continue
                    if RANKS[theirs] >= RANKS[mine]:
                        problems.append(f"{rel}: includes {target} ({theirs} is not below {mine})")
    return problems


def link_graph(root):
    graph = {}
    for folder, dirs, files in os.walk(root):
        # Build trees and hidden folders (dependencies, git) are not ours.
        dirs[:] = [d for d in dirs if not d.startswith(".") and d != "build"]
        if "CMakeLists.txt" not in files:
            continue
        with open(os.path.join(folder, "CMakeLists.txt")) as f:
            text = f.read()
        for target, libs in LINK.findall(text):
            deps = [w for w in re.split(r"\s+", libs) if w.startswith("ps_")]
            graph.setdefault(target, set()).update(deps)
    return graph


def cycle_in(graph):
    state = {}

    def visit(node, trail):
        state[node] = 1
        for dep in sorted(graph.get(node, ())):
            if state.get(dep) == 1:
                return trail + [node, dep]
            if dep not in state:
                found = visit(dep, trail + [node])
                if found:
                    return found
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [])
            if found:
                return found
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
    problems = include_problems(root)
    cycle = cycle_in(link_graph(root))
    if cycle:
        problems.append("libraries link in a cycle: " + " -> ".join(cycle))
    for p in problems:
        print(p)
    if not problems:
        print("layers: every include points down; the libraries link without a cycle")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
