#!/usr/bin/env python3
"""Runs a command under /usr/bin/time -v and appends one JSON line to a file:
the label, the wall time (median of the runs), the CPU time (user + system,
from the kernel's accounting of the finished process tree, at microsecond
resolution) and the peak resident set size that time -v reports.

  measure.py --out OUT.jsonl --label LABEL [--runs N] [--accept-exit CODE]
             -- COMMAND [ARG...]

The command's standard output is kept in the record ("stdout", last run), so
that a tool that prints its own figures can be read back. "{run}" in an
argument becomes the run's number (1, 2, ...). An exit code other
than 0 (or CODE) ends the measurement with an error.
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(command, accepted):
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report, \
            tempfile.TemporaryFile("w+") as output:
        started = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-v", "-o", report.name] + command,
                                 stdout=output, stdin=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - started
        child.returncode = os.waitstatus_to_exitcode(status)
        text = report.read()
        output.seek(0)
        printed = output.read()
    if child.returncode not in accepted:
        sys.exit(f"measure: {' '.join(command)} exited with {child.returncode}\n{text}")
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    return wall, usage.ru_utime + usage.ru_stime, int(peak.group(1)) if peak else None, printed


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--out", required=True)
    parser.add_argument("--label", required=True)
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("--accept-exit", type=int, default=0)
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()
    accepted = {0, args.accept_exit}
    results = [run_once([a.replace("{run}", str(run)) for a in args.command], accepted)
               for run in range(1, args.runs + 1)]
    record = {
        "label": args.label,
        "runs": args.runs,
        "wall_s": statistics.median(r[0] for r in results),
        "cpu_s": statistics.median(r[1] for r in results),
        "peak_kib": max(r[2] or 0 for r in results),
        "stdout": results[-1][3].strip(),
    }
    with open(args.out, "a", encoding="utf-8") as f:
        f.write(json.dumps(record) + "\n")


if __name__ == "__main__":
    main()
