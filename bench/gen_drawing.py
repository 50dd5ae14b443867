#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a large, realistic ASCII DXF (R2000 layout, as CAD programs save it: handles, owner
and subclass markers, six to eight significant digits) for the benchmark.

Usage: bench/gen_drawing.py ENTITIES OUTPUT.dxf [--seed N]
The mix per 100 top-level entities: 34 lines, 10 arcs, 10 circles, 10 lightweight polylines
(bulges and widths), 5 old-style polylines with vertices, 15 texts, 5 multi-line texts, 10
inserts of 24 blocks, over 64 layers. One million entities make about 235 MB.
"""
import random
import sys

LAYERS = ["LAYER_%02d_%s" % (i, kind) for i, kind in
          enumerate(["COPPER", "SILK", "MECH", "OUTLINE", "DRILL", "NOTES", "DIM", "KEEPOUT"] * 8)]
BLOCKS = ["BLK_%02d" % i for i in range(24)]


class Writer:
    def __init__(self, out):
        self.out = out
        self.parts = []
        self.handle = 0x100

    def next_handle(self):
        self.handle += 1
        return "%X" % self.handle

    def w(self, *pairs):
        parts = self.parts
        for code, value in pairs:
            parts.append("%3d\n%s\n" % (code, value))
        if len(parts) > 200000:
            self.flush()

    def flush(self):
        self.out.write("".join(self.parts))
        self.parts = []


def f(v):
    return "%.8g" % v


def entity_head(w, kind, layer, owner, subclass):
    w.w((0, kind), (5, w.next_handle()), (330, owner), (100, "AcDbEntity"), (8, layer),
        (100, subclass))


def line(w, r, layer, owner, x, y):
    entity_head(w, "LINE", layer, owner, "AcDbLine")
    w.w((10, f(x)), (20, f(y)), (30, "0.0"), (11, f(x + r.uniform(-50, 50))),
        (21, f(y + r.uniform(-50, 50))), (31, "0.0"))


def arc(w, r, layer, owner, x, y):
    entity_head(w, "ARC", layer, owner, "AcDbCircle")
    w.w((10, f(x)), (20, f(y)), (30, "0.0"), (40, f(r.uniform(0.5, 30))),
        (100, "AcDbArc"), (50, f(r.uniform(0, 360))), (51, f(r.uniform(0, 360))))


def circle(w, r, layer, owner, x, y):
    entity_head(w, "CIRCLE", layer, owner, "AcDbCircle")
    w.w((10, f(x)), (20, f(y)), (30, "0.0"), (40, f(r.uniform(0.2, 20))))


def lwpolyline(w, r, layer, owner, x, y):
    n = r.randint(4, 8)
    entity_head(w, "LWPOLYLINE", layer, owner, "AcDbPolyline")
    w.w((90, n), (70, r.choice((0, 1))), (43, "0.0"))
    for _ in range(n):
        x += r.uniform(-20, 20)
        y += r.uniform(-20, 20)
        w.w((10, f(x)), (20, f(y)))
        if r.random() < 0.5:
            width = f(r.uniform(0.1, 2))
            w.w((40, width), (41, width))
        if r.random() < 0.3:
            w.w((42, f(r.uniform(-1, 1))))


def polyline(w, r, layer, owner, x, y):
    n = r.randint(4, 6)
    head = w.next_handle()
    w.w((0, "POLYLINE"), (5, head), (330, owner), (100, "AcDbEntity"), (8, layer),
        (100, "AcDb2dPolyline"), (66, 1), (10, "0.0"), (20, "0.0"), (30, "0.0"),
        (70, r.choice((0, 1))), (40, f(r.uniform(0, 1))), (41, f(r.uniform(0, 1))))
    for _ in range(n):
        x += r.uniform(-20, 20)
        y += r.uniform(-20, 20)
        w.w((0, "VERTEX"), (5, w.next_handle()), (330, head), (100, "AcDbEntity"), (8, layer),
            (100, "AcDbVertex"), (100, "AcDb2dVertex"), (10, f(x)), (20, f(y)), (30, "0.0"),
            (40, f(r.uniform(0, 1))), (41, f(r.uniform(0, 1))), (42, f(r.uniform(-1, 1))))
    w.w((0, "SEQEND"), (5, w.next_handle()), (330, head), (100, "AcDbEntity"), (8, layer))


def text(w, r, layer, owner, x, y):
    entity_head(w, "TEXT", layer, owner, "AcDbText")
    w.w((10, f(x)), (20, f(y)), (30, "0.0"), (40, f(r.uniform(1, 5))),
        (1, "R%d 10k 0603 %s" % (r.randint(1, 9999), r.choice(("TOP", "BOTTOM", "MID")))),
        (50, f(r.choice((0, 90, 180, 270, r.uniform(0, 360))))), (100, "AcDbText"))


def mtext(w, r, layer, owner, x, y):
    entity_head(w, "MTEXT", layer, owner, "AcDbMText")
    words = " ".join(r.choice(("copper", "keep", "clearance", "0.2mm", "net", "GND", "via"))
                     for _ in range(r.randint(8, 40)))
    w.w((10, f(x)), (20, f(y)), (30, "0.0"), (40, f(r.uniform(1, 4))), (41, f(r.uniform(20, 90))),
        (71, r.randint(1, 9)), (72, 5), (1, "{\\fArial|b0|i0;" + words + "}"))


def insert(w, r, layer, owner, x, y):
    entity_head(w, "INSERT", layer, owner, "AcDbBlockReference")
    s = f(r.choice((1, 1, 2, 0.5)))
    w.w((2, r.choice(BLOCKS)), (10, f(x)), (20, f(y)), (30, "0.0"), (41, s), (42, s),
        (43, "1.0"), (50, f(r.choice((0, 90, 45, r.uniform(0, 360))))))


MIX = [line] * 34 + [arc] * 10 + [circle] * 10 + [lwpolyline] * 10 + [polyline] * 5 + \
      [text] * 15 + [mtext] * 5 + [insert] * 10


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: gen_drawing.py ENTITIES OUTPUT.dxf [--seed N]")
    count = int(sys.argv[1])
    seed = int(sys.argv[sys.argv.index("--seed") + 1]) if "--seed" in sys.argv else 1
    r = random.Random(seed)
    with open(sys.argv[2], "w", encoding="ascii", newline="\n") as out:
        w = Writer(out)
        w.w((0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1015"),
            (9, "$DWGCODEPAGE"), (3, "ANSI_1252"), (9, "$INSUNITS"), (70, 4),
            (9, "$EXTMIN"), (10, "-100.0"), (20, "-100.0"), (30, "0.0"),
            (9, "$EXTMAX"), (10, "10100.0"), (20, "10100.0"), (30, "0.0"),
            (9, "$HANDSEED"), (5, "FFFFFFF"), (0, "ENDSEC"))
        w.w((0, "SECTION"), (2, "TABLES"), (0, "TABLE"), (2, "LAYER"), (5, "2"), (330, "0"),
            (100, "AcDbSymbolTable"), (70, len(LAYERS) + 1))
        for i, name in enumerate(["0"] + LAYERS):
            w.w((0, "LAYER"), (5, w.next_handle()), (330, "2"), (100, "AcDbSymbolTableRecord"),
                (100, "AcDbLayerTableRecord"), (2, name), (70, 1 if i % 29 == 28 else 0),
                (62, -(i % 255 + 1) if i % 17 == 16 else i % 255 + 1), (6, "Continuous"))
        w.w((0, "ENDTAB"), (0, "TABLE"), (2, "BLOCK_RECORD"), (5, "1"), (330, "0"),
            (100, "AcDbSymbolTable"), (70, len(BLOCKS) + 2))
        records = {}
        for name in ["*Model_Space", "*Paper_Space"] + BLOCKS:
            records[name] = w.next_handle()
            w.w((0, "BLOCK_RECORD"), (5, records[name]), (330, "1"),
                (100, "AcDbSymbolTableRecord"), (100, "AcDbBlockTableRecord"), (2, name))
        w.w((0, "ENDTAB"), (0, "ENDSEC"), (0, "SECTION"), (2, "BLOCKS"))
        for name in ["*Model_Space", "*Paper_Space"] + BLOCKS:
            owner = records[name]
            w.w((0, "BLOCK"), (5, w.next_handle()), (330, owner), (100, "AcDbEntity"), (8, "0"),
                (100, "AcDbBlockBegin"), (2, name), (70, 0), (10, "0.0"), (20, "0.0"),
                (30, "0.0"), (3, name), (1, ""))
            if not name.startswith("*"):
                for _ in range(r.randint(5, 10)):
                    r.choice((line, arc, circle, lwpolyline, text))(
                        w, r, r.choice(LAYERS), owner, r.uniform(-10, 10), r.uniform(-10, 10))
            w.w((0, "ENDBLK"), (5, w.next_handle()), (330, owner), (100, "AcDbEntity"),
                (8, "0"), (100, "AcDbBlockEnd"))
        w.w((0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES"))
        msp = records["*Model_Space"]
        for _ in range(count):
            r.choice(MIX)(w, r, r.choice(LAYERS), msp, r.uniform(0, 10000), r.uniform(0, 10000))
        w.w((0, "ENDSEC"), (0, "SECTION"), (2, "OBJECTS"), (0, "DICTIONARY"), (5, "C"),
            (330, "0"), (100, "AcDbDictionary"), (0, "ENDSEC"), (0, "EOF"))
        w.flush()


if __name__ == "__main__":
    main()
