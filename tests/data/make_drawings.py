#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Writes the test drawings of tests/data with ezdxf, so that they are DXF written by a program
that is not ours. One drawing per entity kind or feature, in each of R12, R2000 and R2018 that
can hold it, as ASCII; a few also as binary DXF (file names ending in _bin.dxf).

Run with Debian's python: /usr/bin/python3 tests/data/make_drawings.py [output dir]
Then run dump_expected.py to refresh the expected JSON files. Both outputs are committed, so
tests and CI need neither ezdxf nor this script.
"""
import math
import os
import sys

import ezdxf
from ezdxf import bbox

VERSIONS = ("R12", "R2000", "R2018")
# Features also written as binary DXF, with the versions to write.
BINARY = {
    "line": VERSIONS,
    "insert": ("R2000", "R2018"),
    "lwpolyline": ("R2000", "R2018"),
    "mline": ("R2018",),
    "polyline2d": ("R12",),
    "texts": ("R2000", "R2018"),
}


class Unsupported(Exception):
    """The feature cannot be written in this DXF version."""


def need(version, minimum):
    order = {"R12": 0, "R2000": 1, "R2018": 2}
    if order[version] < order[minimum]:
        raise Unsupported(version)


def add_layer(doc, name, colour=7, frozen=False, off=False):
    layer = doc.layers.add(name, color=colour)
    if frozen:
        layer.freeze()
    if off:
        layer.off()
    return layer


def set_extents(layout):
    """States the layout's extents in the header, as CAD programs do on saving (ezdxf copies
    the layout's extents into $EXTMIN/$EXTMAX or $PEXTMIN/$PEXTMAX when it writes)."""
    box = bbox.extents(layout, fast=True)
    if box.has_data:
        layout.dxf.extmin = tuple(box.extmin)
        layout.dxf.extmax = tuple(box.extmax)


# ---- one builder per feature; each fills a new document of the given version -------------


def build_line(doc, msp, version):
    add_layer(doc, "LINES", colour=1)
    msp.add_line((0, 0), (10, 5), dxfattribs={"layer": "LINES"})
    msp.add_line((1.25, -2.5, 3), (7.125, 8.0625, -1), dxfattribs={"layer": "LINES"})
    msp.add_line((-3, 4), (-3, 4))  # zero length, on layer 0


def build_point(doc, msp, version):
    msp.add_point((3.5, 4.25))
    msp.add_point((-1, 0, 2))


def build_circle(doc, msp, version):
    msp.add_circle((5, 3), 2.5)
    msp.add_circle((0, 0, 1.5), 0.001)


def build_arc(doc, msp, version):
    msp.add_arc((0, 0), 5, 0, 90)
    msp.add_arc((10, 10), 2, 350, 10)  # crosses 0 degrees
    msp.add_arc((-4, 2), 1.5, 123.456, 321.5)


def build_ellipse(doc, msp, version):
    need(version, "R2000")
    msp.add_ellipse((10, 5), major_axis=(4, 0), ratio=0.5, start_param=0, end_param=2 * math.pi)
    msp.add_ellipse((-5, 2), major_axis=(2, 3), ratio=0.25, start_param=5, end_param=1)
    msp.add_ellipse((0, 0), major_axis=(0, -6), ratio=1.0, start_param=0.5, end_param=2.5)


def build_text(doc, msp, version):
    msp.add_text("Plain text", dxfattribs={"insert": (1, 2), "height": 2.5})
    msp.add_text("Rotated", dxfattribs={"insert": (10, 2), "height": 1.5, "rotation": 30})
    msp.add_text("Mirrored", dxfattribs={"insert": (20, 2), "height": 1, "text_generation_flag": 2})
    msp.add_text("Upside down", dxfattribs={"insert": (30, 2), "height": 1, "text_generation_flag": 4})
    centred = msp.add_text("Centred", dxfattribs={"height": 1.25, "rotation": 270.5})
    centred.set_pos((40, 5), align="MIDDLE_CENTER")


