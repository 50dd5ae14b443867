#!/usr/bin/env python3
# Prints, after CTest's summary, the end of the output of every test that failed, so that the
# last lines of a long CI log say why a run failed and not only which tests did.
# Usage: scripts/show-failures.py RESULTS.xml [LINES]
import sys
import xml.etree.ElementTree as ET


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: scripts/show-failures.py RESULTS.xml [LINES]")
    lines = int(sys.argv[2]) if len(sys.argv) == 3 else 60
    try:
        cases = list(ET.parse(sys.argv[1]).getroot().iter("testcase"))
    except (OSError, ET.ParseError) as error:
        sys.exit(f"cannot read the test results {sys.argv[1]}: {error}")
    failed = [c for c in cases if c.get("status", "") not in ("run", "notrun", "disabled")]
    for case in failed:
        out = case.find("system-out")
        text = (out.text or "") if out is not None else ""
        tail = text.rstrip("\n").split("\n")[-lines:]
        print(f"\n===== {case.get('name', '?')} ({case.get('status', '?')}): "
              f"the last {len(tail)} lines of its output =====")
        print("\n".join(tail))
    if failed:
        print(f"\n{len(failed)} test(s) failed: " + ", ".join(c.get("name", "?") for c in failed))


main()
