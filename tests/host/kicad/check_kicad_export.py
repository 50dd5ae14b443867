#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Exports boards to KiCad and loads them with KiCad 6's own pcbnew module: every drawing of
tests/data that imports without warning (blocks as loose primitives, and the drawings with
blocks again as components), plus the README's demo drawing. For each, the objects KiCad read
must match the host board: counts by kind and layer, and coordinates, widths, radii, angles and
pad sizes within 1 nm of the exact conversion (2.54 nm per board unit, y down).

Usage: /usr/bin/python3 check_kicad_export.py PCBHOST DATA_DIR WORK_DIR
Exit 0 when every board matches; 1 with the reasons otherwise, including when KiCad's pcbnew
module cannot be loaded (install it with scripts/setup-deps.sh).
"""
import glob
import json
import math
import os
import re
import shutil
import subprocess
import sys

PYTHON = "/usr/bin/python3"
TOLERANCE = 1.0  # nm
ARC_SNAP = 200.0  # nm: the most KiCad 6 moves an arc's centre when reading it
DEMO = "demo_board_R2000"  # the drawing scripts/import-demo.sh imports by default, with its answers
DEMO_ANSWERS = ("units=1mm", "linewidth=0.2mm", "blocks=components",
                "layer:OUTLINE=Mechanical Layer 1", "layer:HOLES=Multi Layer", "condition:HOLES=All",
                "layer:SILK=Top Overlay", "layer:PARTS=Top Overlay", "layer:NOTES=Not Imported")
DEMO_OUTLINE = "Mechanical Layer 1"

# ---- The expected KiCad layer of a host layer (the table the exporter documents) ---------------
FIXED = {"Top Layer": "F.Cu", "Bottom Layer": "B.Cu", "Top Overlay": "F.SilkS",
         "Bottom Overlay": "B.SilkS", "Top Paste": "F.Paste", "Bottom Paste": "B.Paste",
         "Top Solder Mask": "F.Mask", "Bottom Solder Mask": "B.Mask", "Keep Out Layer": "Margin"}
SLOTS = ["User.%d" % n for n in range(1, 10)] + ["Dwgs.User", "Cmts.User", "Eco1.User",
                                                 "Eco2.User"]


def kicad_layer(name, outline=None):
    if outline and name.lower() == outline.lower():
        return "Edge.Cuts"
    if name in FIXED:
        return FIXED[name]
    m = re.fullmatch(r"Mid Layer (\d+)", name)
    if m and 1 <= int(m.group(1)) <= 30:
        return "In%s.Cu" % m.group(1)
    m = re.fullmatch(r"Mechanical Layer (\d+)", name)
    if m:
        n = int(m.group(1))
        o = re.fullmatch(r"Mechanical Layer (\d+)", outline or "")
        index = n - 1 - (1 if o and int(o.group(1)) < n else 0)
        return SLOTS[min(index, len(SLOTS) - 1)]
    return "F.Fab"


def nm(units):
    """Exact nanometres of board units (a float: the check allows 1 nm)."""
    return units * 2.54


class Expect:
    def __init__(self, origin, outline):
        self.ox, self.oy = origin
        self.outline = outline

    def pt(self, x, y):
        return (self.ox + nm(x), self.oy - nm(y))

    def layer(self, obj):
        return kicad_layer(obj["Layer"], self.outline)


# ---- Reading the KiCad board (in a child process: a bad board can crash the loader) ------------
DUMP = r"""
import json, math, sys
import pcbnew
# KiCad's standard names of the layers whose file tokens differ.
TOKENS = {"User.Drawings": "Dwgs.User", "User.Comments": "Cmts.User", "User.Eco1": "Eco1.User",
          "User.Eco2": "Eco2.User", "F.Silkscreen": "F.SilkS", "B.Silkscreen": "B.SilkS",
          "F.Adhesive": "F.Adhes", "B.Adhesive": "B.Adhes", "F.Courtyard": "F.CrtYd",
          "B.Courtyard": "B.CrtYd"}
def token(layer):
    name = pcbnew.BOARD.GetStandardLayerName(layer)
    return TOKENS.get(name, name)