def build_mtext(doc, msp, version):
    need(version, "R2000")
    long_text = " ".join("word%03d" % i for i in range(120))  # ~960 characters: several chunks
    msp.add_mtext(long_text, dxfattribs={"insert": (5, 10), "char_height": 2.5, "width": 200,
                                         "attachment_point": 5})
    msp.add_mtext("Top left\\Psecond line", dxfattribs={"insert": (-2, 3), "char_height": 1,
                                                         "width": 50, "attachment_point": 1})
    msp.add_mtext("No width", dxfattribs={"insert": (0, -5), "char_height": 0.5})


def build_solid(doc, msp, version):
    msp.add_solid([(0, 0), (4, 0), (0, 3), (4, 3)])
    msp.add_solid([(10, 0), (14, 0), (12, 3)])  # triangle: three corners
    msp.add_trace([(20, 0), (24, 0), (20, 1), (24, 1)])


def build_insert(doc, msp, version):
    add_layer(doc, "BLOCKS", colour=3)
    inner = doc.blocks.new("INNER", base_point=(1, 1))
    inner.add_line((1, 1), (2, 1))
    inner.add_circle((1.5, 1.5), 0.25)
    outer = doc.blocks.new("OUTER", base_point=(0, 0))
    outer.add_line((0, 0), (5, 0))
    outer.add_blockref("INNER", (2, 2), dxfattribs={"xscale": 3, "yscale": 3})
    msp.add_blockref("OUTER", (10, 20), dxfattribs={"xscale": 2, "yscale": 2, "rotation": 30,
                                                    "layer": "BLOCKS"})
    msp.add_blockref("INNER", (-5, 7.5), dxfattribs={"xscale": 2, "yscale": 0.5, "rotation": 45})
    tagged = msp.add_blockref("INNER", (30, 30))
    tagged.add_attrib("TAG", "attribute value", (30, 31))
    tagged.add_attrib("REF", "U1", (30, 32))
    msp.add_line((0, 0), (1, 1))  # after the attributes and their end marker


def build_xblock(doc, msp, version):
    hatchlike = doc.blocks.new_anonymous_block(type_char="X")
    hatchlike.add_line((0, 0), (1, 0))
    hatchlike.add_line((1, 0), (1, 1))
    holder = doc.blocks.new("HOLDER")
    holder.add_circle((0, 0), 1)
    holder.add_blockref(hatchlike.name, (0, 0))  # *X inside a block
    msp.add_blockref(hatchlike.name, (5, 5))     # *X at the top level
    msp.add_blockref("HOLDER", (10, 10))


def build_dimension(doc, msp, version):
    msp.add_line((0, 0), (10, 0))
    dim = msp.add_linear_dim(base=(5, 3), p1=(0, 0), p2=(10, 0))
    dim.render()
    dim = msp.add_linear_dim(base=(3, 10), p1=(0, 0), p2=(5, 5), angle=30)
    dim.render()


def build_polyline2d(doc, msp, version):
    add_layer(doc, "PLINES", colour=5)
    # Vertex widths written out: a vertex without one would take the default width.
    pline = msp.add_polyline2d([], dxfattribs={"layer": "PLINES"})
    pline.append_formatted_vertices([(0, 0, 0.5, 0.5, 0), (10, 0, 0.5, 0.5, 0),
                                     (10, 5, 0.5, 0.5, 0), (0, 5, 0.5, 0.5, 0)], format="xyseb")
    pline.close(True)
    pline.dxf.default_start_width = 0.5
    pline.dxf.default_end_width = 0.5
    arcs = msp.add_polyline2d([], dxfattribs={"layer": "PLINES"})
    arcs.append_formatted_vertices([(20, 0, 0.1, 0.2, 1), (25, 0, 0.3, 0.3, -0.5), (30, 5, 0, 0, 0)],
                                   format="xyseb")


def build_lwpolyline(doc, msp, version):
    need(version, "R2000")
    msp.add_lwpolyline([(0, 0), (10, 0), (10, 5)])  # neither bulges nor widths
    msp.add_lwpolyline([(0, 10, 0, 0, 0.5), (10, 10, 0, 0, -1), (10, 15, 0, 0, 0)],
                       format="xyseb", close=True)
    msp.add_lwpolyline([(20, 0, 0.1, 0.2, 0), (25, 0, 0.3, 0.4, 0.25), (25, 5, 0, 0, 0)],
                       format="xyseb")
    msp.add_lwpolyline([(30, 0), (35, 0), (35, 5)], dxfattribs={"const_width": 0.75})


