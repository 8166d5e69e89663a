#!/usr/bin/env python3
"""Adds up the GoogleTest XML reports of one test run and prints the closing line.

Arguments: the results folder, then one "NAME EXITCODE" per test executable run. A run
whose report is missing, or that exited non-zero with no failed test in its report (a
crash, a time-out, a sanitizer report), counts as one more failure."""
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

folder = Path(sys.argv[1])
total_passed = total_failed = total_skipped = 0
for run in sys.argv[2:]:
    name, code = run.rsplit(" ", 1)
    code = int(code)
    passed = failed = skipped = 0
    failures = []
    report = folder / f"{name}.xml"
    try:
        root = ET.parse(report).getroot()
        for case in root.iter("testcase"):
            if case.get("status") == "notrun" or case.get("result") in ("suppressed",):
                continue
            full = f"{case.get('classname')}.{case.get('name')}"
            if case.find("failure") is not None or case.find("error") is not None:
                failed += 1
                failures.append(full)
            elif case.get("result") == "skipped" or case.find("skipped") is not None:
                skipped += 1
            else:
                passed += 1
    except (OSError, ET.ParseError):
        pass
    if code != 0 and failed == 0:
        failed += 1
        failures.append(f"(the run itself: exit code {code}, see its output above)")
    elif not report.exists() and code == 0:
        passed += 1  # a run without a report (the fuzzer) counts as one test
    print(f"{name}: {passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
    for f in failures:
        print(f"  FAILED {f}")
    total_passed += passed
    total_failed += failed
    total_skipped += skipped

print(f"{total_passed} passed, {total_failed} failed" + (f", {total_skipped} skipped" if total_skipped else ""))
sys.exit(1 if total_failed else 0)
