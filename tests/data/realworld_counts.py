#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Counts, with ezdxf, the entities of each drawing of the shared real-world set by kind, in
model space and paper space, and writes them as realworld_counts.json beside this script: the
independent reading the real-world import test compares the engine's entities with.

Run with Debian's python: /usr/bin/python3 tests/data/realworld_counts.py SET_DIR

A POLYLINE counts once (its vertices and end marker are part of it), an INSERT without its
attributes. Files that ezdxf reads only in recover mode are marked "recovered", files it cannot read at
all "unreadable" (with its error).
"""
import json
import os
import sys

import ezdxf
from ezdxf import recover


def layout_counts(layout):
    counts = {}
    for e in layout:
        kind = e.dxftype()
        counts[kind] = counts.get(kind, 0) + 1
    return counts


def main():
    folder = sys.argv[1]
    with open(os.path.join(folder, "MANIFEST.json")) as f:
        manifest = json.load(f)
    result = {}
    for entry in manifest:
        path = os.path.join(folder, entry["file"])
        recovered = False
        try:
            doc = ezdxf.readfile(path)
        except Exception:
            try:
                doc, _ = recover.readfile(path)
                recovered = True
            except Exception as error:
                # No independent reading: the test names the file as an exception.
                result[entry["file"]] = {"sha256": entry["sha256"], "unreadable": str(error)}
                continue
        paper = {}
        # The active paper space layout is the one whose block is *PAPER_SPACE.
        active = doc.blocks.get("*PAPER_SPACE") if "*PAPER_SPACE" in doc.blocks else None
        if active is None and "$PAPER_SPACE" in doc.blocks:
            active = doc.blocks.get("$PAPER_SPACE")
        if active is not None:
            paper = layout_counts(active)
        result[entry["file"]] = {
            "sha256": entry["sha256"],
            "model": layout_counts(doc.modelspace()),
            "paper": paper,
            "recovered": recovered,
        }
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "realworld_counts.json")
    with open(out, "w") as f:
        json.dump(result, f, indent=1, sort_keys=True)
        f.write("\n")
    print("wrote counts of %d drawings to %s" % (len(result), out))


if __name__ == "__main__":
    main()