def build_donut(doc, msp, version):
    add_layer(doc, "PADS", colour=2)
    if version == "R12":
        donut = msp.add_polyline2d([], dxfattribs={"layer": "PADS"})
        donut.append_formatted_vertices([(9, 5, 1, 1, 1), (11, 5, 1, 1, 1)], format="xyseb")
        donut.close(True)
    else:
        msp.add_lwpolyline([(9, 5, 1, 1, 1), (11, 5, 1, 1, 1)], format="xyseb", close=True,
                           dxfattribs={"layer": "PADS"})
        msp.add_lwpolyline([(20, 5, 0, 0, 1), (22, 5, 0, 0, 1)], format="xyseb", close=True,
                           dxfattribs={"layer": "PADS", "const_width": 0.5})


def build_mline(doc, msp, version):
    need(version, "R2000")
    msp.add_mline([(0, 0), (10, 0), (10, 10)])
    three = doc.mline_styles.new("THREE")
    three.elements.append(0.5, 1)
    three.elements.append(0.0, 2)
    three.elements.append(-0.5, 3)
    msp.add_mline([(20, 0), (30, 0), (30, 5), (20, 5)], close=True,
                  dxfattribs={"style_name": "THREE", "justification": 1, "scale_factor": 2})


def build_spline(doc, msp, version):
    need(version, "R2000")
    msp.add_spline([(0, 0), (2, 3), (5, 1), (8, 4)])
    msp.add_open_spline([(10, 0), (12, 2), (14, 0), (16, 2)])


def build_spline_circle(doc, msp, version):
    """A circle of radius 5 about (20, 10) as a rational quadratic spline, one span a quadrant."""
    need(version, "R2000")
    cx, cy, r = 20.0, 10.0, 5.0
    corners = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1), (1, 0)]
    points = [(cx + r * x, cy + r * y) for x, y in corners]
    w = math.sqrt(0.5)
    weights = [1, w, 1, w, 1, w, 1, w, 1]
    knots = [0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4]
    msp.add_rational_spline(points, weights, degree=2, knots=knots)


SPLINE_CUBIC_POINTS = [(0, 0), (10, 25), (30, -10), (45, 20), (60, 0), (70, 30), (90, 5)]


def build_spline_cubic(doc, msp, version):
    """Cubic B-splines by control points: clamped uniform, with uneven knots, and one with
    a straight run (four collinear control points)."""
    need(version, "R2000")
    msp.add_open_spline(SPLINE_CUBIC_POINTS, degree=3)
    shifted = [(x, y + 50) for x, y in SPLINE_CUBIC_POINTS]
    msp.add_open_spline(shifted, degree=3, knots=[0, 0, 0, 0, 0.5, 3, 4, 7, 7, 7, 7])
    straight = [(0, 100), (20, 100), (40, 100), (60, 100), (80, 120), (100, 100)]
    msp.add_open_spline(straight, degree=3, knots=[0, 0, 0, 0, 1, 2, 3, 3, 3, 3])


def build_spline_fit(doc, msp, version):
    """Splines given by fit points only: with both end tangents, and without."""
    need(version, "R2000")
    tangent = msp.add_spline([(0, 0), (10, 8), (20, 0), (30, 8), (40, 0)])
    tangent.dxf.start_tangent = (0, 1, 0)
    tangent.dxf.end_tangent = (1, 0, 0)
    msp.add_spline([(0, 30), (15, 40), (25, 25), (40, 35)])


def build_spline_closed(doc, msp, version):
    """Closed periodic cubic splines (control points wrapped round, uniform knots), one of
    them rational."""
    need(version, "R2000")
    closed = msp.add_spline()
    closed.set_closed([(0, 0, 0), (20, 0, 0), (30, 15, 0), (20, 30, 0), (0, 30, 0), (-10, 15, 0)])
    rational = msp.add_spline()
    rational.set_closed_rational([(50, 0, 0), (70, 0, 0), (70, 20, 0), (50, 20, 0)],
                                [1, 2, 1, 2])


