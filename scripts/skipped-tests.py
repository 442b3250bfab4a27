#!/usr/bin/env python3
"""Prints one line: how many tests each suite skipped, and which.

Usage: skipped-tests.py LABEL=RESULTS.xml ...  (ctest --output-junit files; a missing file is a
suite that did not get to run its tests). A test program that ctest runs whole is named with the
cases it skipped (GoogleTest's "[  SKIPPED ]" lines); a script, with the reason it gave
("skipped: ...").
"""
import os
import re
import sys
import xml.etree.ElementTree as ElementTree

GTEST_SKIPPED = re.compile(r"^\[  SKIPPED \] (\S+\.\S+?)(?: \(\d+ ms\))?$")
SCRIPT_SKIPPED = re.compile(r"^skipped: (.*)$")


def why(output):
    cases, reasons = [], []
    for line in (output or "").splitlines():
        case = GTEST_SKIPPED.match(line)
        reason = SCRIPT_SKIPPED.match(line)
        if case and case.group(1) not in cases:
            cases.append(case.group(1))
        elif reason and reason.group(1) not in reasons:
            reasons.append(reason.group(1))
    return ", ".join(cases + reasons)


def suite(label, path):
    if not os.path.exists(path):
        return f"{label}: did not run"
    skipped = []
    for case in ElementTree.parse(path).getroot().iter("testcase"):
        if case.get("status") != "notrun":
            continue
        detail = why(case.findtext("system-out"))
        skipped.append(f"{case.get('name')} ({detail})" if detail else case.get("name"))
    return f"{label}: {len(skipped)}" + (" - " + "; ".join(skipped) if skipped else "")


def main(arguments):
    parts = [suite(*argument.split("=", 1)) for argument in arguments]
    print("Skipped tests: " + " | ".join(parts))


if __name__ == "__main__":
    main(sys.argv[1:])
