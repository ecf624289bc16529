#!/usr/bin/env python3
"""Fails when a file of src/ includes something its layer must not see.

  check_layers.py SRC_DIR

The layers, bottom to top; each may include its own layer and those below:
  core      plain functions over values and the state they are handed: no
            module state, no system calls (base/, and the core files of
            track/, overlay/, josm/);
  platform  the interfaces of the system's calls (platform/*.h), and their
            implementations (platform/<system>/), which see only the
            interfaces and their own system's files;
  actions   what reaches the system through the platform interfaces or
            the libraries that read files and draw (the other files of
            track/, overlay/, josm/, drawing/, and media/, which reads what
            MLT's producers say of a file);
  adapters  one per host (host/ for the DLL, frei0r/, mlt/, mpv/, and cli/
            for the meridel command): they own the instance state; none
            sees another.
Within the core, base/ sees only itself, track/ sees base/, and overlay/ and
josm/ see track/ and base/ but not each other. An action sees the actions of
its own folder only. Prints every offending line and exits 1.
"""

import os
import re
import sys

# Files of track/, overlay/ and josm/ that belong to the core, by stem.
CORE_STEMS = {
    "track": {"track_store", "gpx_time", "coordinate_scan", "gpx_walk"},
    "overlay": {"overlay_settings", "frame_moment", "caption", "clock_text", "start_rule", "caption_settings", "setting_table", "source_span"},
    "josm": {"josm_request"},
}
CORE_RANK = {"base": 0, "track": 1, "overlay": 2, "josm": 2}
ACTION_FOLDERS = {"drawing", "media"}
ADAPTERS = {"host", "frei0r", "mlt", "mpv", "cli"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def place(path):
    """(layer, folder) of a path relative to src/, or None outside the layers."""
    parts = path.split("/")
    folder = parts[0]
    stem = os.path.splitext(parts[-1])[0]
    if folder == "base":
        return "core", folder
    if folder in CORE_STEMS:
        return ("core" if stem in CORE_STEMS[folder] else "action"), folder
    if folder in ACTION_FOLDERS:
        return "action", folder
    if folder == "platform":
        return ("platform", folder) if len(parts) == 2 else ("platform-impl", "platform/" + parts[1])
    if folder in ADAPTERS:
        return "adapter", folder
    return None


def allowed(source, target):
    """Why `source` may not include `target`, or None when it may."""
    (layer, folder), (target_layer, target_folder) = source, target
    if layer == "core":
        if target_layer != "core":
            return "the core sees no platform, action or adapter"
        if target_folder != folder and (
            CORE_RANK[target_folder] >= CORE_RANK[folder]
        ):
            return f"core {folder}/ must not see {target_folder}/"
        return None
    if layer == "platform":
        return None if target_layer == "platform" else "platform interfaces see nothing of the module"
    if layer == "platform-impl":
        if target_layer == "platform" or target_folder == folder:
            return None
        return "a platform implementation sees only the interfaces and its own system's files"
    if layer == "action":
        if target_layer in ("core", "platform"):
            return None
        if target_layer == "action" and target_folder == folder:
            return None
        return f"an action of {folder}/ sees the core, the platform interfaces and its own folder's actions"
    if layer == "adapter":
        if target_layer == "adapter" and target_folder != folder:
            return f"the {folder}/ adapter must not see the {target_folder}/ adapter"
        if target_layer == "platform-impl":
            return "adapters reach the system through the platform interfaces"
        return None
    return None


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    src = os.path.abspath(sys.argv[1])
    faults = []
    checked = 0
    for directory, _, files in sorted(os.walk(src)):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(directory, name), src).replace(os.sep, "/")
            source = place(path)
            if source is None:
                continue
            checked += 1
            with open(os.path.join(directory, name), encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = place(match.group(1))
                    if target is None:
                        if os.path.exists(os.path.join(src, match.group(1))):
                            faults.append(f"src/{path}:{number}: {line.strip()}  (not in any layer)")
                        continue
                    why = allowed(source, target)
                    if why:
                        faults.append(f"src/{path}:{number}: {line.strip()}  ({why})")
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(1)
    print(f"layers: {checked} files, every include runs downward")


if __name__ == "__main__":
    main()
