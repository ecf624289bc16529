#!/usr/bin/python3
"""Finds an editor's widgets through the accessibility bus (AT-SPI), for a
GUI test that clicks them with xdotool: Qt exposes its widgets there when
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1.

  widgets.py find APP ROLE NAME [--timeout S] [--index N] [--within ROLE:NAME]
                 [--after ROLE:NAME] [--region X,Y,W,H]
      Prints "X Y W H" of the first showing widget (or the N-th) whose role
      and name match (ROLE: one or several, "label|table cell"; NAME: a
      regular expression matched whole), inside
      the widget --within, after the widget --after in the tree's order,
      centred in --region;
      waits up to S seconds (default 20) for it; exits 1 when none appears.
  widgets.py frame APP ROLE NAME [...] [--fps N]
      Prints the frame a player's position field holds: its timecode text
      (HH:MM:SS:FF, at N frames a second, default 25), or else its value.
  widgets.py text APP ROLE NAME [...]
      Prints the text a field holds, to check what typing put there; exits 3
      when the field shows none to the accessibility bus.
  widgets.py dump APP
      Prints the tree: role, name, extents.
"""

import argparse
import re
import sys
import time

import pyatspi


def app_named(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.name == name:
            return app
    return None


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def walk(node, depth=0):
    """Every node under node, depth first; big lists (fonts...) unopened."""
    yield node, depth
    try:
        count = node.childCount
    except Exception:
        return
    if count > 300:
        return
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except Exception:
            continue
        if child is not None:
            yield from walk(child, depth + 1)


def on_screen(node):
    try:
        x, y, w, h = extents(node)
        states = node.getState()
        role = node.getRoleName()
    except Exception:
        return False
    # Qt Quick items report no visibility at all; closed menus keep stale
    # extents but are not showing.
    showing = states.contains(pyatspi.STATE_SHOWING) or (
        role != "menu item" and not states.contains(pyatspi.STATE_VISIBLE))
    return showing and w > 0 and h > 0 and x >= 0 and y >= 0


# Roles that AT-SPI renamed (2.46: "push button" is "button"), by the name a
# test gives: Qt 5's editors on Debian 12 and Qt 6's on Debian 13 match alike.
ROLE_NAMES = {"push button": {"push button", "button"}}


def matches(node, role, pattern):
    """ROLE may name alternatives: "label|table cell"."""
    roles = set().union(*(ROLE_NAMES.get(one, {one}) for one in role.split("|")))
    try:
        return node.getRoleName() in roles and pattern.fullmatch(node.name or "") is not None
    except Exception:
        return False


def inside(node, region):
    x, y, w, h = extents(node)
    left, top, width, height = region
    return left <= x + w / 2 < left + width and top <= y + h / 2 < top + height


def find(app_name, role, name, index=0, within=None, after=None, region=None):
    """The index-th showing node of role and name, inside a showing node
    `within` ("ROLE:NAME") and after a showing node `after` in the tree's
    order (a label before the field it names)."""
    app = app_named(app_name)
    if app is None:
        return None
    roots = [app]
    if within:
        outer_role, outer_name = within.split(":", 1)
        pattern = re.compile(outer_name)
        roots = [node for node, _ in walk(app) if matches(node, outer_role, pattern) and on_screen(node)]
    pattern = re.compile(name)
    nodes = [node for root in roots for node, _ in walk(root)]
    if after:
        mark_role, mark_name = after.split(":", 1)
        mark = re.compile(mark_name)
        starts = [at for at, node in enumerate(nodes) if matches(node, mark_role, mark) and on_screen(node)]
        nodes = nodes[starts[0] + 1:] if starts else []
    found = [node for node in nodes
             if matches(node, role, pattern) and on_screen(node) and (not region or inside(node, region))]
    return found[index] if len(found) > index else None


def frame_of(node, fps):
    try:
        text = node.queryText()
        timecode = re.fullmatch(r"\s*(\d+):(\d+):(\d+)[:.;](\d+)\s*", text.getText(0, text.characterCount))
    except Exception:
        timecode = None
    if not timecode:
        return round(node.queryValue().currentValue)
    hours, minutes, seconds, frames = (int(part) for part in timecode.groups())
    return ((hours * 60 + minutes) * 60 + seconds) * fps + frames


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["find", "frame", "text", "dump"])
    parser.add_argument("app")
    parser.add_argument("role", nargs="?")
    parser.add_argument("name", nargs="?")
    parser.add_argument("--timeout", type=float, default=20)
    parser.add_argument("--index", type=int, default=0)
    parser.add_argument("--within")
    parser.add_argument("--after")
    parser.add_argument("--region", help="X,Y,W,H: only widgets centred in it")
    parser.add_argument("--fps", type=int, default=25)
    args = parser.parse_args()

    if args.command == "dump":
        app = app_named(args.app)
        if app is None:
            desktop = pyatspi.Registry.getDesktop(0)
            names = [desktop.getChildAtIndex(index).name for index in range(desktop.childCount)]
            sys.exit(f"no application {args.app!r} on the accessibility bus, only {names}")
        for node, depth in walk(app):
            try:
                box = extents(node)
                print(f"{'  ' * depth}{node.getRoleName()} {node.name!r} {box[0]},{box[1]} {box[2]}x{box[3]}")
            except Exception:
                pass
        return

    deadline = time.monotonic() + args.timeout
    while True:
        node = find(args.app, args.role, args.name, args.index, args.within, args.after,
                    tuple(int(v) for v in args.region.split(",")) if args.region else None)
        if node is not None:
            break
        if time.monotonic() > deadline:
            sys.exit(f"no showing {args.role} {args.name!r} in {args.app} after {args.timeout:g} s")
        time.sleep(0.3)
    if args.command == "frame":
        print(frame_of(node, args.fps))
    elif args.command == "text":
        try:
            print(text_of(node))
        except Exception:
            sys.exit(3)
    else:
        print(*extents(node))


if __name__ == "__main__":
    main()
