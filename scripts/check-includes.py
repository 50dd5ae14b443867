#!/usr/bin/env python3
# Reads every #include of the product's folders and fails on one that crosses a wall: the
# system including the drawing engine (pad2/) or the reference host (host/), those two
# including the system or each other, drawing/ knowing PCB objects, or any folder using one
# that the table below (the README's folder table) does not give it. Only abi/ crosses walls.
# Usage: scripts/check-includes.py [REPOSITORY]
import os
import re
import sys

# Folder -> the folders its files may include besides their own.
EVERYWHERE = {"abi"}  # the binary contracts: every module may use them
SYSTEM = {"base", "platform", "engine", "drawing", "pcbimport", "options", "report",
          "pcbclient", "plugin"}
MAY_INCLUDE = {
    "abi": set(),
    "base": set(),
    "platform": {"base"},
    "engine": {"base", "platform"},
    "drawing": {"base", "platform", "engine", "report", "pcbclient"},
    "pcbimport": SYSTEM - {"plugin", "options"},
    "options": {"base", "platform", "pcbimport", "pcbclient"},
    "report": {"base", "platform"},
    "pcbclient": {"base", "platform"},
    "plugin": SYSTEM,
    "pad2": set(),
    "host": set(),
}
# drawing/ may use the board units of pcbclient/ and nothing else of it: no PCB objects.
ONLY_FILES = {("drawing", "pcbclient"): {"pcbclient/BoardUnits.h"}}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SOURCES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")


def violations(root):
    found = []
    for folder in sorted(MAY_INCLUDE):
        for base, _dirs, files in os.walk(os.path.join(root, folder)):
            for name in sorted(files):
                if not name.endswith(SOURCES):
                    continue
                path = os.path.join(base, name)
                relative = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        match = INCLUDE.match(line)
                        if not match:
                            continue
                        why = refusal(root, folder, base, match.group(1), match.group(2))
                        if why:
                            found.append(f"{relative}:{number}: {line.strip()}: {why}")
    return found


def refusal(root, folder, including_dir, quote, included):
    """Why `included` may not be included from `folder`, or None."""
    if quote == '"' and os.path.exists(os.path.join(including_dir, included)):
        # Beside the including file: inside its own folder unless it climbs out of it.
        target = os.path.relpath(os.path.normpath(os.path.join(including_dir, included)), root)
    else:
        target = os.path.normpath(included)
    top = target.split(os.sep, 1)[0]
    if top not in MAY_INCLUDE or top == folder or top in EVERYWHERE:
        return None  # the standard library, a third-party header, or its own folder
    if top not in MAY_INCLUDE[folder]:
        walls = {"pad2": "the drawing engine", "host": "the reference host"}
        if top in walls and folder in SYSTEM:
            return f"the system never includes {walls[top]}; only abi/ crosses that wall"
        if folder in walls:
            return f"{walls[folder]} includes only abi/ and its own folder"
        return f"{folder}/ may not use {top}/"
    only = ONLY_FILES.get((folder, top))
    if only is not None and target not in only:
        return f"{folder}/ may use only {', '.join(sorted(only))} of {top}/ (no PCB objects)"
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    root = os.path.abspath(root)
    missing = [f for f in MAY_INCLUDE if not os.path.isdir(os.path.join(root, f))]
    if missing:
        sys.exit(f"{root} is not the repository: no folder {', '.join(missing)}")
    found = violations(root)
    if found:
        print(f"{len(found)} forbidden include(s):", file=sys.stderr)
        print("\n".join(found), file=sys.stderr)
        sys.exit(1)
    print("every #include keeps to the folder table")


main()
