#!/usr/bin/python3
"""Reads text off a screenshot with tesseract, for the editors' GUI tests.

  screen.py caption IMAGE X Y W H [SCALE]
      The caption drawn in that part of the screen (white text on any
      background), enlarged SCALE times first (default 2): its lines, as the
      digits, dashes, colons and points of a Meridel caption.
  screen.py find IMAGE X Y W H PHRASE
      Prints "X Y W H" on the screen of the first run of words reading
      PHRASE in that part (light text on a dark panel); exits 1 without one.
  screen.py box IMAGE X Y W
      Prints "X Y W H" of the first box (a check box: 8 to 24 pixels of
      another colour than the row's own) on row Y from X rightwards for W
      pixels; exits 1 without one.
"""

import subprocess
import sys
import tempfile


def crop(image, box, out, *steps):
    x, y, w, h = box
    subprocess.run(["convert", image, "-crop", f"{w}x{h}+{x}+{y}", "+repage", *steps, out], check=True)


def tesseract(image, *options):
    return subprocess.run(["tesseract", image, "-", *options], check=True, capture_output=True, text=True).stdout


def caption(image, box, scale):
    with tempfile.TemporaryDirectory() as work:
        # The caption's white apart from everything else, black on white,
        # large enough for the glyphs of a monitor's scaled-down frame.
        crop(image, box, f"{work}/c.png", "-fill", "black", "-fuzz", "20%", "+opaque", "white", "-negate",
             "-resize", f"{scale * 100:g}%")
        text = tesseract(f"{work}/c.png", "--psm", "6", "-c", "tessedit_char_whitelist=0123456789-:. ")
    # A caption has no space beside a point; tesseract puts one there after
    # a monospaced digit now and then.
    lines = (" ".join(line.split()).replace(" .", ".").replace(". ", ".") for line in text.splitlines())
    return [line for line in lines if line]


def find(image, box, phrase):
    scale = 2
    with tempfile.TemporaryDirectory() as work:
        crop(image, box, f"{work}/p.png", "-colorspace", "Gray", "-negate", "-resize", f"{scale * 100}%")
        rows = tesseract(f"{work}/p.png", "--psm", "11", "tsv").splitlines()[1:]
    words = []
    for row in rows:
        cells = row.split("\t")
        if len(cells) == 12 and cells[11].strip():
            left, top, width, height = (int(cells[n]) // scale for n in (6, 7, 8, 9))
            words.append((cells[11].strip(), left, top, width, height))
    wanted = phrase.split()
    for start in range(len(words)):
        run = words[start:start + len(wanted)]
        if [word.lower() for word, *_ in run] == [word.lower() for word in wanted]:
            left = min(r[1] for r in run)
            top = min(r[2] for r in run)
            right = max(r[1] + r[3] for r in run)
            bottom = max(r[2] + r[4] for r in run)
            return box[0] + left, box[1] + top, right - left, bottom - top
    return None


def box_on_row(image, x, y, width):
    dump = subprocess.run(["convert", image, "-crop", f"{width}x1+{x}+{y}", "+repage", "txt:-"],
                          check=True, capture_output=True, text=True).stdout.splitlines()[1:]
    colours = [line.split()[2] for line in dump]
    background, start = colours[0] if colours else None, None
    for at, colour in enumerate(colours + [background]):
        if colour != background and start is None:
            start = at
        elif colour == background and start is not None:
            if 8 <= at - start <= 24:
                return x + start, y - (at - start) // 2, at - start, at - start
            start = None
    return None


def main():
    command, image = sys.argv[1], sys.argv[2]
    if command == "box":
        found = box_on_row(image, *(int(value) for value in sys.argv[3:6]))
        if found is None:
            sys.exit(f"no box on row {sys.argv[4]} of {image}")
        print(*found)
        return
    box = tuple(int(value) for value in sys.argv[3:7])
    if command == "caption":
        print("\n".join(caption(image, box, float(sys.argv[7]) if len(sys.argv) > 7 else 2)))
    elif command == "find":
        found = find(image, box, sys.argv[7])
        if found is None:
            sys.exit(f"no {sys.argv[7]!r} in {image} at {box}")
        print(*found)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
