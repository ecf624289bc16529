#!/usr/bin/env python3
"""Writes the demo's sample track: a ten-minute bicycle ride, one point a second.

The ride starts at 2023-06-17 07:30:00 UTC (09:30 local summer time, UTC+2)
on a lakeside road: gentle curves, a start from standstill, a stop at a
crossing, a slow climb and a stop at the end, with a metre or so of GPS
jitter. Everything is computed, nothing is random, so every run writes the
same file:

    tools/make_sample_gpx.py samples/ride.gpx
"""

import math
import sys
from datetime import datetime, timedelta, timezone

START = datetime(2023, 6, 17, 7, 30, 0, tzinfo=timezone.utc)
DURATION = 600  # seconds, so 601 points
ORIGIN = (45.8992000, 6.1294000)  # latitude, longitude in degrees
METRES_PER_DEGREE = 111_320.0


def smoothstep(edge0, edge1, x):
    t = min(max((x - edge0) / (edge1 - edge0), 0.0), 1.0)
    return t * t * (3 - 2 * t)


def speed(t):
    """Metres per second: away from standstill, a stop at a crossing, a climb, the stop at the end."""
    cruise = 6.4 + 0.5 * math.sin(t / 37.0)
    start = smoothstep(0, 25, t)
    crossing = 1.0 - smoothstep(226, 238, t) * (1.0 - smoothstep(250, 264, t))
    climb = 1.0 - 0.38 * smoothstep(380, 400, t) * (1.0 - smoothstep(455, 475, t))
    finish = 1.0 - smoothstep(575, 600, t)
    return cruise * start * crossing * climb * finish


def heading(t):
    """Degrees clockwise from north: the road bends gently left and right."""
    return 158.0 + 24.0 * math.sin(2 * math.pi * t / 215.0) + 9.0 * math.sin(2 * math.pi * t / 71.0 + 0.6)


def elevation(t):
    return 447.0 + 3.0 * math.sin(t / 45.0) + 21.0 * smoothstep(380, 470, t)


class Jitter:
    """A fixed linear congruential sequence in [-1, 1): the receiver's noise."""

    def __init__(self):
        self.state = 20230617

    def next(self):
        self.state = (1103515245 * self.state + 12345) % 2**31
        return self.state / 2**30 - 1.0


def points():
    latitude, longitude = ORIGIN
    jitter = Jitter()
    for t in range(DURATION + 1):
        noise_north, noise_east = 0.8 * jitter.next(), 0.8 * jitter.next()
        shown_lat = latitude + noise_north / METRES_PER_DEGREE
        shown_lon = longitude + noise_east / (METRES_PER_DEGREE * math.cos(math.radians(latitude)))
        yield t, shown_lat, shown_lon, elevation(t)
        step = speed(t + 0.5)
        direction = math.radians(heading(t + 0.5))
        latitude += step * math.cos(direction) / METRES_PER_DEGREE
        longitude += step * math.sin(direction) / (METRES_PER_DEGREE * math.cos(math.radians(latitude)))


def iso(moment):
    return moment.strftime("%Y-%m-%dT%H:%M:%SZ")


def gpx():
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<gpx version="1.1" creator="meridel tools/make_sample_gpx.py" xmlns="http://www.topografix.com/GPX/1/1">',
        "  <metadata>",
        "    <name>Morning ride by the lake</name>",
        f"    <time>{iso(START)}</time>",
        "  </metadata>",
        "  <trk>",
        "    <name>Morning ride by the lake</name>",
        "    <type>cycling</type>",
        "    <trkseg>",
    ]
    for t, latitude, longitude, ele in points():
        lines.append(
            f'      <trkpt lat="{latitude:.7f}" lon="{longitude:.7f}"><ele>{ele:.1f}</ele>'
            f"<time>{iso(START + timedelta(seconds=t))}</time></trkpt>"
        )
    lines += ["    </trkseg>", "  </trk>", "</gpx>", ""]
    return "\n".join(lines)


def main():
    if len(sys.argv) != 2:
        print(f"usage: {sys.argv[0]} OUTPUT.gpx", file=sys.stderr)
        return 2
    with open(sys.argv[1], "w", encoding="utf-8", newline="\n") as file:
        file.write(gpx())
    return 0


if __name__ == "__main__":
    sys.exit(main())
