#!/usr/bin/env python3
"""Fails when a file of src/ includes something its layer must not see.

  check_layers.py SRC_DIR

The layers, bottom to top, are those of SRC_DIR/layers.txt, which says
what each may see. Prints every offending line and exits 1.
"""

import os
import re
import sys

def read_layers(src):
    """The folders of each layer, the core's files by folder and stem, and each core folder's rank."""
    folders, core_stems, core_rank = {}, {}, {}
    with open(os.path.join(src, "layers.txt"), encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            layer, entries = words[0], words[1:]
            if layer == "core":
                rank, entries = int(entries[0]), entries[1:]
            for entry in entries:
                folder, _, stem = entry.partition("/")
                if layer == "core":
                    core_rank[folder] = rank
                    if stem:
                        core_stems.setdefault(folder, set()).add(stem)
                    else:
                        folders[folder] = "core"
                else:
                    folders[folder] = layer
    return folders, core_stems, core_rank


# Filled from layers.txt by main().
FOLDERS, CORE_STEMS, CORE_RANK = {}, {}, {}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def place(path):
    """(layer, folder) of a path relative to src/, or None outside the layers."""
    parts = path.split("/")
    folder = parts[0]
    stem = os.path.splitext(parts[-1])[0]
    if stem in CORE_STEMS.get(folder, ()):
        return "core", folder
    layer = FOLDERS.get(folder)
    if layer == "platform" and len(parts) > 2:
        return "platform-impl", "platform/" + parts[1]
    return (layer, folder) if layer else None


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
    global FOLDERS, CORE_STEMS, CORE_RANK
    FOLDERS, CORE_STEMS, CORE_RANK = read_layers(src)
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
