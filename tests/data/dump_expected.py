#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Reads every drawing of tests/data with ezdxf and writes <name>.expected.json beside it: what
the drawing engine must deliver for that file. The engine-data test compares the engine's
records with these files.

Run with Debian's python: /usr/bin/python3 tests/data/dump_expected.py [data dir]

JSON format (format 1); points are [x, y, z] in drawing units, angles in radians:
{
  "format": 1, "file": "line_R2000.dxf", "acadver": "AC1015",
  "header": {
    "model": {"stated": true, "min": [x,y,z], "max": [x,y,z]},
        -- "stated": false when the file's extents are missing or inverted (min > max, as
        --  ezdxf leaves them at 1e20/-1e20); then "min"/"max" are absent and "contains" gives
        --  [[minx,miny],[maxx,maxy]] of the definition points of the space's entities (null for
        --  an empty space), which the engine's own extents must enclose.
    "paper": {... the same for paper space ...}
  },
  "layers": [{"name": "0", "colour": 7, "frozen": false}, ...],   -- layer table, file order;
        -- colour as stored (negative = off)
  "spaces": {"*MODEL_SPACE": [entity, ...], "*PAPER_SPACE": [entity, ...]},
  "blocks": [{"name": "INNER", "base": [x,y,z], "entities": [entity, ...]}, ...]
        -- every block that is not a layout, file order; the engine's list of a block starts
        --  with the block-start entity, which is not repeated in "entities"
}
An entity is {"type": DXF type name, "layer": name, "extrusion": [x,y,z] (only for types that
carry one: not VERTEX, SEQEND or the "other" types), and the fields per type:
  LINE: start, end                   POINT: location          CIRCLE: centre, radius
  ARC: centre, radius, start_angle, end_angle
  ELLIPSE: centre, major_axis (relative to the centre), ratio, start_param, end_param
  TEXT: align_point (group 10), height, rotation, flags (generation flags, 2 = mirrored), text
  MTEXT: insert, height, attachment, width, text (chunks joined)
  SOLID, TRACE: corners [c1, c2, c3, c4] in file order (a missing fourth corner = the third)
  INSERT: insert, scale_x, scale_y, rotation, block (name); followed by its attributes, each
    as an "other" entity of type ATTRIB
  DIMENSION: insert (group 12, block insertion point), rotation, defpoint, block (name)
  POLYLINE: default_width, flags; followed by VERTEX: location, width (start width), bulge,
    one per vertex, and by SEQEND
  LWPOLYLINE: count, closed, const_width, vertices [[x, y, start width, end width, bulge]],
    packed_flags (0x10 when a bulge is non-zero, 0x20 when a width is non-zero) and packed:
    the doubles the blob delivers for those flags (X, Y, [bulge], [start, end width])
  MLINE: style_lines, count, start, vertices [{location, direction, miter, line_params
    [[...] per line], fill_params [[...] per line]}], packed: the blob values in order, each
    as ["d", value] or ["s", count]
  SPLINE: degree, flags, knots, control [[x, y, z]], weights (empty unless one per control
    point), fit [[x, y, z]], start_tangent and end_tangent ([x, y, z] or null when absent)
  SEQEND: no fields.  Any other type: {"type": name, "other": true}.
Texts are UTF-8 as ezdxf reads them with the \\U+XXXX escapes (4 hex digits, either case) decoded
in every version and entity, names included; control codes (%%c, %%d,
%%u) are kept as they stand in the file; MTEXT texts are ezdxf's plain text of the string, its
line breaks as spaces.
"""
import json
import math
import os
import re
import sys

import ezdxf
from ezdxf.tools.text import plain_mtext

KNOWN = {"LINE", "POINT", "CIRCLE", "ARC", "ELLIPSE", "TEXT", "MTEXT", "SOLID", "TRACE",
         "INSERT", "DIMENSION", "POLYLINE", "LWPOLYLINE", "MLINE", "SPLINE"}


def pt(v):
    v = tuple(v)
    return [float(v[0]), float(v[1]), float(v[2]) if len(v) > 2 else 0.0]


UNICODE_ESCAPE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")


def text(s):
    # ezdxf's own decode_dxf_unicode misses the lower-case hex digits that ezdxf writes.
    return UNICODE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), s)


def mtext_plain(s):
    # The %% control codes stay for the importer's own text cleaning: kept out of ezdxf's way.
    keep = "\ue000"
    plain = plain_mtext(text(s).replace("%%", keep)).replace("\n", " ")
    return plain.replace(keep, "%%")


def rad(degrees):
    return math.radians(float(degrees))


def lwpolyline(e, out):
    verts = [list(map(float, v)) for v in e.get_points(format="xyseb")]
    flags = 0
    if any(v[4] != 0.0 for v in verts):
        flags |= 0x10
    if any(v[2] != 0.0 or v[3] != 0.0 for v in verts):
        flags |= 0x20
    packed = []
    for x, y, s, w, b in verts:
        packed += [x, y]
        if flags & 0x10:
            packed.append(b)
        if flags & 0x20:
            packed += [s, w]
    out.update(count=len(verts), closed=bool(e.closed), const_width=float(e.dxf.const_width),
               vertices=verts, packed_flags=flags, packed=packed)


def mline(e, out):
    vertices, packed = [], []
    for v in e.vertices:
        item = {"location": pt(v.location), "direction": pt(v.line_direction),
                "miter": pt(v.miter_direction),
                "line_params": [list(map(float, p)) for p in v.line_params],
                "fill_params": [list(map(float, p)) for p in v.fill_params]}
        vertices.append(item)
        for triple in (item["location"], item["direction"], item["miter"]):
            packed += [["d", c] for c in triple]
        for params, fills in zip(item["line_params"], item["fill_params"]):
            packed.append(["s", len(params)])
            packed += [["d", p] for p in params]
            packed.append(["s", len(fills)])
            packed += [["d", f] for f in fills]
    out.update(style_lines=int(e.dxf.style_element_count), count=len(e.vertices),
               start=pt(e.dxf.start_location), vertices=vertices, packed=packed)


def entity(e):
    t = e.dxftype()
    if t not in KNOWN:
        return [{"type": t, "other": True}]
    d = e.dxf
    out = {"type": t, "layer": text(d.layer), "extrusion": pt(d.get("extrusion", (0, 0, 1)))}
    if t == "LINE":
        out.update(start=pt(d.start), end=pt(d.end))
    elif t == "POINT":
        out.update(location=pt(d.location))
    elif t == "CIRCLE":
        out.update(centre=pt(d.center), radius=float(d.radius))
    elif t == "ARC":
        out.update(centre=pt(d.center), radius=float(d.radius), start_angle=rad(d.start_angle),
                   end_angle=rad(d.end_angle))
    elif t == "ELLIPSE":
        out.update(centre=pt(d.center), major_axis=pt(d.major_axis), ratio=float(d.ratio),
                   start_param=float(d.start_param), end_param=float(d.end_param))
    elif t == "TEXT":
        out.update(align_point=pt(d.insert), height=float(d.height), rotation=rad(d.rotation),
                   flags=int(d.text_generation_flag), text=text(d.text))
    elif t == "MTEXT":
        out.update(insert=pt(d.insert), height=float(d.char_height),
                   attachment=int(d.attachment_point), width=float(d.get("width", 0.0)),
                   text=mtext_plain(e.text))
    elif t in ("SOLID", "TRACE"):
        c3 = pt(d.vtx2)
        out.update(corners=[pt(d.vtx0), pt(d.vtx1), c3, pt(d.get("vtx3", c3))])
    elif t == "INSERT":
        out.update(insert=pt(d.insert), scale_x=float(d.xscale), scale_y=float(d.yscale),
                   rotation=rad(d.rotation), block=text(d.name))
        return [out] + [{"type": "ATTRIB", "other": True} for _ in e.attribs]
    elif t == "DIMENSION":
        out.update(insert=pt(d.get("insert", (0, 0, 0))), rotation=rad(d.get("angle", 0)),
                   defpoint=pt(d.defpoint), block=text(d.geometry))
    elif t == "POLYLINE":
        out.update(default_width=float(d.default_start_width), flags=int(d.flags))
        result = [out]
        for v in e.vertices:
            result.append({"type": "VERTEX", "layer": text(v.dxf.layer),
                           "location": pt(v.dxf.location),
                           "width": float(v.dxf.start_width), "bulge": float(v.dxf.bulge)})
        result.append({"type": "SEQEND", "layer": text(e.seqend.dxf.layer)})
        return result
    elif t == "LWPOLYLINE":
        lwpolyline(e, out)
    elif t == "MLINE":
        mline(e, out)
    elif t == "SPLINE":
        control = [pt(p) for p in e.control_points]
        weights = [float(w) for w in e.weights]
        tangent = lambda name: pt(d.get(name)) if d.hasattr(name) else None
        out.update(degree=int(d.degree), flags=int(d.flags), knots=[float(k) for k in e.knots],
                   control=control, weights=weights if len(weights) == len(control) else [],
                   fit=[pt(p) for p in e.fit_points], start_tangent=tangent("start_tangent"),
                   end_tangent=tangent("end_tangent"))
    return [out]


def entities(layout):
    result = []
    for e in layout:
        result += entity(e)
    return result


def tested_points(space_entities):
    """The points of a space's entities that the importer tests against the extents, with X
    mirrored where the entity's extrusion points down Z (circles, texts, solids, polylines)."""
    points = []
    for e in space_entities:
        down = "extrusion" in e and e["extrusion"][2] < 0 and abs(e["extrusion"][0]) < 1e-9 \
            and abs(e["extrusion"][1]) < 1e-9
        sx = -1.0 if down else 1.0
        t = e["type"]
        if t == "LINE":
            points += [e["start"], e["end"]]
        elif t in ("POINT", "VERTEX"):
            points.append(e["location"])
        elif t == "CIRCLE":
            points.append([sx * e["centre"][0], e["centre"][1]])
        elif t == "TEXT":
            points.append([sx * e["align_point"][0], e["align_point"][1]])
        elif t == "MTEXT":
            points.append([sx * e["insert"][0], e["insert"][1]])
        elif t == "DIMENSION":
            points.append(e["defpoint"])
        elif t in ("SOLID", "TRACE"):
            points += [[sx * c[0], c[1]] for c in e["corners"]]
        elif t == "LWPOLYLINE":
            points += [[sx * v[0], v[1]] for v in e["vertices"]]
        elif t == "MLINE":
            points += [e["start"]] + [v["location"] for v in e["vertices"]]
    return points


def extents(doc, layout, prefix, space_entities):
    """The stated extents count only when they hold every tested point; otherwise the engine
    computes its own, which must enclose those points."""
    lo = doc.header.get(prefix + "MIN")
    hi = doc.header.get(prefix + "MAX")
    points = tested_points(space_entities)
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    if lo is not None and hi is not None and all(a <= b for a, b in zip(pt(lo), pt(hi))):
        lo, hi = pt(lo), pt(hi)
        if all(lo[0] <= x <= hi[0] for x in xs) and all(lo[1] <= y <= hi[1] for y in ys):
            return {"stated": True, "min": lo, "max": hi}
    contains = [[min(xs), min(ys)], [max(xs), max(ys)]] if xs else None
    return {"stated": False, "contains": contains}


def dump(path):
    try:
        doc = ezdxf.readfile(path)
    except ezdxf.DXFStructureError:
        # A file without its final EOF line: ezdxf reads it in recover mode.
        from ezdxf import recover
        doc, _ = recover.readfile(path)
    msp = entities(doc.modelspace())
    psp = entities(doc.layout())
    blocks = []
    for block in doc.blocks:
        if block.is_any_layout:
            continue
        blocks.append({"name": text(block.name), "base": pt(block.block.dxf.base_point),
                       "entities": entities(block)})
    layers = [{"name": text(l.dxf.name), "colour": int(l.dxf.color),
               "frozen": bool(l.dxf.flags & 1)} for l in doc.layers]
    return {
        "format": 1,
        "file": os.path.basename(path),
        "acadver": doc.dxfversion,
        "header": {"model": extents(doc, doc.modelspace(), "$EXT", msp),
                   "paper": extents(doc, doc.layout(), "$PEXT", psp)},
        "layers": layers,
        "spaces": {"*MODEL_SPACE": msp, "*PAPER_SPACE": psp},
        "blocks": blocks,
    }


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    count = 0
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".dxf"):
            continue
        path = os.path.join(folder, name)
        with open(path[:-4] + ".expected.json", "w", encoding="utf-8") as f:
            json.dump(dump(path), f, indent=1, ensure_ascii=False)
            f.write("\n")
        count += 1
    print("wrote %d expected files to %s" % (count, folder))


if __name__ == "__main__":
    main()