def build_spline_block(doc, msp, version):
    """A spline inside a block, inserted twice: scaled 2 by 3, and mirrored and rotated."""
    need(version, "R2000")
    block = doc.blocks.new("CURVE", base_point=(5, 0))
    block.add_open_spline([(0, 0), (5, 10), (10, -5), (15, 5)], degree=3)
    msp.add_blockref("CURVE", (0, 0), dxfattribs={"xscale": 2, "yscale": 3})
    msp.add_blockref("CURVE", (40, 20), dxfattribs={"xscale": -1, "rotation": 30})


def build_spline_bad(doc, msp, version):
    """Splines that cannot be drawn, each between two lines: too few knots, a zero weight, all
    control points in one place, and no control points nor fit points."""
    need(version, "R2000")
    msp.add_line((0, -5), (1, -5))
    knots = msp.add_open_spline([(0, 0), (1, 1), (2, 0), (3, 1)], degree=3)
    knots.knots = [0, 0, 0, 1, 1, 1]
    rational = msp.add_rational_spline([(0, 2), (1, 3), (2, 2), (3, 3)], [1, 0, 1, 1], degree=3)
    rational.dxf.flags = rational.dxf.flags  # as written: a weight of 0
    msp.add_open_spline([(4, 4), (4, 4), (4, 4), (4, 4)], degree=3)
    empty = msp.add_spline()
    empty.dxf.degree = 3
    msp.add_line((0, 6), (1, 6))


def build_extrusion(doc, msp, version):
    down = {"extrusion": (0, 0, -1)}
    msp.add_circle((5, 3), 2, dxfattribs=down)
    msp.add_arc((5, 3), 2, 10, 80, dxfattribs=down)
    msp.add_circle((5, 3), 1, dxfattribs={"extrusion": (0.1, 0, 0.99)})
    msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)], dxfattribs=down)
    if version == "R12":
        pline = msp.add_polyline2d([(0, 0), (2, 0), (2, 2)], dxfattribs=down)
        pline.close(True)
    else:
        msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (2, 0, 0, 0, 0), (2, 2, 0, 0, 0)], format="xyseb",
                           close=True, dxfattribs=down)


def build_layers(doc, msp, version):
    add_layer(doc, "FROZEN", colour=4, frozen=True)
    add_layer(doc, "OFF", colour=6, off=True)
    add_layer(doc, "Visible Layer", colour=256 - 1)  # 255: the highest plain colour
    msp.add_line((0, 0), (1, 0), dxfattribs={"layer": "FROZEN"})
    msp.add_line((0, 1), (1, 1), dxfattribs={"layer": "OFF"})
    msp.add_line((0, 2), (1, 2), dxfattribs={"layer": "Visible Layer"})


def build_paperspace(doc, msp, version):
    add_layer(doc, "SHEET", colour=1)
    msp.add_line((0, 0), (100, 50))
    paper = doc.layout()
    paper.add_line((10, 10), (200, 10), dxfattribs={"layer": "SHEET"})
    paper.add_circle((50, 50), 20, dxfattribs={"layer": "SHEET"})
    paper.add_text("Title", dxfattribs={"insert": (20, 20), "height": 5, "layer": "SHEET"})


def build_manylayers(doc, msp, version):
    for i in range(40):
        name = "L%02d" % i
        add_layer(doc, name, colour=1 + i % 250)
        msp.add_line((i, 0), (i, 10), dxfattribs={"layer": name})


