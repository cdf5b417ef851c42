#!/usr/bin/env python3
"""Holds the includes of src/, companion/ and tools/ to the layer table in src/layers.txt.

Reports, one line each: an include that names no module, an include of a module on the same
level or a higher one, and a window-toolkit header in a module marked toolkit-free. Exits 1
when there is any, 0 when the code keeps to the table. Usage: check_layers.py [REPOSITORY]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
TOOLKIT = re.compile(r'^Q[A-Za-z]*(/|$)')


def read_layers(path):
    levels, toolkit_free = {}, set()
    with open(path, encoding="utf-8") as table:
        level = 0
        for line in table:
            line = line.split("#", 1)[0].split()
            if not line:
                continue
            for name in line:
                module = name.rstrip("*")
                if module in levels:
                    sys.exit(f"{path}: {module} stands twice")
                levels[module] = level
                if name.endswith("*"):
                    toolkit_free.add(module)
            level += 1
    return levels, toolkit_free


def sources(root):
    """(file, its module, the folder its own includes are named from) for every source."""
    for top, module_of in (("src", None), ("companion", "companion"), ("tools", "tools")):
        base = os.path.join(root, top)
        for folder, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp", ".c")):
                    continue
                path = os.path.join(folder, name)
                relative = os.path.relpath(path, base).split(os.sep)
                module = module_of or (relative[0] if len(relative) > 1 else None)
                yield path, module


def included_module(target):
    """The module an include names: its first folder ("grid/cxGrid.h" -> grid)."""
    if "/" not in target:
        return None
    first = target.split("/", 1)[0]
    return "tools" if first == "tervana-data" else first


def check(root):
    levels, toolkit_free = read_layers(os.path.join(root, "src", "layers.txt"))
    problems = []
    for path, module in sources(root):
        where = os.path.relpath(path, root)
        if module not in levels:
            problems.append(f"{where}: the folder is in no layer of src/layers.txt")
            continue
        text = open(path, encoding="utf-8").read()
        for match in INCLUDE.finditer(text):
            kind, target = match.groups()
            line = text.count("\n", 0, match.start()) + 1
            if kind == "<":
                if module in toolkit_free and TOOLKIT.match(target):
                    problems.append(f"{where}:{line}: <{target}> in {module}, which stays free of the window toolkit")
                continue
            other = included_module(target)
            if other is None:
                problems.append(f"{where}:{line}: \"{target}\" names no module")
            elif other not in levels:
                problems.append(f"{where}:{line}: \"{target}\" names {other}, which is in no layer")
            elif other != module and levels[other] >= levels[module]:
                direction = "sideways" if levels[other] == levels[module] else "upward"
                problems.append(f"{where}:{line}: {module} includes {other} ({direction}): \"{target}\"")
    return problems


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems = check(os.path.abspath(root))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