def p(v): return [v.x, v.y]
def shape(s, fp):
    d = {"layer": token(s.GetLayer()), "width": s.GetWidth(), "shape": s.GetShape(),
         "fp": fp is not None, "filled": s.IsFilled()}
    t = s.GetShape()
    if t == pcbnew.SHAPE_T_SEGMENT or t == pcbnew.SHAPE_T_RECT:
        d.update(start=p(s.GetStart()), end=p(s.GetEnd()), kind="line" if t == 0 else "rect")
    elif t == pcbnew.SHAPE_T_CIRCLE:
        d.update(kind="circle", center=p(s.GetCenter()), radius=s.GetRadius())
    elif t == pcbnew.SHAPE_T_ARC:
        d.update(kind="arc", center=p(s.GetCenter()), radius=s.GetRadius(),
                 start=p(s.GetStart()), end=p(s.GetEnd()), angle=s.GetArcAngle() / 10.0)
    elif t == pcbnew.SHAPE_T_POLY:
        o = s.GetPolyShape().Outline(0)
        pts = [p(o.CPoint(i)) for i in range(o.PointCount())]
        if fp is not None:  # a footprint's polygon stays in the footprint's own frame
            a = math.radians(fp.GetOrientation() / 10.0)
            c, n, at = math.cos(a), math.sin(a), fp.GetPosition()
            pts = [[at.x + x * c + y * n, at.y + y * c - x * n] for x, y in pts]
        d.update(kind="poly", points=pts)
    else:
        d.update(kind="other")
    return d
def text(t, fp):
    return {"kind": "text", "fp": fp is not None, "layer": token(t.GetLayer()), "text": t.GetText(),
            "pos": p(t.GetTextPos()), "height": t.GetTextHeight(), "width": t.GetTextWidth(),
            "thickness": t.GetTextThickness(),
            "angle": (t.GetDrawRotation() if fp else t.GetTextAngle()) / 10.0,
            "mirror": t.IsMirrored(), "bold": t.IsBold(), "italic": t.IsItalic(),
            "hjustify": int(t.GetHorizJustify()), "vjustify": int(t.GetVertJustify())}
def board(path):
    b = pcbnew.LoadBoard(path)
    items = []
    for d in b.GetDrawings():
        if isinstance(d, pcbnew.PCB_TEXT):
            items.append(text(d, None))
        else:
            items.append(shape(d, None))
    for t in b.GetTracks():
        if isinstance(t, pcbnew.PCB_VIA):
            items.append({"kind": "via", "pos": p(t.GetPosition()), "size": t.GetWidth(),
                          "drill": t.GetDrillValue(), "top": token(t.TopLayer()),
                          "bottom": token(t.BottomLayer())})
        elif isinstance(t, pcbnew.PCB_ARC):
            items.append({"kind": "trackarc", "layer": token(t.GetLayer()), "start": p(t.GetStart()),
                          "end": p(t.GetEnd()), "center": p(t.GetCenter()), "radius": t.GetRadius(),
                          "width": t.GetWidth(), "angle": t.GetAngle() / 10.0})
        else:
            items.append({"kind": "segment", "layer": token(t.GetLayer()), "start": p(t.GetStart()),
                          "end": p(t.GetEnd()), "width": t.GetWidth()})
    fps = []
    for f in b.GetFootprints():
        fp = {"pos": p(f.GetPosition()), "angle": f.GetOrientation() / 10.0,
              "reference": text(f.Reference(), f), "value": text(f.Value(), f),
              "layer": token(f.GetLayer()), "items": [], "pads": []}
        for g in f.GraphicalItems():
            fp["items"].append(text(g, f) if isinstance(g, pcbnew.FP_TEXT) else shape(g, f))
        for q in f.Pads():
            fp["pads"].append({"kind": "pad", "pos": p(q.GetPosition()), "size": p(q.GetSize()),
                               "drill": p(q.GetDrillSize()), "angle": q.GetOrientation() / 10.0,
                               "shape": int(q.GetShape()),
                               "layers": sorted(token(l)
                                                for l in q.GetLayerSet().Seq())})
        fps.append(fp)
    return {"items": items, "footprints": fps}