def build_texts(doc, msp, version):
    add_layer(doc, "Schrift_\u00e4", colour=2)
    special = "%%c10 %%d45 \u00b1 0.1 \u00b0C <script>&\"'"
    msp.add_text(special, dxfattribs={"insert": (0, 0), "height": 1, "layer": "Schrift_\u00e4"})
    # Outside code page 1252: written as \U+03A9 before R2007, as UTF-8 from R2007 on.
    msp.add_text("Omega \u03a9 Ohm", dxfattribs={"insert": (0, 6), "height": 1})
    msp.add_text("Umlaute \u00e4\u00f6\u00fc\u00df \u20ac", dxfattribs={"insert": (0, 2), "height": 1})
    msp.add_text("%%uunderlined%%u 50%%%", dxfattribs={"insert": (0, 4), "height": 1})
    if version != "R12":
        msp.add_mtext("{\\fArial|b1|i0;Bold}\\Pline 2 \\U+00B1 %%c \u00b0 <&>",
                      dxfattribs={"insert": (0, 10), "char_height": 1, "width": 40})


def build_units_mm(doc, msp, version):
    doc.header["$INSUNITS"] = 4
    if version != "R12":
        doc.header["$MEASUREMENT"] = 1
    msp.add_line((1, 2), (3, 4))


def build_negative(doc, msp, version):
    msp.add_line((-100, -50), (-10, -5))
    msp.add_circle((-60, 20), 5)
    msp.add_text("left", dxfattribs={"insert": (-90, 10), "height": 2})


