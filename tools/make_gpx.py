#!/usr/bin/env python3
"""Writes a GPX 1.1 file with one track segment of generated points, for
measuring the import on large files. Each point has lat/lon, an elevation,
a time one second after the previous one and a heart-rate extension, as
sport watches write them. Deterministic for a given seed."""

import argparse
import datetime
import random
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--points", type=int, default=1_000_000, help="number of track points (default 1000000)")
    parser.add_argument("--output", default="-", help="file to write (default: standard output)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default 1)")
    parser.add_argument("--start", default="2015-06-01T10:20:30", help="UTC time of the first point")
    args = parser.parse_args()

    rng = random.Random(args.seed)
    moment = datetime.datetime.fromisoformat(args.start)
    second = datetime.timedelta(seconds=1)
    latitude, longitude, elevation, heart_rate = 46.5, 7.5, 600.0, 120

    out = sys.stdout if args.output == "-" else open(args.output, "w", encoding="utf-8", newline="\n")
    with out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                  '<gpx version="1.1" creator="make_gpx.py" xmlns:ext="urn:example:track-extension">\n'
                  f' <metadata><time>{moment:%Y-%m-%dT%H:%M:%SZ}</time></metadata>\n'
                  ' <trk>\n  <name>generated</name>\n  <trkseg>\n')
        lines = []
        for _ in range(args.points):
            latitude += rng.uniform(-0.00005, 0.00005)
            longitude += rng.uniform(-0.00005, 0.00005)
            elevation += rng.uniform(-0.5, 0.5)
            heart_rate = min(190, max(60, heart_rate + rng.randint(-2, 2)))
            lines.append(f'   <trkpt lat="{latitude:.7f}" lon="{longitude:.7f}">'
                         f'<ele>{elevation:.1f}</ele><time>{moment:%Y-%m-%dT%H:%M:%SZ}</time>'
                         f'<extensions><ext:hr>{heart_rate}</ext:hr></extensions></trkpt>\n')
            moment += second
            if len(lines) == 10_000:
                out.writelines(lines)
                lines.clear()
        out.writelines(lines)
        out.write('  </trkseg>\n </trk>\n</gpx>\n')


if __name__ == "__main__":
    main()
