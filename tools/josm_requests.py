#!/usr/bin/env python3
"""Prints the requests in a JOSM stand-in's log (tools/josm_standin.py), one
line each with the answer, and their count.

  josm_requests.py LOG [--all-ok]

With --all-ok it exits 1 unless every request was answered with status 200.
A relayed answer's body is shown as text (JOSM answers errors in HTML).
"""

import argparse
import html
import json
import re
import sys


def answer_text(request):
    body = request.get("answer_body")
    if body is None:
        return str(request["answered"])
    text = html.unescape(re.sub(r"<[^>]*>", " ", re.sub(r"(?s)<head>.*</head>", "", body)))
    return f"{request['answered']} {' '.join(text.split())}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("log")
    parser.add_argument("--all-ok", action="store_true")
    args = parser.parse_args()
    try:
        with open(args.log, encoding="utf-8") as file:
            requests = [json.loads(line) for line in file if line.strip()]
    except FileNotFoundError:
        requests = []
    for request in requests:
        print(f"   {request['request_line']}  -> {answer_text(request)}")
    print(f"   ({len(requests)} requests)")
    failed = [request for request in requests if request["answered"] != 200]
    return 1 if args.all_ok and (failed or not requests) else 0


if __name__ == "__main__":
    sys.exit(main())