def build_other(doc, msp, version):
    """Entity types the engine delivers under codes of its own choosing."""
    msp.add_line((0, 0), (1, 1))
    msp.add_3dface([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    if version != "R12":
        hatch = msp.add_hatch(color=1)
        hatch.paths.add_polyline_path([(0, 0), (4, 0), (4, 4), (0, 4)], is_closed=True)
        msp.add_leader([(0, 0), (2, 2), (4, 2)])
    msp.add_line((2, 2), (3, 3))


def build_noextents(doc, msp, version):
    """Header extents left as ezdxf writes them (1e20 / -1e20): the engine computes its own."""
    msp.add_line((-2, 1), (8, 6))
    msp.add_point((4, -3))


def build_demo_board(doc, msp, version):
    """The README's demo: an 80 x 50 mm board as a mechanical drawing would give it, drawn in
    millimetres on five layers: the outline with rounded corners and an obround cut-out, four
    M3 mounting holes drawn as donuts (6 mm across, 3.2 mm hole), a title on the silkscreen
    layer, a connector footprint block placed twice, and fabrication notes outside the board."""
    need(version, "R2000")
    if version != "R2000":
        raise Unsupported(version)  # one drawing is enough for the demo
    doc.header["$INSUNITS"] = 4
    doc.header["$MEASUREMENT"] = 1
    add_layer(doc, "OUTLINE", colour=7)
    add_layer(doc, "HOLES", colour=1)
    add_layer(doc, "SILK", colour=2)
    add_layer(doc, "PARTS", colour=3)
    add_layer(doc, "NOTES", colour=8)
    corner = math.tan(math.radians(90) / 4)  # bulge of a quarter circle, counter-clockwise
    msp.add_lwpolyline([(3, 0, 0, 0, 0), (77, 0, 0, 0, corner), (80, 3, 0, 0, 0),
                        (80, 47, 0, 0, corner), (77, 50, 0, 0, 0), (3, 50, 0, 0, corner),
                        (0, 47, 0, 0, 0), (0, 3, 0, 0, corner)],
                       format="xyseb", close=True, dxfattribs={"layer": "OUTLINE"})
    # The cut-out: a slot 20 mm long and 8 mm wide with round ends.
    msp.add_lwpolyline([(52, 20, 0, 0, 0), (64, 20, 0, 0, 1), (64, 28, 0, 0, 0),
                        (52, 28, 0, 0, 1)],
                       format="xyseb", close=True, dxfattribs={"layer": "OUTLINE"})
    # Donuts: two half circles of radius 2.3 mm drawn 1.4 mm wide.
    for x, y in ((4, 4), (76, 4), (4, 46), (76, 46)):
        msp.add_lwpolyline([(x - 2.3, y, 0, 0, 1), (x + 2.3, y, 0, 0, 1)], format="xyseb",
                           close=True, dxfattribs={"layer": "HOLES", "const_width": 1.4})
    msp.add_text("DXF IMPORT DEMO", dxfattribs={"insert": (10, 40), "height": 3,
                                                "layer": "SILK"})
    msp.add_text("rev A", dxfattribs={"insert": (10, 35), "height": 1.5, "layer": "SILK"})
    msp.add_circle((66, 40), 3, dxfattribs={"layer": "SILK"})  # the logo: a ring and a cross
    msp.add_line((63.5, 40), (68.5, 40), dxfattribs={"layer": "SILK"})
    msp.add_line((66, 37.5), (66, 42.5), dxfattribs={"layer": "SILK"})
    # A two-pin connector footprint: body outline, pin circles and the pin 1 mark.
    parts = {"layer": "PARTS"}
    conn = doc.blocks.new("CONN2", base_point=(0, 0))
    conn.add_lwpolyline([(0, 0), (10, 0), (10, 5), (0, 5)], close=True, dxfattribs=parts)
    conn.add_circle((2.5, 2.5), 0.8, dxfattribs=parts)
    conn.add_circle((7.5, 2.5), 0.8, dxfattribs=parts)
    conn.add_line((1, 0.8), (4, 0.8), dxfattribs=parts)
    msp.add_blockref("CONN2", (12, 10), dxfattribs={"layer": "PARTS"})
    msp.add_blockref("CONN2", (35, 12), dxfattribs={"layer": "PARTS", "rotation": 90})
    msp.add_text("1.6 mm FR4, 35 um copper, HASL", dxfattribs={"insert": (0, -8), "height": 2,
                                                              "layer": "NOTES"})


def outline(msp, x0, y0, x1, y1):
    msp.add_line((x0, y0), (x1, y0))
    msp.add_line((x1, y0), (x1, y1))
    msp.add_line((x1, y1), (x0, y1))
    msp.add_line((x0, y1), (x0, y0))


def build_stalezero(doc, msp, version):
    """An R12 board outline whose header states extents of (0,0)-(0,0)."""
    if version != "R12":
        raise Unsupported(version)
    outline(msp, 10, 10, 60, 40)
    msp.add_circle((20, 20), 3)
    doc.header["$EXTMIN"] = (0, 0, 0)
    doc.header["$EXTMAX"] = (0, 0, 0)


def build_stalehalf(doc, msp, version):
    """Extents saved before the right half was drawn."""
    outline(msp, 0, 0, 100, 50)
    msp.add_line((50, 0), (50, 50))
    msp.add_text("right", dxfattribs={"insert": (75, 25), "height": 2})
    doc.header["$EXTMIN"] = (0, 0, 0)
    doc.header["$EXTMAX"] = (50, 50, 0)


def build_stalepaper(doc, msp, version):
    """Paper space with stale $PEXTMIN/$PEXTMAX."""
    msp.add_line((0, 0), (1, 1))
    paper = doc.layout()
    outline(paper, 10, 10, 200, 100)
    paper.add_circle((150, 50), 10)
    doc.header["$EXTMIN"] = (0, 0, 0)
    doc.header["$EXTMAX"] = (1, 1, 0)
    doc.header["$PEXTMIN"] = (0, 0, 0)
    doc.header["$PEXTMAX"] = (20, 20, 0)


def build_extnoise(doc, msp, version):
    """A board outline of arcs whose extrusion carries a CAD program's arithmetic noise."""
    noise = {"extrusion": (-4.4e-17, 2.1e-16, 1)}
    msp.add_line((0, 0), (10, 0))
    msp.add_arc((10, 5), 5, 270, 90, dxfattribs=noise)
    msp.add_line((10, 10), (0, 10))
    msp.add_arc((0, 5), 5, 90, 270, dxfattribs=noise)
    msp.add_circle((5, 5), 1, dxfattribs={"extrusion": (1e-13, 0, -1)})  # mirrored
    msp.add_circle((5, 5), 2, dxfattribs={"extrusion": (0.6, 0, 0.8)})  # a real tilt


def build_mirrored(doc, msp, version):
    """A block inserted upside down (extrusion 0,0,-1), and texts seen from below."""
    part = doc.blocks.new("PART", base_point=(0, 0))
    part.add_line((0, 0), (4, 0))
    part.add_line((4, 0), (4, 2))
    part.add_text("U1", dxfattribs={"insert": (1, 1), "height": 0.5})
    down = {"extrusion": (0, 0, -1)}
    msp.add_blockref("PART", (10, 5), dxfattribs=dict(down, rotation=30))
    msp.add_blockref("PART", (20, 5))
    msp.add_text("below", dxfattribs=dict(down, insert=(30, 2), height=1, rotation=10))
    if version != "R12":
        msp.add_mtext("under", dxfattribs=dict(down, insert=(40, 3), char_height=1))
    msp.add_blockref("PART", (50, 5), dxfattribs={"extrusion": (0.6, 0, 0.8)})  # a real tilt


def build_polywidth(doc, msp, version):
    """Old-style polylines whose widths lie beyond the board's range at 1 mil per unit (a
    million units is 1e10 board units), beside one that fits."""
    wide = msp.add_polyline2d([(0, 0), (10, 0)])
    wide.dxf.default_start_width = 1e6
    wide.dxf.default_end_width = 1e6
    vertex = msp.add_polyline2d([(0, 5), (10, 5), (10, 10)])
    vertex.vertices[1].dxf.start_width = 1e6
    vertex.vertices[1].dxf.end_width = 1e6
    fits = msp.add_polyline2d([(0, 20), (10, 20)])
    fits.dxf.default_start_width = 0.5
    fits.dxf.default_end_width = 0.5


def build_noeof(doc, msp, version):
    """Complete but for its final "0 EOF" line (removed after saving)."""
    outline(msp, 0, 0, 20, 10)


def build_mtext101(doc, msp, version):
    """An MTEXT followed by an embedded-object part (group 101, added after saving), as
    AutoCAD 2018 writes them."""
    need(version, "R2018")
    msp.add_mtext("LABEL", dxfattribs={"insert": (5, 7), "char_height": 0.8, "width": 10})
    msp.add_line((0, 0), (1, 0))


def build_mtextcodes(doc, msp, version):
    """MTEXT with each formatting code."""
    need(version, "R2000")
    content = ("{\\fArial|b0|i1;font}\\H2.5x;height\\C1;colour\\W0.8;width\\Q15;oblique"
               "\\T1.2;track\\A1;align\\S1/2;stack\\Lunder\\l\\Oover\\o\\Kstrike\\k"
               "\\Pnext\\Ncolumn a\\~b \\\\ \\{ \\}")
    msp.add_mtext(content, dxfattribs={"insert": (0, 0), "char_height": 1})
    msp.add_mtext("{\\pxqc;\\Farchquik.shx|c0;SHEAR PANELS}",
                  dxfattribs={"insert": (0, 5), "char_height": 1})


def build_metres(doc, msp, version):
    """A drawing in metres; at 1 mm per unit the far line lies beyond the board's range."""
    doc.header["$INSUNITS"] = 6
    msp.add_line((1, 1), (2, 1))
    msp.add_line((100, 0), (101, 0))
    msp.add_line((10000, 0), (10001, 0))


def build_units_inch(doc, msp, version):
    doc.header["$INSUNITS"] = 1
    msp.add_line((1, 2), (3, 4))


def build_bulges(doc, msp, version):
    """Closed outlines whose bulges are nearly straight or too large an arc for the board."""
    need(version, "R2000")
    msp.add_lwpolyline([(0, 0, 0, 0, 1e-7), (10, 0, 0, 0, 1e-9), (10, 10, 0, 0, 0),
                        (0, 10, 0, 0, 0)], format="xyseb", close=True)
    # At 1 mil per unit the arc of this bulge has a radius of 2.5e11 board units.
    msp.add_lwpolyline([(0, 20, 0, 0, 1e-4), (10000, 20, 0, 0, 0), (10000, 30, 0, 0, 0)],
                       format="xyseb", close=True)


FEATURES = {
    "line": build_line,
    "point": build_point,
    "circle": build_circle,
    "arc": build_arc,
    "ellipse": build_ellipse,
    "text": build_text,
    "mtext": build_mtext,
    "solid": build_solid,
    "insert": build_insert,
    "xblock": build_xblock,
    "dimension": build_dimension,
    "polyline2d": build_polyline2d,
    "lwpolyline": build_lwpolyline,
    "donut": build_donut,
    "mline": build_mline,
    "spline": build_spline,
    "spline_circle": build_spline_circle,
    "spline_cubic": build_spline_cubic,
    "spline_fit": build_spline_fit,
    "spline_closed": build_spline_closed,
    "spline_block": build_spline_block,
    "spline_bad": build_spline_bad,
    "extrusion": build_extrusion,
    "layers": build_layers,
    "paperspace": build_paperspace,
    "manylayers": build_manylayers,
    "texts": build_texts,
    "units_mm": build_units_mm,
    "negative": build_negative,
    "other": build_other,
    "noextents": build_noextents,
    "demo_board": build_demo_board,
    "stalezero": build_stalezero,
    "stalehalf": build_stalehalf,
    "stalepaper": build_stalepaper,
    "extnoise": build_extnoise,
    "mirrored": build_mirrored,
    "polywidth": build_polywidth,
    "noeof": build_noeof,
    "mtext101": build_mtext101,
    "mtextcodes": build_mtextcodes,
    "metres": build_metres,
    "units_inch": build_units_inch,
    "bulges": build_bulges,
}

# Features whose header extents are the builder's own.
# Drawings whose extents the engine computes itself (ezdxf cannot measure the broken splines).
OWN_EXTENTS = {"noextents", "spline_bad", "stalezero", "stalehalf", "stalepaper"}


def strip_eof(path):
    """Removes the final "0" and "EOF" lines."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    while lines and not lines[-1].strip():
        lines.pop()
    assert lines[-1].strip() == b"EOF" and lines[-2].strip() == b"0"
    with open(path, "wb") as f:
        f.write(b"\n".join(lines[:-2]) + b"\n")


def add_embedded_object(path):
    """Appends an embedded-object part (group 101 and the groups AutoCAD writes after it) to
    the first MTEXT: its 10/40/46 groups must not replace the MTEXT's own."""
    with open(path, "rb") as f:
        data = f.read()
    at = data.index(b"AcDbMText")
    end = data.index(b"\n  0\n", at) + 1
    tail = (b"101\nEmbedded Object\n 70\n1\n 10\n1.0\n 20\n0.0\n 30\n0.0\n 11\n1.0\n"
            b" 21\n0.0\n 31\n0.0\n 40\n1.51\n 41\n0.0\n 42\n4.2\n 43\n1.1\n 71\n2\n"
            b" 72\n1\n 44\n10.0\n 45\n0.0\n 73\n0\n 74\n0\n 46\n1.51\n")
    with open(path, "wb") as f:
        f.write(data[:end] + tail + data[end:])


# Changes made to the saved ASCII file.
POST = {"noeof": strip_eof, "mtext101": add_embedded_object}



def make(feature, version):
    # No declared units unless the feature declares its own: the importer starts at the
    # drawing's units when it has them, and these drawings are read at 1 mil per unit.
    doc = ezdxf.new(version, units=0)
    msp = doc.modelspace()
    FEATURES[feature](doc, msp, version)
    if feature not in OWN_EXTENTS:
        set_extents(msp)
        set_extents(doc.layout())
    return doc


def main():
    # Same drawings on every run: no creation times or fresh GUIDs in the files.
    ezdxf.options.write_fixed_meta_data_for_testing = True
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    written = 0
    for feature in FEATURES:
        for version in VERSIONS:
            try:
                doc = make(feature, version)
            except Unsupported:
                continue
            name = "%s_%s" % (feature, version)
            doc.saveas(os.path.join(out, name + ".dxf"))
            if feature in POST:
                POST[feature](os.path.join(out, name + ".dxf"))
            written += 1
            if version in BINARY.get(feature, ()):
                make(feature, version).saveas(os.path.join(out, name + "_bin.dxf"), fmt="bin")
                written += 1
    print("wrote %d drawings to %s" % (written, out))


if __name__ == "__main__":
    main()
