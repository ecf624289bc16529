#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into the build tree.

  seeds.py OUT_DIR SOURCE_DIR CORPUS_DIR

OUT_DIR/<target>/ receives one file per seed: the unit tests' cases (time
texts, documents, tracks and lookups, caption settings, settings' texts) and, when
CORPUS_DIR exists, the real GPX files there (large ones cut after a point
near 16 KiB and closed, so that each run stays fast) and their time texts.
The binary layouts are those of fuzz/fuzz_support.h.
"""

import hashlib
import os
import re
import shutil
import struct
import sys

SEED_LIMIT = 16 * 1024


def write_seeds(directory, seeds):
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for seed in seeds:
        name = hashlib.sha1(seed).hexdigest()
        with open(os.path.join(directory, name), "wb") as out:
            out.write(seed)


def corpus_files(corpus):
    if not os.path.isdir(corpus):
        return []
    names = sorted(n for n in os.listdir(corpus) if n.endswith(".gpx"))
    result = []
    for name in names:
        with open(os.path.join(corpus, name), "rb") as f:
            result.append(f.read())
    return result


# ---------------------------------------------------------------- time texts

def time_seeds(source, documents):
    with open(os.path.join(source, "tests/track/gpx_time_test.cpp"), encoding="utf-8") as f:
        texts = re.findall(r'\{"((?:[^"\\]|\\.)*)",', f.read())
    seeds = {t.encode("latin-1").decode("unicode_escape").encode("latin-1") for t in texts}
    for document in documents:
        for found in re.findall(rb"<time>([^<]{0,64})</time>", document)[:20]:
            seeds.add(found)
    return sorted(seeds)


# ---------------------------------------------------------------- documents

def cut(document):
    """The document up to the last point that ends before the limit, closed."""
    if len(document) <= SEED_LIMIT:
        return document
    end = document.rfind(b"</trkpt>", 0, SEED_LIMIT)
    if end < 0:
        return document[:SEED_LIMIT]
    return document[: end + len(b"</trkpt>")] + b"\n</trkseg></trk></gpx>\n"


def point(attributes, children=b"<time>2015-06-01T10:20:30Z</time>"):
    return b"<trkpt " + attributes + b">" + children + b"</trkpt>\n"


def segment(contents):
    return (b'<?xml version="1.0" encoding="UTF-8"?>\n<gpx version="1.1" creator="test">\n'
            b"<trk><name>t</name><trkseg>\n" + contents + b"</trkseg></trk></gpx>\n")


def document_seeds(corpus_documents):
    p1 = point(b'lat="1" lon="2"')
    p2 = point(b'lon="4" lat="3"', b"<ele>5</ele><time>2015-06-01T10:20:31Z</time>")
    nested = b"<a>" * 120 + b"</a>" * 120
    handwritten = [
        b"<gpx><trk><trkseg>" + p1 + p2 + b"</trkseg></trk><trk><trkseg>" + p1 + b"</trkseg></trk></gpx>",
        segment(p1 + b"<!-- pause -->\n<extensions><x>1</x></extensions>\ntext\n" + p2),
        segment(point(b'lat="12.5abc" lon="  +3"') + point(b'lat="1e-999" lon="nan"') + point(b'lat="" lon="3"')),
        segment(point(b'lat="1" lon="2"', b"<time/>") + point(b'lat="3" lon="4"', b"<time><![CDATA[2015]]></time>")),
        segment(point(b'lat="&#52;&#x37;.5" lon="8"', b"<time>&#50;015-06-01T10:20:30Z</time>")),
        b"\xef\xbb\xbf<?xml version=\"1.0\"?>\r\n<gpx>\r\n<trk><trkseg>\r\n" + p1 + b"</trkseg></trk></gpx>\r\n",
        b"<gpx><trk><trkseg/><trkseg>" + p1 + b"</trkseg></trk></gpx>",
        b"<gpx><trk><trkseg>" + p1 + nested + b"</trkseg></trk></gpx>",
        segment(point(b'lat="1" lon="2"', b"<time>\x01\x7f\xff\xfe2015</time><name>\xc3\x28\xed\xa0\x80</name>")),
        segment(point(b'lat="0.' + b"1" * 400 + b'" lon="1' + b"0" * 400 + b'"')),
    ]
    return handwritten + [cut(d) for d in corpus_documents]


# ---------------------------------------------------------------- lookups

def time_field(value):
    if -64 <= value < 64:
        return struct.pack("<B", value + 64)
    return struct.pack("<Bi", 0x80, value)


def point_fields(time, latitude, longitude):
    return time_field(time) + struct.pack("<dd", latitude, longitude)


LOOKUP, APPEND, CURSOR_TO_FIRST, CLEAR = 0, 3, 4, 5


def track(points):
    return struct.pack("<B", len(points)) + b"".join(point_fields(*p) for p in points)


def lookups(moments):
    return b"".join(struct.pack("<B", LOOKUP) + time_field(m) for m in moments)


def lookup_seeds():
    # The three points of the tests, shifted into the small-time range.
    three = [(0, 10.0, 20.0), (10, 11.0, 22.0), (30, 12.0, 20.0)]
    ties = [(10, 1.0, 1.0), (20, 2.0, 2.0), (20, 3.0, 3.0), (30, 4.0, 4.0)]
    return [
        track([]) + lookups([0, 5]),
        track([(5, 1.5, 2.5)]) + lookups([-64, 5, 63, 2**31 - 1, -(2**31)]),
        track(three) + lookups([-10, 0, 5, 10, 15, 30, 1000]),
        track(three) + lookups([15, 5, -10, 25]),
        track(ties) + lookups([20, 25, 20, 15, 20]),
        track([(30, 1.0, 1.0), (10, 2.0, 2.0), (-1, 3.0, 3.0), (20, 4.0, 4.0)]) + lookups([15, -1, 25, 0]),
        track([(-(2**31), 1.0, 1.0), (2**31 - 1, 2.0, 2.0), (0, 3.0, 3.0)]) + lookups([2**31 - 2, 0, 1]),
        track(three) + lookups([25]) + struct.pack("<B", CLEAR) + lookups([25])
        + struct.pack("<B", APPEND) + point_fields(40, 9.0, 9.0) + lookups([50])
        + struct.pack("<B", CURSOR_TO_FIRST) + lookups([45]),
    ]


# ---------------------------------------------------------------- captions

def caption_seed(base_time, frames_per_second, clock, points, frames):
    utc_h, utc_m, diff_h, diff_m, diff_s = clock
    values = struct.pack("<8i", 10, 10, utc_h, utc_m, diff_h, diff_m, diff_s, 0)
    return (values + struct.pack("<di", frames_per_second, base_time) + track(points)
            + b"".join(struct.pack("<i", f) for f in frames))


def caption_seeds():
    t0 = 1433154030
    three = [(0, 10.0, 20.0), (10, 11.0, 22.0), (30, 12.0, 20.0)]
    absent = struct.pack("<B", 255)
    return [
        caption_seed(t0, 25.0, (9, 0, 0, 0, 0), [(t0, 35.5, 139.25)], [0, 24, 25, 50]),
        caption_seed(0, 30000.0 / 1001.0, (-3, -30, 1, -30, -59), three, [29, 30, 300, 900]),
        caption_seed(1388532600, 25.0, (9, 0, 0, 0, 0), three, [0, 2**31 - 1, -(2**31)]),
        caption_seed(2**31 - 1, 0.0, (15, 45, 100, 59, 59), [(-1, -0.25, -179.5)], [0, 1]),
        caption_seed(0, float("nan"), (-11, -45, -10, -59, -59), [], [7]),
        struct.pack("<8i", 10, 10, 9, 0, 0, 0, 0, 0) + struct.pack("<di", 60.0, 0) + absent + struct.pack("<i", 5),
    ]


# ---------------------------------------------------------------- settings

# What the hosts' descriptions give as examples, and texts next to them.
SETTING_TEXTS = [
    "", " ", "0", "1", "-1", "Z", "+02:00", "-03:30", "+9", " +05:45 ", "+18:00", "+18:01", "-00:00:05",
    "+1:30:00", "-2:05", "+12", "+999:59:59", "1:60", "clip", "track", "2023-06-17T07:30:00Z",
    "2023-06-17 07:30:00.5+02:00", "2023-06-17T07:30:00+0200", "2038-01-19T03:14:07Z", "0.5", "1e-3", "nan",
    "Noto Sans:bold", "20", "1024", "1025", "#FFCC00", "0xffcc00ff", "#80FFCC00", "yellow", "gray", "-10", "10",
]


def settings_seeds(source):
    """Each text for each setting: the first byte is CaptionSetting's value."""
    with open(os.path.join(source, "src/overlay/caption_settings.h"), encoding="utf-8") as f:
        names = re.search(r"enum class CaptionSetting : int \{([^}]*)kCount", f.read()).group(1)
    count = len(re.findall(r"\bk\w+", names))
    return [bytes([index]) + text.encode() for index in range(count) for text in SETTING_TEXTS]


def main():
    out, source, corpus = sys.argv[1:4]
    documents = corpus_files(corpus)
    write_seeds(os.path.join(out, "gpx_time"), time_seeds(source, documents))
    write_seeds(os.path.join(out, "gpx_walk"), document_seeds(documents))
    write_seeds(os.path.join(out, "lookup"), lookup_seeds())
    write_seeds(os.path.join(out, "caption"), caption_seeds())
    write_seeds(os.path.join(out, "settings"), settings_seeds(source))


if __name__ == "__main__":
    main()
