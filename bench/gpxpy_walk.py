#!/usr/bin/env python3
"""What a user's script does with gpxpy: parse a GPX file and walk every
track point. Prints the point count and the in-process parse-and-walk time
(wall and CPU) as JSON, so that the interpreter's start is left out."""

import json
import sys
import time

import gpxpy


def main():
    path = sys.argv[1]
    wall, cpu = time.perf_counter(), time.process_time()
    with open(path, encoding="utf-8") as f:
        gpx = gpxpy.parse(f)
    points, checksum = 0, 0.0
    for track in gpx.tracks:
        for segment in track.segments:
            for point in segment.points:
                points += 1
                checksum += point.latitude + point.longitude + point.time.timestamp()
    print(json.dumps({"points": points, "checksum": checksum,
                      "wall_s": time.perf_counter() - wall, "cpu_s": time.process_time() - cpu}))


if __name__ == "__main__":
    main()
