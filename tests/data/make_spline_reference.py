#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes spline_reference.txt: points on the splines of the spline test drawings, computed by
ezdxf (its B-spline evaluation and flattening), independently of our approximation. Splines
inside block references are taken through the references (ezdxf's virtual entities), so the
points are where the curves lie in model space.

Run with Debian's python after make_drawings.py: /usr/bin/python3 tests/data/make_spline_reference.py
Each line: drawing file, spline number in model-space order, x, y (drawing units).
Fit-point splines are listed only when both end tangents are given: without them the end
conditions are a free choice of each program.
"""
import os
import sys

import ezdxf

DRAWINGS = ("spline_circle_R2000.dxf", "spline_cubic_R2000.dxf", "spline_fit_R2000.dxf",
            "spline_closed_R2000.dxf", "spline_block_R2000.dxf")


def splines(msp):
    for e in msp:
        if e.dxftype() == "SPLINE":
            yield e
        elif e.dxftype() == "INSERT":
            for v in e.virtual_entities():
                if v.dxftype() == "SPLINE":
                    yield v


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    lines = []
    for name in DRAWINGS:
        doc = ezdxf.readfile(os.path.join(folder, name))
        for index, spline in enumerate(splines(doc.modelspace())):
            if spline.fit_point_count() and not spline.control_point_count() and not (
                    spline.dxf.hasattr("start_tangent") and spline.dxf.hasattr("end_tangent")):
                continue
            for p in spline.construction_tool().flattening(1e-3, segments=8):
                lines.append("%s %d %.17g %.17g" % (name, index, p.x, p.y))
    with open(os.path.join(folder, "spline_reference.txt"), "w") as out:
        out.write("\n".join(lines) + "\n")
    print("wrote %d points" % len(lines))


if __name__ == "__main__":
    main()
