#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seed corpus of the drawing-engine fuzz target: small valid drawings and the bad
files every reader of real-world DXF meets. Plain python, no ezdxf.

Usage: fuzz/make_corpus.py [output dir] [--large]
  --large  also writes the big inputs that are not committed (a million-character string,
           many MTEXT chunks, a huge vertex run); scripts/fuzz.sh adds them to its copy.
"""
import os
import struct
import sys


def dxf(*pairs):
    """ASCII DXF from (code, value) pairs, LF line ends."""
    return "".join("%3d\n%s\n" % (code, value) for code, value in pairs).encode("utf-8")


def entities(*pairs):
    return dxf((0, "SECTION"), (2, "ENTITIES"), *pairs, (0, "ENDSEC"), (0, "EOF"))


HEADER_R2018 = [(0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1032"),
                (9, "$EXTMIN"), (10, 0.0), (20, 0.0), (30, 0.0),
                (9, "$EXTMAX"), (10, 100.0), (20, 50.0), (30, 0.0), (0, "ENDSEC")]


def layers(*names, handle_start=0x10):
    pairs = [(0, "SECTION"), (2, "TABLES"), (0, "TABLE"), (2, "LAYER"), (70, len(names))]
    for i, (name, colour, flags) in enumerate(names):
        pairs += [(0, "LAYER"), (5, "%X" % (handle_start + i)), (2, name), (70, flags),
                  (62, colour), (6, "CONTINUOUS")]
    return pairs + [(0, "ENDTAB"), (0, "ENDSEC")]


LINE = [(0, "LINE"), (8, "0"), (10, 1.0), (20, 2.0), (30, 0.0), (11, 3.0), (21, 4.0), (31, 0.0)]

LWPOLY = [(0, "LWPOLYLINE"), (8, "0"), (90, 3), (70, 1), (43, 0.0),
          (10, 0.0), (20, 0.0), (42, 0.5), (10, 5.0), (20, 0.0), (40, 0.1), (41, 0.2),
          (10, 5.0), (20, 5.0)]


def blocks(*defs):
    pairs = [(0, "SECTION"), (2, "BLOCKS")]
    for name, body in defs:
        pairs += [(0, "BLOCK"), (8, "0"), (2, name), (70, 0), (10, 0.0), (20, 0.0), (30, 0.0),
                  (3, name)] + body + [(0, "ENDBLK"), (8, "0")]
    return pairs + [(0, "ENDSEC")]


def insert(name, x=0.0, y=0.0):
    return [(0, "INSERT"), (8, "0"), (2, name), (10, x), (20, y), (30, 0.0), (41, 2.0),
            (42, 2.0), (50, 30.0)]


def mline(count, lines, per_line=(2, 0)):
    pairs = [(0, "MLINE"), (8, "0"), (2, "STANDARD"), (40, 1.0), (70, 0), (71, 1),
             (72, count), (73, lines), (10, 0.0), (20, 0.0), (30, 0.0)]
    for i in range(2):
        pairs += [(11, float(i)), (21, 0.0), (31, 0.0), (12, 1.0), (22, 0.0), (32, 0.0),
                  (13, 0.0), (23, 1.0), (33, 0.0)]
        for _ in range(2):
            # Counts are written as claimed, values at most three: a count may lie.
            pairs += [(74, per_line[0])] + [(41, 0.5)] * min(max(per_line[0], 0), 3)
            pairs += [(75, per_line[1])] + [(42, 0.25)] * min(max(per_line[1], 0), 3)
    return pairs


def binary(*pairs, sentinel=b"AutoCAD Binary DXF\r\n\x1a\x00"):
    """Binary DXF: 16-bit group codes (R13+ form), values by code range."""
    out = bytearray(sentinel)
    for code, value in pairs:
        out += struct.pack("<H", code)
        if isinstance(value, bytes):
            out += value
        elif 10 <= code <= 59 or 110 <= code <= 149 or 210 <= code <= 239 or 1010 <= code <= 1059:
            out += struct.pack("<d", value)
        elif 60 <= code <= 79 or 170 <= code <= 179 or 270 <= code <= 289:
            out += struct.pack("<h", value)
        elif 90 <= code <= 99:
            out += struct.pack("<i", value)
        else:
            out += str(value).encode("utf-8") + b"\x00"
    return bytes(out)


def valid_files():
    yield "valid_line.dxf", entities(*LINE)
    yield "valid_lwpolyline.dxf", dxf(*HEADER_R2018, (0, "SECTION"), (2, "ENTITIES"), *LWPOLY,
                                      (0, "ENDSEC"), (0, "EOF"))
    yield "valid_crlf.dxf", entities(*LINE).replace(b"\n", b"\r\n")
    yield "valid_blocks.dxf", dxf(*layers(("0", 7, 0), ("OFF", -3, 0), ("FROZEN", 4, 1)),
                                  *blocks(("A", LINE), ("B", insert("A"))),
                                  (0, "SECTION"), (2, "ENTITIES"), *insert("B", 5, 5),
                                  (0, "ENDSEC"), (0, "EOF"))
    yield "valid_mline.dxf", entities(*mline(2, 2))
    yield "valid_polyline.dxf", entities(
        (0, "POLYLINE"), (8, "0"), (66, 1), (70, 1), (40, 0.5), (41, 0.5),
        (0, "VERTEX"), (8, "0"), (10, 0.0), (20, 0.0), (42, 1.0),
        (0, "VERTEX"), (8, "0"), (10, 2.0), (20, 0.0), (42, 1.0), (0, "SEQEND"), (8, "0"))
    yield "valid_binary.dxf", binary((0, "SECTION"), (2, "ENTITIES"), (0, "LINE"), (8, "0"),
                                     (10, 1.0), (20, 2.0), (30, 0.0), (11, 3.0), (21, 4.0),
                                     (31, 0.0), (0, "ENDSEC"), (0, "EOF"))


def bad_files():
    full = dxf(*layers(("0", 7, 0)), (0, "SECTION"), (2, "ENTITIES"), *LINE, *LWPOLY,
               (0, "ENDSEC"), (0, "EOF"))
    yield "bad_empty.dxf", b""
    yield "bad_not_a_drawing.dxf", b"hello world\nthis is not a drawing\n"
    yield "bad_dwg_signature.dwg", b"AC1032" + bytes(range(26)) * 4
    yield "bad_dwg_2007_header.dwg", b"AC1021" + bytes(range(250)) * 6
    yield "bad_only_eof.dxf", dxf((0, "EOF"))
    yield "bad_truncated_in_table.dxf", full[: len(full) // 4]
    yield "bad_truncated_in_entity.dxf", full[: len(full) * 3 // 4]
    yield "bad_truncated_mid_line.dxf", full[: full.index(b"LWPOLYLINE") + 4]
    yield "bad_missing_value.dxf", entities(*LINE)[:-4] + b"  0\n"
    yield "bad_no_final_newline.dxf", entities(*LINE).rstrip(b"\n")
    yield "bad_missing_endsec.dxf", dxf((0, "SECTION"), (2, "ENTITIES"), *LINE, (0, "EOF"))
    yield "bad_missing_eof.dxf", dxf((0, "SECTION"), (2, "ENTITIES"), *LINE, (0, "ENDSEC"))
    yield "bad_group_code_text.dxf", entities(*LINE).replace(b" 11\n", b"abc\n")
    yield "bad_group_code_huge.dxf", entities(*LINE).replace(b" 11\n", b"99999999999\n")
    yield "bad_group_code_negative.dxf", entities(*LINE).replace(b" 11\n", b"-5\n")
    yield "bad_group_code_spaces.dxf", entities(*LINE).replace(b" 11\n", b"  11   \n")
    yield "bad_non_numeric.dxf", entities(
        (0, "LINE"), (8, "0"), (10, "abc"), (20, "1.5abc"), (30, ""), (11, "0x10"), (21, "+"),
        (31, "--1"), (0, "CIRCLE"), (8, "0"), (10, "1e"), (20, "."), (40, "1,5"),
        (0, "LWPOLYLINE"), (8, "0"), (90, "three"), (70, "1.5"), (10, 0.0), (20, 0.0))
    yield "bad_nan_inf.dxf", entities(
        (0, "LINE"), (8, "0"), (10, "nan"), (20, "inf"), (30, 0.0), (11, "-inf"), (21, "1e400"),
        (31, "-1e400"), (0, "CIRCLE"), (8, "0"), (10, "NaN"), (20, 0.0), (40, "INF"),
        (0, "ARC"), (8, "0"), (10, 0.0), (20, 0.0), (40, -1.0), (50, "nan"), (51, "1e308"),
        (0, "TEXT"), (8, "0"), (10, 0.0), (20, 0.0), (40, "nan"), (50, "inf"), (1, "x"),
        (0, "ELLIPSE"), (8, "0"), (10, 0.0), (20, 0.0), (11, 0.0), (21, 0.0), (40, 0.0),
        (41, "nan"), (42, "-inf"),
        (0, "INSERT"), (8, "0"), (2, "NOPE"), (10, "nan"), (20, 0.0), (41, "inf"), (42, 0.0))
    yield "bad_integer_overflow.dxf", dxf(
        (0, "SECTION"), (2, "TABLES"), (0, "TABLE"), (2, "LAYER"), (70, 99999999999999999999),
        (0, "LAYER"), (2, "L"), (70, 4294967296), (62, -32769), (0, "LAYER"), (2, "M"),
        (70, -1), (62, 99999), (0, "ENDTAB"), (0, "ENDSEC"),
        (0, "SECTION"), (2, "ENTITIES"), (0, "LINE"), (8, "L"), (62, 40000), (10, 1.0),
        (20, 1.0), (11, 2.0), (21, 2.0), (0, "ENDSEC"), (0, "EOF"))
    long_ascii = "N" * 300
    long_utf8 = "\u00e4" * 200  # 400 bytes; a cut at 255 bytes would split a character
    yield "bad_long_names.dxf", dxf(
        *layers((long_ascii, 1, 0), (long_utf8, 2, 0)),
        *blocks((long_ascii, LINE), (long_utf8, LINE)),
        (0, "SECTION"), (2, "ENTITIES"), (0, "LINE"), (8, long_utf8), (10, 0.0), (20, 0.0),
        (11, 1.0), (21, 1.0), *insert(long_ascii), *insert(long_utf8),
        (0, "TEXT"), (8, long_ascii), (10, 0.0), (20, 0.0), (40, 1.0), (1, "T" * 3000),
        (0, "ENDSEC"), (0, "EOF"))
    yield "bad_vertex_counts.dxf", entities(
        (0, "LWPOLYLINE"), (8, "0"), (90, -5), (70, 0), (10, 0.0), (20, 0.0), (10, 1.0), (20, 1.0),
        (0, "LWPOLYLINE"), (8, "0"), (90, 2147483647), (70, 0), (10, 0.0), (20, 0.0),
        (0, "LWPOLYLINE"), (8, "0"), (90, 0), (70, 1),
        (0, "LWPOLYLINE"), (8, "0"), (90, 1), (70, 0), (40, 1.0), (42, 1.0), (41, 2.0),
        (10, 1.0), (20, 1.0), (10, 2.0), (20, 2.0), (10, 3.0),
        *mline(65535, 32767), *mline(2, -1), *mline(-3, 2, (-1, 70000)), *mline(0, 0))
    # A repeated 75 inside one element, then more 42s: the fill values must stay one run.
    yield "bad_mline_repeated_75.dxf", entities(
        (0, "MLINE"), (8, "0"), (73, 1), (10, 0.0), (20, 0.0), (11, 0.0), (21, 0.0),
        (74, 1), (41, 9.0), (75, 2), (42, 1.0), (42, 2.0), (75, 1), (42, 3.0), (41, 8.0))
    yield "bad_structure.dxf", dxf(
        (0, "SECTION"), (2, "BLOCKS"), (0, "BLOCK"), (2, "OPEN"), (10, 0.0), (20, 0.0),
        (0, "BLOCK"), (2, "OPEN2"), (0, "ENDBLK"), (0, "ENDBLK"), (0, "ENDBLK"), (0, "ENDSEC"),
        (0, "SECTION"), (2, "NOSUCHSECTION"), (0, "LINE"), (0, "ENDSEC"),
        (0, "SECTION"), (0, "SECTION"), (2, "TABLES"), (0, "TABLE"), (2, "LAYER"), (0, "LAYER"),
        (0, "SECTION"), (2, "ENTITIES"), (0, "VERTEX"), (10, 1.0), (20, 1.0), (0, "SEQEND"),
        (0, "POLYLINE"), (66, 1), (0, "LINE"), (10, 0.0), (0, "VERTEX"), (10, 2.0),
        (0, "POLYLINE"), (66, 1), (0, "VERTEX"), (10, 3.0), (0, "ENDSEC"),
        (0, "SECTION"), (2, "ENTITIES"), *LINE, (0, "EOF"), *LINE)
    yield "bad_handles.dxf", dxf(
        (0, "SECTION"), (2, "TABLES"), (0, "TABLE"), (2, "LAYER"),
        (0, "LAYER"), (5, "10"), (2, "A"), (62, 1), (0, "LAYER"), (5, "10"), (2, "B"), (62, 2),
        (0, "LAYER"), (5, "ZZZZZZZZZZZZZZZZZZZZ"), (2, "C"), (62, 3),
        (0, "LAYER"), (5, "10"), (2, "A"), (62, 4), (0, "ENDTAB"), (0, "ENDSEC"),
        *blocks(("X", LINE), ("X", LINE)),
        (0, "SECTION"), (2, "ENTITIES"), (0, "LINE"), (5, "10"), (330, "DEAD"), (8, "NOLAYER"),
        (10, 0.0), (20, 0.0), (11, 1.0), (21, 1.0), *insert("MISSING"), *insert("X"),
        (0, "DIMENSION"), (8, "0"), (2, "NODIMBLOCK"), (10, 0.0), (20, 0.0),
        (0, "ENDSEC"), (0, "EOF"))
    yield "bad_self_insert.dxf", dxf(
        *blocks(("SELF", insert("SELF")), ("PING", insert("PONG")), ("PONG", insert("PING")),
                ("*X1", insert("*X1"))),
        (0, "SECTION"), (2, "ENTITIES"), *insert("SELF"), *insert("PING"), *insert("*X1"),
        (0, "ENDSEC"), (0, "EOF"))
    bad_utf8 = b"\xff\xfe \xc3 \xe2\x82 \xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80"
    yield "bad_invalid_utf8.dxf", dxf(*HEADER_R2018, *layers(("L", 1, 0))) + (
        b"  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  8\nL" + bad_utf8 + b"\n 10\n0\n 20\n0\n 40\n1\n"
        b"  1\n" + bad_utf8 + b"\n  0\nMTEXT\n  8\n\xff\n 10\n0\n 20\n0\n 40\n1\n  3\n" +
        b"\xe2" * 249 + b"\n  1\n\xe2\x82\n  0\nENDSEC\n  0\nEOF\n")
    yield "bad_code_page.dxf", dxf(
        (0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1009"), (9, "$DWGCODEPAGE"),
        (3, "ANSI_99999"), (0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES"), (0, "TEXT"),
        (8, "0"), (10, 0.0), (20, 0.0), (40, 1.0), (1, "caf\\U+00E9 \\U+ZZZZ \\U+D800 \\M+5A1B2"),
        (0, "ENDSEC"), (0, "EOF")).replace(b"caf", b"\xe9caf")
    yield "bad_header_values.dxf", dxf(
        (0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC9999"), (9, "$EXTMIN"),
        (10, "nan"), (20, "inf"), (9, "$EXTMAX"), (10, "-inf"), (9, "$PEXTMIN"), (9, "$PEXTMAX"),
        (30, 1.0), (0, "ENDSEC"), (0, "SECTION"), (2, "ENTITIES"), *LINE, (0, "ENDSEC"),
        (0, "EOF"))
    line = [(0, "SECTION"), (2, "ENTITIES"), (0, "LINE"), (8, "0"), (10, 1.0), (20, 2.0),
            (11, 3.0), (21, 4.0), (0, "ENDSEC"), (0, "EOF")]
    good_binary = binary(*line)
    yield "bad_binary_truncated_double.dxf", good_binary[: good_binary.index(b"LINE") + 14]
    yield "bad_binary_unterminated_string.dxf", binary((0, "SECTION"), (2, b"ENTITIES"))
    yield "bad_binary_sentinel_only.dxf", b"AutoCAD Binary DXF\r\n\x1a\x00"
    yield "bad_binary_short_sentinel.dxf", b"AutoCAD Binary DXF\r\n"
    yield "bad_binary_odd_code.dxf", good_binary[:-3]
    yield "bad_binary_r12_codes.dxf", b"AutoCAD Binary DXF\r\n\x1a\x00" + bytes(
        [0]) + b"SECTION\x00" + bytes([2]) + b"ENTITIES\x00" + bytes([0]) + b"LINE\x00" + \
        bytes([10]) + b"\x00\x00" + bytes([255, 0x10, 0x27]) + b"\x00\x00"


def large_files():
    yield "large_million_char_string.dxf", entities(
        (0, "TEXT"), (8, "0"), (10, 0.0), (20, 0.0), (40, 1.0), (1, "x" * 1_000_000),
        (0, "LINE"), (8, "L" * 1_000_000), (10, 0.0), (20, 0.0), (11, 1.0), (21, 1.0))
    yield "large_mtext_chunks.dxf", entities(
        (0, "MTEXT"), (8, "0"), (10, 0.0), (20, 0.0), (40, 1.0),
        *[(3, "\u00e4" * 125)] * 4000, (1, "end"))
    yield "large_vertex_run.dxf", entities(
        (0, "LWPOLYLINE"), (8, "0"), (90, 3), (70, 0),
        *[pair for i in range(100_000) for pair in ((10, float(i)), (20, 0.0))])


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    out = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    groups = [valid_files(), bad_files()]
    if "--large" in sys.argv:
        groups.append(large_files())
    count = 0
    for group in groups:
        for name, data in group:
            with open(os.path.join(out, name), "wb") as f:
                f.write(data)
            count += 1
    print("wrote %d corpus files to %s" % (count, out))


if __name__ == "__main__":
    main()