print(json.dumps([board(path) for path in sys.argv[1:]]))
"""


def dump(paths):
    """What KiCad read from each board, loading them all in one child process."""
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    r = subprocess.run([PYTHON, "-c", DUMP] + paths, capture_output=True, text=True, env=env)
    if r.returncode != 0:
        raise RuntimeError("KiCad could not load %s (exit %d): %s" % (
            paths[0] if len(paths) == 1 else "one of the boards", r.returncode,
            r.stderr.strip()[-800:]))
    return json.loads(r.stdout)


def dump_each(paths):
    """The boards KiCad read; a board that cannot be loaded (or crashes the loader) is named."""
    try:
        return {p: d for p, d in zip(paths, dump(paths))}
    except RuntimeError:
        out = {}
        for p in paths:
            try:
                out[p] = dump([p])[0]
            except RuntimeError as error:
                out[p] = error
        return out


# ---- Comparing ------------------------------------------------------------------------------------
class Board:
    def __init__(self, name):
        self.name = name
        self.errors = []
        self.worst = {}
        self.snapped = 0

    def close(self, what, got, want, tol=TOLERANCE):
        err = abs(got - want)
        self.worst[what] = max(self.worst.get(what, 0.0), err)
        if not err <= tol:
            self.errors.append("%s: %s is %r, expected %r" % (self.name, what, got, want))

    def point(self, what, got, want):
        self.close(what + ".x", got[0], want[0])
        self.close(what + ".y", got[1], want[1])

    def equal(self, what, got, want):
        if got != want:
            self.errors.append("%s: %s is %r, expected %r" % (self.name, what, got, want))


def norm_deg(a):
    a = math.fmod(a, 360.0)
    return a + 360.0 if a < 0 else a


def arc_expectation(e, o):
    """(kind, data) of a host arc: a circle, or start/end/centre/sweep."""
    raw = o["EndAngle"] - o["StartAngle"]
    r = abs(o["Radius"])
    sweep = 360.0 if raw >= 360 else math.fmod(raw, 360.0)
    if sweep <= 0:
        sweep += 360.0
    c = e.pt(o["X"], o["Y"])
    if sweep >= 360 or r == 0:
        return "circle", {"center": c, "radius": nm(r)}
    s = math.radians(o["StartAngle"])
    t = math.radians(o["StartAngle"] + sweep)
    p0 = e.pt(o["X"] + r * math.cos(s), o["Y"] + r * math.sin(s))
    p1 = e.pt(o["X"] + r * math.cos(t), o["Y"] + r * math.sin(t))
    return "arc", {"center": c, "radius": nm(r), "ends": (p0, p1), "sweep": sweep}


def compare_shape(b, what, got, want_kind, want, width):
    b.equal(what + " kind", got["kind"], want_kind)
    if got["kind"] != want_kind:
        return
    if width is not None:
        b.close(what + " width", got["width"], width)
    if want_kind == "line":
        b.point(what + " start", got["start"], want["start"])
        b.point(what + " end", got["end"], want["end"])
    elif want_kind == "circle":
        b.point(what + " centre", got["center"], want["center"])
        b.close(what + " radius", got["radius"], want["radius"])
    elif want_kind == "arc":
        # KiCad may turn an arc round: its ends compare unordered.
        p0, p1 = want["ends"]
        g0, g1 = got["start"], got["end"]
        d = lambda a, c: max(abs(a[0] - c[0]), abs(a[1] - c[1]))
        if d(g0, p0) + d(g1, p1) > d(g0, p1) + d(g1, p0):
            g0, g1 = g1, g0
        b.point(what + " arc end", g0, p0)
        b.point(what + " arc end", g1, p1)
        # KiCad 6 derives the centre from the three points and moves it onto a 10 or 100 nm
        # grid when that lies within its own rounding estimate (about 50 nm, 150 nm for short
        # arcs): a centre may differ by that much, but only onto such a grid.
        shift = max(abs(got["center"][0] - want["center"][0]),
                    abs(got["center"][1] - want["center"][1]))
        if shift > TOLERANCE:
            b.snapped += 1
            b.worst["arc centre on KiCad's grid"] = max(
                b.worst.get("arc centre on KiCad's grid", 0.0), shift)
            on_grid = all(g % 10 == 0 or abs(g - w) <= TOLERANCE
                          for g, w in zip(got["center"], want["center"]))
            b.equal(what + " centre moved onto KiCad's 10 nm grid", on_grid, True)
            b.close(what + " centre moved by KiCad", shift, 0, ARC_SNAP)
        b.close(what + " radius", got["radius"], want["radius"], TOLERANCE + shift)
        # The sweep as arc length at the radius, so that it is a length too.
        b.close(what + " sweep (as arc length)",
                abs(got["angle"]) * math.pi / 180 * want["radius"],
                want["sweep"] * math.pi / 180 * want["radius"], TOLERANCE + 4 * shift)
    elif want_kind in ("poly", "rect"):
        pts = want["points"]
        if want_kind == "rect":
            xs = sorted(p[0] for p in pts)
            ys = sorted(p[1] for p in pts)
            b.point(what + " corner", sorted_pair(got["start"], got["end"])[0], (xs[0], ys[0]))
            b.point(what + " corner", sorted_pair(got["start"], got["end"])[1], (xs[-1], ys[-1]))
            return
        b.equal(what + " corners", len(got["points"]), len(pts))
        for g, w in zip(got["points"], pts):
            b.point(what + " corner", g, w)


def sorted_pair(a, c):
    return ((min(a[0], c[0]), min(a[1], c[1])), (max(a[0], c[0]), max(a[1], c[1])))


def dedupe(points):
    out = []
    for p in points:
        q = (round(p[0]), round(p[1]))
        if not out or out[-1][1] != q:
            out.append((p, q))
    while len(out) > 1 and out[-1][1] == out[0][1]:
        out.pop()
    return [p for p, _ in out]


def expected_items(e, o, in_fp):
    """The KiCad items (kind, layer, data, width) one host object becomes."""
    layer = e.layer(o)
    copper = layer.endswith(".Cu")
    k = o["Kind"]
    if k == "Track":
        kind = "segment" if copper and not in_fp else "line"
        return [(kind, layer, {"start": e.pt(o["X"], o["Y"]), "end": e.pt(o["X2"], o["Y2"])},
                 nm(o.get("Width", 100000)))]
    if k == "Arc":
        kind, data = arc_expectation(e, o)
        if kind == "arc" and copper and not in_fp:
            kind = "trackarc"
        return [(kind, layer, data, nm(o.get("Width", 100000)))]
    if k == "Region":
        pts = dedupe([e.pt(x, y) for x, y in o["Outline"]])
        return [("poly", layer, {"points": pts}, None)] if pts else []
    if k == "Fill":
        rot = norm_deg(o.get("Rotation", 0))
        cx, cy = (o["X"] + o["X2"]) / 2, (o["Y"] + o["Y2"]) / 2
        hw, hh = abs(o["X2"] - o["X"]) / 2, abs(o["Y2"] - o["Y"]) / 2
        c, s = math.cos(math.radians(rot)), math.sin(math.radians(rot))
        pts = [e.pt(cx + px * c - py * s, cy + px * s + py * c)
               for px, py in ((-hw, -hh), (hw, -hh), (hw, hh), (-hw, hh))]
        return [("rect" if rot in (0, 90, 180, 270) else "poly", layer, {"points": pts}, None)]
    if k == "Text":
        return [("text", layer, o, None)]
    if k == "Pad":
        return [("pad", layer, o, None)]
    if k == "Via":
        return [("via", layer, o, None)]
    return []


def compare_text(b, what, e, got, o, owner_text=None):
    b.equal(what + " text", got["text"], owner_text if owner_text is not None else o["Text"])
    b.point(what + " position", got["pos"], e.pt(o["X"], o["Y"]))
    b.close(what + " height", got["height"], nm(o.get("Height", 600000)))
    b.close(what + " thickness", got["thickness"], nm(o.get("Width", 100000)))
    b.close(what + " angle (at its height)",
            norm_deg(got["angle"]) * math.pi / 180 * got["height"],
            norm_deg(o.get("Rotation", 0)) * math.pi / 180 * got["height"])
    b.equal(what + " mirror", got["mirror"], bool(o.get("Mirror", 0)))
    b.equal(what + " justification", (got["hjustify"], got["vjustify"]), (-1, 1))


def pad_layers(layer, o):
    hole = o.get("HoleSize", 300000) > 0
    if o["Layer"] == "Multi Layer" or layer.endswith(".Cu"):
        if hole:
            return None  # every copper layer and both masks
        if layer == "B.Cu":
            return ["B.Cu", "B.Mask", "B.Paste"]
        if o["Layer"] == "Multi Layer" or layer == "F.Cu":
            return ["F.Cu", "F.Mask", "F.Paste"]
    return [layer]


def compare_pad(b, what, e, got, o, layer):
    b.point(what + " position", got["pos"], e.pt(o["X"], o["Y"]))
    sizes = o.get("PadSizes", [600000] * 6)
    b.close(what + " size x", got["size"][0], nm(sizes[0]))
    b.close(what + " size y", got["size"][1], nm(sizes[1]))
    hole = o.get("HoleSize", 300000)
    b.close(what + " drill", got["drill"][0], nm(hole) if hole > 0 else 0)
    b.close(what + " angle", norm_deg(got["angle"]), norm_deg(o.get("Rotation", 0)), 1e-6)
    want = pad_layers(layer, o)
    if want is None:
        b.equal(what + " copper", "F.Cu" in got["layers"] and "B.Cu" in got["layers"], True)
    else:
        b.equal(what + " layers", got["layers"], want)


def compare_board(name, host, kicad, outline, got):
    b = Board(name)
    text = open(kicad, encoding="utf-8").read()
    m = re.search(r'pcbhost board origin \(0,0\) at x (-?[\d.]+) y (-?[\d.]+) mm', text)
    if not m:
        b.errors.append(name + ": the KiCad board names no board origin")
        return b
    e = Expect((round(float(m.group(1)) * 1e6), round(float(m.group(2)) * 1e6)), outline)
    if isinstance(got, Exception):
        b.errors.append("%s: %s" % (name, got))
        return b

    # Board-level items in order, and footprints in order (loose pads, then components).
    want_items, want_fps = [], []
    vias = []
    for o in host["Objects"]:
        if o["Kind"] == "Pad":
            want_fps.append(("pad", o))
        elif o["Kind"] == "Component":
            want_fps.append(("component", o))
            vias += [c for c in o.get("Children", []) if c["Kind"] == "Via"]
        else:
            want_items += [(o, x) for x in expected_items(e, o, False)]
    loose_pads = [f for f in want_fps if f[0] == "pad"]
    components = [f for f in want_fps if f[0] == "component"]
    want_items += [(v, x) for v in vias for x in expected_items(e, v, False)]

    def count(pairs):
        counts = {}
        for kind, layer in pairs:
            counts[(kind, layer)] = counts.get((kind, layer), 0) + 1
        return counts

    got_items = got["items"]
    b.equal("items by kind and layer",
            count((g["kind"], g.get("layer")) for g in got_items if g["kind"] != "via"),
            count((x[0], x[1]) for _, x in want_items if x[0] != "via"))
    b.equal("vias", sum(g["kind"] == "via" for g in got_items),
            sum(x[0] == "via" for _, x in want_items))
    # KiCad keeps drawings and tracks in two lists: compare each list in file order.
    def split(seq, key):
        return [s for s in seq if key(s)], [s for s in seq if not key(s)]
    is_track = lambda kind: kind in ("segment", "trackarc", "via")
    gt, gd = split(got_items, lambda g: is_track(g["kind"]))
    wt, wd = split(want_items, lambda w: is_track(w[1][0]))
    for gots, wants in ((gd, wd), (gt, wt)):
        if len(gots) != len(wants):
            continue
        for i, (g, (o, (kind, layer, data, width))) in enumerate(zip(gots, wants)):
            what = "%s %d (%s on %s)" % (o["Kind"], i, kind, layer)
            compare_item(b, what, e, g, o, kind, layer, data, width)

    gf = got["footprints"]
    b.equal("footprints", len(gf), len(loose_pads) + len(components))
    if len(gf) == len(loose_pads) + len(components):
        # The file holds loose pads first, then components.
        for i, (g, (_, o)) in enumerate(zip(gf, loose_pads + components)):
            what = "footprint %d" % i
            if o["Kind"] == "Pad":
                b.equal(what + " pads", len(g["pads"]), 1)
                if g["pads"]:
                    compare_pad(b, what + " pad", e, g["pads"][0], o, e.layer(o))
                continue
            b.point(what + " position", g["pos"], e.pt(o["X"], o["Y"]))
            b.close(what + " angle", norm_deg(g["angle"]), norm_deg(o.get("Rotation", 0)), 1e-6)
            for key, field in (("reference", "NameText"), ("value", "SecondText")):
                t = o.get(field)
                if t:
                    shown = o["Name"] if t["Text"].lower() == ".designator" else t["Text"]
                    compare_text(b, what + " " + key, e, g[key], t, shown)
            children = [c for c in o.get("Children", []) if c["Kind"] != "Via"]
            pads = [c for c in children if c["Kind"] == "Pad"]
            shapes = [(c, x) for c in children if c["Kind"] != "Pad"
                      for x in expected_items(e, c, True)]
            b.equal(what + " pads", len(g["pads"]), len(pads))
            b.equal(what + " items by kind and layer",
                    count((x["kind"], x["layer"]) for x in g["items"]),
                    count((x[0], x[1]) for _, x in shapes))
            for j, (gp, c) in enumerate(zip(g["pads"], pads)):
                compare_pad(b, "%s pad %d" % (what, j), e, gp, c, e.layer(c))
            if len(g["items"]) == len(shapes):
                for j, (gi, (c, (kind, layer, data, width))) in enumerate(zip(g["items"], shapes)):
                    compare_item(b, "%s %s %d" % (what, c["Kind"], j), e, gi, c, kind, layer,
                                 data, width)
    return b


def compare_item(b, what, e, g, o, kind, layer, data, width):
    if kind == "text":
        b.equal(what + " kind", g["kind"], "text")
        if g["kind"] == "text":
            compare_text(b, what, e, g, o)
        return
    if kind == "via":
        b.equal(what + " kind", g["kind"], "via")
        if g["kind"] == "via":
            b.point(what + " position", g["pos"], e.pt(o["X"], o["Y"]))
            b.close(what + " size", g["size"], nm(o.get("Size", 500000)))
            b.close(what + " drill", g["drill"], nm(o.get("HoleSize", 280000)))
        return
    if kind == "trackarc":
        b.equal(what + " kind", g["kind"], "trackarc")
        if g["kind"] == "trackarc":
            compare_shape(b, what, dict(g, kind="arc"), "arc", data, width)
        return
    if kind == "segment":
        b.equal(what + " kind", g["kind"], "segment")
        if g["kind"] == "segment":
            compare_shape(b, what, dict(g, kind="line"), "line", data, width)
        return
    compare_shape(b, what, g, kind, data, width)
    if kind in ("poly", "rect"):
        b.equal(what + " filled", g["filled"], True)


# ---- Driving pcbhost ------------------------------------------------------------------------------
def run_import(pcbhost, drawing, work, stem, answers=(), outline=None):
    board = os.path.join(work, stem + ".board.json")
    kicad = os.path.join(work, stem + ".kicad_pcb")
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "cfg"),
               DXFI_USER_HIVE=os.path.join(work, "cfg", "user.reg"),
               TMPDIR=os.path.join(work, "tmp"))
    env.pop("DISPLAY", None)
    # Test mode ends the import at a warning box, but the plug-in then answers its own
    # dialog: imports with answers run outside it, and their boxes are found on standard error.
    cmd = [pcbhost, "import", drawing, "--no", "-o", board, "--kicad", kicad]
    if not answers:
        cmd.append("--test-mode")
    for a in answers:
        cmd += ["--answer", a]
    if outline:
        cmd += ["--kicad-outline", outline]
    r = subprocess.run(cmd, capture_output=True, text=True, env=env)
    return r, board, kicad


def synthetic_board():
    """A board with every kind the export writes, on every class of layer: copper (tracks and
    arcs become tracks), overlays, masks, keep-out, planes and mechanical layers beyond the 13
    KiCad has (both folded), vias, fills (turned and not), pads of each shape, texts turned and
    mirrored, and a turned component with pads, graphics and texts."""
    def text(layer, x, y, s, rot=0, mirror=0):
        return {"Kind": "Text", "Layer": layer, "X": x, "Y": y, "Text": s, "Height": 600000,
                "Rotation": rot, "Mirror": mirror, "Width": 80000}
    def pad(layer, x, y, sx, sy, hole, shape=1, rot=0, cr=50):
        return {"Kind": "Pad", "Layer": layer, "X": x, "Y": y, "PadSizes": [sx, sy] * 3,
                "HoleSize": hole, "Rotation": rot,
                "PadLayers": [{"Layer": l, "Shape": shape, "SizeX": sx, "SizeY": sy,
                               "CornerRadius": 0, "CRPercentage": cr}
                              for l in ("Top Layer", "Mid Layer 1", "Bottom Layer")]}
    objects = [
        {"Kind": "Track", "Layer": "Top Layer", "X": 1000000, "Y": 1000000, "X2": 3000001,
         "Y2": 1500003, "Width": 100000},
        {"Kind": "Track", "Layer": "Mid Layer 3", "X": 1000000, "Y": 2000000, "X2": 3000000,
         "Y2": 2000000, "Width": 80000},
        {"Kind": "Track", "Layer": "Bottom Layer", "X": 1000000, "Y": 2500000, "X2": 1000000,
         "Y2": 4000000, "Width": 120000},
        {"Kind": "Arc", "Layer": "Top Layer", "X": 5000000, "Y": 5000000, "Radius": 1000000,
         "StartAngle": 10, "EndAngle": 100, "Width": 100000},
        {"Kind": "Arc", "Layer": "Bottom Layer", "X": 5000000, "Y": 5000000, "Radius": 700000,
         "StartAngle": 0, "EndAngle": 360, "Width": 100000},
        {"Kind": "Arc", "Layer": "Top Overlay", "X": 8000000, "Y": 5000000, "Radius": 500000,
         "StartAngle": 300, "EndAngle": 60, "Width": 50000},
        {"Kind": "Track", "Layer": "Bottom Overlay", "X": 0, "Y": 0, "X2": 100000, "Y2": 0,
         "Width": 50000},
        {"Kind": "Track", "Layer": "Top Solder Mask", "X": 0, "Y": 100000, "X2": 100000,
         "Y2": 100000, "Width": 50000},
        {"Kind": "Track", "Layer": "Bottom Paste", "X": 0, "Y": 200000, "X2": 100000,
         "Y2": 200000, "Width": 50000},
        {"Kind": "Track", "Layer": "Keep Out Layer", "X": -2000000, "Y": -2000000,
         "X2": 12000000, "Y2": -2000000, "Width": 100000},
        {"Kind": "Track", "Layer": "Internal Plane 2", "X": 0, "Y": 300000, "X2": 100000,
         "Y2": 300000, "Width": 50000},
        {"Kind": "Track", "Layer": "Mechanical Layer 14", "X": 0, "Y": 400000, "X2": 100000,
         "Y2": 400000, "Width": 50000},
        {"Kind": "Track", "Layer": "Mechanical Layer 30", "X": 0, "Y": 500000, "X2": 100000,
         "Y2": 500000, "Width": 50000},
        {"Kind": "Region", "Layer": "Top Layer", "X": 0, "Y": 0,
         "Outline": [[9000000, 1000000], [10000000, 1000000], [10000000, 1000000],
                     [9500000, 2000000], [9000000, 1000000]]},
        {"Kind": "Fill", "Layer": "Bottom Layer", "X": 6000000, "Y": 1000000, "X2": 7000000,
         "Y2": 1500000, "Rotation": 0},
        {"Kind": "Fill", "Layer": "Mechanical Layer 2", "X": 6000000, "Y": 2000000,
         "X2": 7000000, "Y2": 2500000, "Rotation": 30},
        {"Kind": "Via", "Layer": "Multi Layer", "X": 4000000, "Y": 8000000, "Size": 500000,
         "HoleSize": 280000},
        text("Top Overlay", 1000000, 7000000, "Turned 30", 30),
        text("Bottom Overlay", 1000000, 8000000, "Mirrored", 0, 1),
        text("Mechanical Layer 1", 1000000, 9000000, 'Quote " back\\slash \u03a9', 270),
        pad("Multi Layer", 2000000, 6000000, 600000, 600000, 300000),
        pad("Top Layer", 3000000, 6000000, 800000, 400000, 0, 2, 45),
        pad("Bottom Layer", 4000000, 6000000, 600000, 600000, 0, 3),
        pad("Multi Layer", 5000000, 6000000, 900000, 500000, 350000, 9, 90, 40),
        pad("Mechanical Layer 3", 6000000, 6000000, 500000, 500000, 200000),
    ]
    # A component turned by 30 degrees about (9000000, 8000000); its children in board places.
    cx, cy, rot = 9000000, 8000000, 30.0
    def turned(dx, dy):
        c, s = math.cos(math.radians(rot)), math.sin(math.radians(rot))
        return round(cx + dx * c - dy * s), round(cy + dx * s + dy * c)
    p1, p2, p3, p4 = turned(-500000, 0), turned(500000, 0), turned(0, 800000), turned(0, -900000)
    name = text("Top Overlay", *turned(-600000, 600000), ".Designator", rot)
    comment = text("Top Overlay", *turned(-600000, -700000), "Comment", rot)
    children = [
        pad("Multi Layer", *p1, 600000, 600000, 300000, 1, rot),
        pad("Top Layer", *p2, 700000, 400000, 0, 2, rot),
        {"Kind": "Track", "Layer": "Top Overlay", "X": p1[0], "Y": p1[1], "X2": p3[0],
         "Y2": p3[1], "Width": 60000},
        {"Kind": "Arc", "Layer": "Top Overlay", "X": cx, "Y": cy, "Radius": 900000,
         "StartAngle": 200, "EndAngle": 340, "Width": 60000},
        {"Kind": "Arc", "Layer": "Mechanical Layer 1", "X": p4[0], "Y": p4[1], "Radius": 100000,
         "StartAngle": 0, "EndAngle": 360, "Width": 20000},
        {"Kind": "Region", "Layer": "Top Layer", "X": 0, "Y": 0,
         "Outline": [list(turned(-200000, -200000)), list(turned(200000, -200000)),
                     list(turned(0, 200000))]},
        text("Mechanical Layer 1", *turned(0, 300000), "inside", rot + 90),
    ]
    objects.append({"Kind": "Component", "Layer": "Top Layer", "X": cx, "Y": cy, "Name": "U7",
                    "Rotation": rot, "NameText": name, "SecondText": comment,
                    "Children": children})
    return {"Format": "korrin-board", "Version": 1, "Board": {}, "Objects": objects}


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    pcbhost, data, work = sys.argv[1:]
    probe = subprocess.run([PYTHON, "-c", "import pcbnew; print(pcbnew.Version())"],
                           capture_output=True, text=True,
                           env={k: v for k, v in os.environ.items() if k != "DISPLAY"})
    if probe.returncode != 0:
        print("FAIL: KiCad 6's pcbnew module does not load in %s, so exported boards cannot be "
              "checked: %s\nInstall KiCad with scripts/setup-deps.sh (apt-get install "
              "--no-install-recommends kicad)." % (PYTHON, probe.stderr.strip()[-400:]))
        return 1
    print("KiCad", probe.stdout.strip())
    drawings = sorted(glob.glob(os.path.join(data, "*.dxf")))
    if not drawings:
        print("FAIL: no drawings in %s" % data)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "cfg"))
    os.makedirs(os.path.join(work, "tmp"))
    runs = []
    for d in drawings:
        stem = os.path.splitext(os.path.basename(d))[0]
        runs.append((d, stem, (), None))
        if stem.startswith(("insert", "xblock")):
            runs.append((d, stem + "-components", ("blocks=components",), None))
        if stem == DEMO:  # as the demo script imports it, with its outline as KiCad's
            runs.append((d, stem + "-demo", DEMO_ANSWERS, DEMO_OUTLINE))
    failures, checked, skipped = [], [], []
    exported = []  # (name, host board, KiCad board)
    for drawing, stem, answers, outline in runs:
        r, board, kicad = run_import(pcbhost, drawing, work, stem, answers, outline)
        warned = re.search(r"^(Warning|Error):$", r.stderr, re.M)
        if r.returncode != 0 or warned:
            # Drawings that import with a warning are not part of the check.
            if "ShowDialogWithCaption" in r.stdout or warned:
                skipped.append(stem)
                continue
            failures.append("%s: pcbhost import failed (exit %d): %s" %
                            (stem, r.returncode, (r.stdout + r.stderr).strip()[-600:]))
            continue
        exported.append((stem, board, kicad, outline, r.stderr))
    # Every kind on every class of layer, through pcbhost export.
    board = os.path.join(work, "synthetic.board.json")
    with open(board, "w", encoding="utf-8") as f:
        json.dump(synthetic_board(), f)
    kicad = os.path.join(work, "synthetic.kicad_pcb")
    r = subprocess.run([pcbhost, "export", board, "--kicad", kicad], capture_output=True,
                       text=True)
    want_losses = ["KiCad export: 1 object of Internal Plane 2 on F.Fab with other layers' "
                   "objects (KiCad has no negative planes)",
                   "KiCad export: 1 object of Mechanical Layer 14 on Eco2.User with other "
                   "layers' objects (KiCad 6 has 13 drawing layers for the mechanical layers)",
                   "KiCad export: 1 object of Mechanical Layer 30 on Eco2.User with other "
                   "layers' objects (KiCad 6 has 13 drawing layers for the mechanical layers)"]
    if r.returncode != 0:
        failures.append("synthetic: pcbhost export failed (exit %d): %s" %
                        (r.returncode, r.stderr.strip()[-600:]))
    else:
        lines = [l for l in r.stderr.splitlines() if l.startswith("KiCad export:")]
        if lines[:len(want_losses)] != want_losses:
            failures.append("synthetic: losses on standard error are %r, expected %r first" %
                            (lines, want_losses))
        exported.append(("synthetic", board, kicad, None, r.stderr))

    loaded = dump_each([k for _, _, k, _, _ in exported])
    worst = {}
    snapped = 0
    for stem, board, kicad, outline, stderr in exported:
        try:
            host = json.load(open(board, encoding="utf-8"))
            b = compare_board(stem, host, kicad, outline, loaded[kicad])
        except (OSError, ValueError, KeyError) as error:
            failures.append("%s: %s" % (stem, error))
            continue
        # The export names the arcs whose centre KiCad may move: at least those it moved.
        m = re.search(r"^KiCad export: (\d+) arcs? with a centre off KiCad's 10 nm grid", stderr,
                      re.M)
        if b.snapped and (not m or int(m.group(1)) < b.snapped):
            failures.append("%s: KiCad moved %d arc centres, the export named %s" %
                            (stem, b.snapped, m.group(1) if m else "none"))
        failures += b.errors
        checked.append(stem)
        snapped += b.snapped
        for k, v in b.worst.items():
            key = re.sub(r"^(footprint \d+ )?(\w+ \d+ )?(\(.*?\) )?", "", k)
            worst[key] = max(worst.get(key, 0.0), v)
    if DEMO + "-demo" not in checked:
        failures.append("the demo drawing %s was not checked" % DEMO)
    print("checked %d boards: %s" % (len(checked), " ".join(checked)))
    print("not checked (the import warns): %s" % (" ".join(skipped) or "none"))
    print("largest differences (nm): " +
          ", ".join("%s %.3f" % (k, v) for k, v in sorted(worst.items())))
    print("arcs whose centre KiCad moved onto its grid: %d" % snapped)
    if failures:
        print("FAIL: %d differences" % len(failures))
        for f in failures[:200]:
            print("  " + f)
        return 1
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
