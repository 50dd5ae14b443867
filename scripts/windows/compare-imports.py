#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Whole imports on both systems: every drawing of tests/data, the DWG samples and a few hostile
files go through the Linux pcbhost and, under wine, through pcbhost.exe with dxfimport.dll,
PAD2.DLL and Korrin.dll. Each pair must end with the same exit code and the same test-mode line,
and save the same board, byte for byte, with one platform difference allowed: arc angles may
differ in their last bits (the two C libraries' maths functions round differently), by at most
1e-9 degrees, a full turn counting as none (an end angle of 0 on one, 360 on the other). Every import starts from no saved settings (a new user
hive on Linux, the settings key removed from the prefix's registry under wine), since each
import saves the options it used and the next would start from them.

Usage: compare-imports.py LINUX_BIN WINDOWS_BIN DATA DWG_SAMPLES OUT
  LINUX_BIN    folder of the Linux pcbhost and its modules (build/bin)
  WINDOWS_BIN  folder of pcbhost.exe and its DLLs (build-win/bin)
  DATA         tests/data
  DWG_SAMPLES  the shared DWG sample drawings, read in place
  OUT          a folder for the boards of both systems (emptied first)
Runs wine from PATH in the prefix that WINEPREFIX names. Exit code 0 when every pair agrees, 1
otherwise; anything that cannot run is a failure with its reason.
"""

import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import time

# Answers of the options dialog for drawings where the test-mode defaults leave a path unused.
ANSWERED = {
    "insert_R2000.dxf": ["blocks=primitives"],
    "spline_R2018.dxf": ["splines=approximate"],
    "spline_block_R2000.dxf": ["splines=approximate", "blocks=primitives"],
    "units_mm_R2018.dxf": ["units=1mm", "linewidth=0.2mm"],
    "paperspace_R2000.dxf": ["space=paper"],
    "demo_board_R2000.dxf": ["x=100mil", "y=200mil"],
}

TIMEOUT = 300  # seconds for one import; a hang is a failure, not a wait


def fail(message):
    print(f"compare-imports: {message}", file=sys.stderr)
    sys.exit(1)


def windows_path(path):
    """The Unix path as wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def hostile_files(folder):
    """Drawings that must be refused the same way on both systems."""
    os.makedirs(folder, exist_ok=True)
    made = {
        "empty.dxf": b"",
        "garbage.dwg": bytes((i * 73 + 11) % 256 for i in range(4096)),
        "text_named.dxf": b"This is not a drawing.\r\n",
        "ac1015_header_only.dwg": b"AC1015" + bytes(200),
        "unterminated.dxf": b"  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n1e400\n",
    }
    paths = []
    for name, data in made.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as out:
            out.write(data)
        paths.append(path)
    return paths


def cases(data, dwg_samples, out):
    drawings = sorted(
        os.path.join(data, name) for name in os.listdir(data) if name.lower().endswith(".dxf")
    )
    if not drawings:
        fail(f"no drawings in {data}")
    if not os.path.isdir(dwg_samples):
        fail(f"the DWG samples folder {dwg_samples} is missing")
    samples = sorted(
        os.path.join(dwg_samples, name)
        for name in os.listdir(dwg_samples)
        if name.lower().endswith((".dwg", ".dxf"))
    )
    if not samples:
        fail(f"no DWG samples in {dwg_samples}")
    result = []
    for path in drawings + samples + hostile_files(os.path.join(out, "hostile")):
        name = os.path.basename(path)
        tag = ("sample-" if path in samples else "") + name
        result.append((tag, path, ["--test-mode"]))
        if name in ANSWERED:
            answers = ["--no"] + [a for answer in ANSWERED[name] for a in ("--answer", answer)]
            result.append((tag + "+answers", path, answers))
    return result


def run(command, env):
    started = time.monotonic()
    try:
        done = subprocess.run(
            command, stdin=subprocess.DEVNULL, capture_output=True, timeout=TIMEOUT, env=env
        )
    except subprocess.TimeoutExpired:
        return None, "", f"no answer after {TIMEOUT} s", time.monotonic() - started
    return (
        done.returncode,
        done.stdout.decode("utf-8", "replace").replace("\r\n", "\n"),
        done.stderr.decode("utf-8", "replace").replace("\r\n", "\n"),
        time.monotonic() - started,
    )


ANGLE_TOLERANCE = 1e-9  # degrees


def same_angle(key, a, b):
    if not key.endswith("Angle") or not all(isinstance(v, (int, float)) for v in (a, b)):
        return False
    apart = abs(a - b) % 360.0
    return min(apart, 360.0 - apart) <= ANGLE_TOLERANCE


def json_differences(a, b, where="", found=None, tolerated=None):
    found = [] if found is None else found
    tolerated = [] if tolerated is None else tolerated
    if len(found) >= 8:
        return found
    if isinstance(a, dict) and isinstance(b, dict):
        for key in sorted(set(a) | set(b)):
            if key not in a or key not in b:
                found.append(f"{where}.{key}: only on {'Linux' if key in a else 'Windows'}")
            elif a[key] != b[key] and same_angle(key, a[key], b[key]):
                tolerated.append(f"{where}.{key}: Linux {a[key]!r}, Windows {b[key]!r}")
            else:
                json_differences(a[key], b[key], f"{where}.{key}", found, tolerated)
    elif isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            found.append(f"{where}: {len(a)} entries on Linux, {len(b)} on Windows")
        for i, (x, y) in enumerate(zip(a, b)):
            json_differences(x, y, f"{where}[{i}]", found, tolerated)
    elif a != b or type(a) is not type(b):
        found.append(f"{where}: Linux {a!r}, Windows {b!r}")
    return found, tolerated


def compare(tag, path, options, linux_bin, windows_bin, out):
    linux_board = os.path.join(out, "linux", tag + ".board.json")
    windows_board = os.path.join(out, "windows", tag + ".board.json")
    env = dict(os.environ)
    env["DXFI_USER_HIVE"] = os.path.join(out, "linux", tag + ".user.reg")
    linux = run(
        [os.path.join(linux_bin, "pcbhost"), "import", os.path.abspath(path), "-o", linux_board]
        + options,
        env,
    )
    subprocess.run(
        ["wine", "reg", "delete", "HKCU\\Software\\Corvane2004", "/f"],
        stdin=subprocess.DEVNULL, capture_output=True, env=env,
    )
    windows = run(
        ["wine", os.path.join(windows_bin, "pcbhost.exe"), "import", windows_path(path), "-o",
         windows_path(windows_board)] + options,
        env,
    )
    problems = []
    notes = []
    if linux[0] is None or windows[0] is None:
        problems.append(f"Linux: {linux[2].strip()[-300:]}; Windows: {windows[2].strip()[-300:]}")
    if linux[0] != windows[0]:
        problems.append(
            f"exit code {linux[0]} on Linux, {windows[0]} on Windows\n"
            f"      Linux says: {linux[2].strip()[-400:]}\n"
            f"      Windows says: {windows[2].strip()[-400:]}"
        )
    # The test-mode line names the drawing in each system's own spelling.
    windows_out = windows[1].replace(windows_path(path), os.path.abspath(path))
    if linux[1] != windows_out:
        problems.append(f"standard output differs: Linux {linux[1]!r}, Windows {windows_out!r}")
    have = [os.path.exists(linux_board), os.path.exists(windows_board)]
    if have[0] != have[1]:
        problems.append(f"a board was saved only on {'Linux' if have[0] else 'Windows'}")
    elif have[0]:
        with open(linux_board, "rb") as a, open(windows_board, "rb") as b:
            left, right = a.read(), b.read()
        if left != right:
            try:
                fields, tolerated = json_differences(json.loads(left), json.loads(right))
            except ValueError as error:
                fields = [f"not JSON: {error}"]
            if fields or not tolerated:
                problems.append("the boards differ: " + ("; ".join(fields) or "in their bytes"))
            else:
                notes.append("arc angles within rounding: " + "; ".join(tolerated[:4]))
    return tag, problems, notes, linux[3], windows[3], have[0]


def main(argv):
    if len(argv) != 6:
        print(__doc__, file=sys.stderr)
        return 2
    linux_bin, windows_bin, data, dwg_samples, out = argv[1:]
    for needed in (
        os.path.join(linux_bin, "pcbhost"),
        os.path.join(windows_bin, "pcbhost.exe"),
        os.path.join(windows_bin, "dxfimport.dll"),
        os.path.join(windows_bin, "Korrin.dll"),
        os.path.join(windows_bin, "PAD2.DLL"),
    ):
        if not os.path.exists(needed):
            fail(f"{needed} is missing: build both forms first (scripts/test.sh --windows does)")
    if shutil.which("wine") is None:
        fail("wine is not installed: run scripts/setup-windows.sh")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(os.path.join(out, "linux"))
    os.makedirs(os.path.join(out, "windows"))
    todo = cases(data, dwg_samples, out)
    # Test mode is the machine key that each pcbhost.exe --test-mode makes and removes; one left
    # behind by a run that was killed would put the runs with answers in test mode too.
    subprocess.run(
        ["wine", "reg", "delete", "HKLM\\Software\\Corvane\\TestMode", "/f"],
        stdin=subprocess.DEVNULL, capture_output=True,
    )
    started = time.monotonic()
    failures = 0
    saved = 0
    linux_time = windows_time = 0.0
    # One import at a time: the imports under wine share the prefix's user settings.
    with concurrent.futures.ThreadPoolExecutor(max_workers=1) as pool:
        jobs = [pool.submit(compare, *case, linux_bin, windows_bin, out) for case in todo]
        for job in jobs:
            tag, problems, notes, linux_seconds, windows_seconds, board = job.result()
            linux_time += linux_seconds
            windows_time += windows_seconds
            saved += board
            for note in notes:
                print(f"SAME WITHIN ROUNDING {tag}: {note}")
            if problems:
                failures += 1
                print(f"DIFFERENT {tag}")
                for problem in problems:
                    print(f"    {problem}")
    print(
        f"{len(todo)} imports on both systems ({saved} saved boards), {failures} different; "
        f"{time.monotonic() - started:.0f} s "
        f"(import time summed: Linux {linux_time:.0f} s, wine {windows_time:.0f} s)"
    )
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
