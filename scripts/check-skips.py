#!/usr/bin/env python3
# Fails when CTest's JUnit results hold a test that did not run (skipped or disabled) and is
# not listed, with its reason, in the allowed-skips file. A test that cannot test must fail:
# a skipped test would otherwise leave the run green.
# Usage: scripts/check-skips.py RESULTS.xml ALLOWED.txt
import sys
import xml.etree.ElementTree as ET


def allowed_skips(path):
    """Test name -> reason, from lines "NAME  reason" (# starts a comment)."""
    allowed = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split(None, 1)
            if len(parts) < 2:
                sys.exit(f"{path}:{number}: '{parts[0]}' is listed without its reason")
            allowed[parts[0]] = parts[1]
    return allowed


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: scripts/check-skips.py RESULTS.xml ALLOWED.txt")
    results, allowed_path = sys.argv[1], sys.argv[2]
    allowed = allowed_skips(allowed_path)
    try:
        cases = ET.parse(results).getroot().iter("testcase")
    except (OSError, ET.ParseError) as error:
        sys.exit(f"cannot read the test results {results}: {error}")
    not_run = []
    count = 0
    for case in cases:
        count += 1
        status = case.get("status", "")
        if status in ("run", "fail"):
            continue
        name = case.get("name", "?")
        if name in allowed:
            continue
        skipped = case.find("skipped")
        why = skipped.get("message", "") if skipped is not None else status
        not_run.append(f"  {name}: {why}")
    if count == 0:
        sys.exit(f"{results} lists no tests: nothing was tested")
    if not_run:
        print(f"{len(not_run)} test(s) did not run and are not allowed to skip in {allowed_path}:",
              file=sys.stderr)
        print("\n".join(not_run), file=sys.stderr)
        sys.exit(1)
    print(f"{count} tests ran; none skipped without a listed reason")


main()
