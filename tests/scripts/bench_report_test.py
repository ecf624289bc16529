#!/usr/bin/env python3
"""bench/report.py states what it found about the machine: how 32-bit
programs ran (from fixture binfmt_misc folders), the cores, the load.

  bench_report_test.py REPORT_PY
"""

import importlib.util
import json
import os
import sys
import tempfile
import unittest

found = importlib.util.spec_from_file_location("report", sys.argv.pop(1))
report = importlib.util.module_from_spec(found)
found.loader.exec_module(report)

QEMU_I386 = "enabled\ninterpreter /usr/bin/qemu-i386-static\nflags: F\noffset 0\nmagic 7f454c46010101\n"
# binfmt_misc folder contents -> the entry report.py must find (None: the kernel runs 32-bit programs)
CASES = [
    ("not mounted", None, None),
    ("qemu-i386 entry", {"status": "enabled", "register": "", "meridel-i386": QEMU_I386},
     ("meridel-i386", "/usr/bin/qemu-i386-static")),
    ("entry disabled", {"status": "enabled", "qemu-i386": QEMU_I386.replace("enabled", "disabled", 1)}, None),
    ("binfmt_misc disabled", {"status": "disabled", "qemu-i386": QEMU_I386}, None),
    ("another architecture only", {"status": "enabled", "qemu-arm": QEMU_I386.replace("i386", "arm")}, None),
]
FRAME = {"figure": "frame", "frames": 30000, "cpu_ns": 30000 * 1500, "wall_ns": 30000 * 1600}
TOOLS = {"curl-present": {"wall_s": 0.1, "stdout": "200 200"}, "curl-absent": {"wall_s": 0.1, "stdout": "000 000"}}


class MachineFacts(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.results = os.path.join(self.dir.name, "results")
        os.mkdir(self.results)
        for name, text in (("loadavg-start", "0.50 0.40 0.30 1/100 1"), ("loadavg-end", "1.50 1.00 0.50 2/100 2"),
                           ("windows-status", "0")):
            with open(os.path.join(self.results, name), "w") as f:
                f.write(text)
        os.utime(os.path.join(self.results, "loadavg-start"), (0, 0))
        os.utime(os.path.join(self.results, "loadavg-end"), (600, 600))

    def tearDown(self):
        self.dir.cleanup()

    def windows_text(self, records, qemu):
        with open(os.path.join(self.results, "windows.jsonl"), "w") as f:
            f.writelines(json.dumps(record) + "\n" for record in records)
        records = report.windows_records(self.results)
        rows, summary = report.windows_section(self.results, records, TOOLS, 100.0, qemu)
        machine = report.machine(self.results, qemu, report.ran_32bit(records))
        return "\n".join(machine + rows + [" ".join(row) for row in summary])

    def test_how_32_bit_programs_ran(self):
        for name, files, entry in CASES:
            with self.subTest(name):
                binfmt = os.path.join(self.dir.name, name)
                if files is not None:
                    os.mkdir(binfmt)
                    for file, text in files.items():
                        with open(os.path.join(binfmt, file), "w") as f:
                            f.write(text)
                self.assertEqual(report.qemu_entry(binfmt), entry)
                text = self.windows_text([FRAME], entry)
                if entry:
                    self.assertIn("qemu's user-mode emulator (binfmt_misc entry `meridel-i386`", text)
                    self.assertIn("(through qemu)", text)
                else:
                    self.assertIn("ran natively, on the kernel", text)
                    self.assertNotIn("qemu", text.replace("hands them to an emulator", ""))
                    self.assertNotIn("emulat", text.replace("hands them to an emulator", ""))

    def test_cores_load_and_length_are_measured(self):
        text = self.windows_text([FRAME], None)
        self.assertIn(f"{os.cpu_count()} cores", text)
        self.assertIn("0.50 0.40 0.30 at the start, 1.50 1.00 0.50 at the end", text)
        self.assertIn("this run took 10 minutes", text)
        if os.cpu_count() != 2:
            self.assertNotIn("two cores", text)

    def test_no_claim_when_no_32_bit_program_ran(self):
        text = self.windows_text([{"error": "Wine did not start"}], None)
        self.assertNotIn("natively", text)
        self.assertNotIn("32-bit programs (Wine's", text)


if __name__ == "__main__":
    unittest.main(warnings="ignore")  # report.py leaves closing the files it reads to CPython
