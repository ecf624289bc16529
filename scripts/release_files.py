#!/usr/bin/env python3
"""Byte-exact pieces of the release, the same at every run on the same commit.

  release_files.py licenses DIR      licence texts of what meridel.auf links in
  release_files.py crlf FILE...      Windows line ends, in place
  release_files.py zip OUT.zip DIR   DIR's files, sorted, dated SOURCE_DATE_EPOCH
"""
import fnmatch
import os
import pathlib
import sys
import time
import zipfile

DOC = pathlib.Path("/usr/share/doc")
COMMON_LICENSES = pathlib.Path("/usr/share/common-licenses")


def paragraphs(text):
    """The paragraphs of a machine-readable copyright file, as (fields, text)."""
    result = []
    for block in text.split("\n\n"):
        block = block.strip("\n")
        if not block:
            continue
        fields, name = {}, None
        for line in block.split("\n"):
            if line[:1] in (" ", "\t") and name:
                fields[name] += "\n" + line.strip()
            elif ":" in line:
                name, value = line.split(":", 1)
                fields[name] = value.strip()
        result.append((fields, block))
    return result


def select(copyright_file, covers):
    """The header, the Files paragraphs for which `covers(pattern)` holds for a
    pattern, and the stand-alone License paragraphs that those name."""
    found = paragraphs(copyright_file.read_text(encoding="utf-8"))
    kept = [found[0][1]]
    names = set()
    for fields, block in found[1:]:
        if "Files" in fields and any(covers(p) for p in fields["Files"].split()):
            kept.append(block)
            short = fields.get("License", "").split("\n")[0]
            names.update(n.strip() for n in short.replace(" or ", " and ").split(" and "))
    for fields, block in found[1:]:
        if "Files" not in fields and fields.get("License", "").split("\n")[0] in names:
            kept.append(block)
    return "\n\n".join(kept) + "\n"


def gcc_runtime():
    """libstdc++ and libgcc: GPL-3 with the GCC Runtime Library Exception."""
    text = (DOC / "gcc-mingw-w64-base/copyright").read_text(encoding="utf-8")
    start = text.index("GCC RUNTIME LIBRARY EXCEPTION")
    end = text.index("2. No Weakening of GCC Copyleft.", start)
    end = text.index("\n\n\n", end)
    return (
        "The C++ standard library (libstdc++) and the compiler support library\n"
        "(libgcc) of GCC are linked into meridel.auf. They are licensed under\n"
        "the GNU General Public License, version 3 or later, with the GCC\n"
        "Runtime Library Exception, version 3.1. Both texts follow.\n"
        "\n"
        "libstdc++'s floating-point conversions include Ryu by Ulf Adams, used\n"
        "under the Boost Software License 1.0, which asks for no notice in\n"
        "machine-executable form.\n"
        "\n\n" + text[start:end].strip("\n") + "\n\n\n"
        + (COMMON_LICENSES / "GPL-3").read_text(encoding="utf-8")
    )


def licenses(out):
    out = pathlib.Path(out)
    out.mkdir(parents=True, exist_ok=True)
    tinyxml2 = select(DOC / "libtinyxml2-9/copyright", lambda p: fnmatch.fnmatchcase("tinyxml2.cpp", p))
    # The C runtime's start-up code and helpers, and the POSIX threads that
    # libstdc++ is built on; not the tools or the Windows API headers.
    runtime = select(
        DOC / "mingw-w64-common/copyright",
        lambda p: p == "*"
        or p.startswith("mingw-w64-crt/")
        or (p.startswith("mingw-w64-libraries/winpthreads/") and "tests_pthread" not in p),
    )
    texts = {
        "tinyxml2.txt": "tinyxml2, the XML parser that reads GPX files, is linked into\n"
        "meridel.auf. Its licence, as recorded by Debian:\n\n\n" + tinyxml2,
        "mingw-w64-runtime.txt": "The mingw-w64 C runtime and its POSIX threads library (winpthreads)\n"
        "are linked into meridel.auf. Their licences, as recorded by Debian:\n\n\n" + runtime,
        "gcc-runtime.txt": gcc_runtime(),
    }
    for name, text in texts.items():
        (out / name).write_text(text, encoding="utf-8")


def crlf(paths):
    for path in map(pathlib.Path, paths):
        data = path.read_bytes().replace(b"\r\n", b"\n")
        path.write_bytes(data.replace(b"\n", b"\r\n"))


def make_zip(out, folder):
    folder = pathlib.Path(folder)
    # A zip's times are local DOS times with no zone and no year before 1980.
    epoch = max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800)
    stamp = time.gmtime(epoch)[:6]
    files = sorted(p for p in folder.rglob("*") if p.is_file())
    with zipfile.ZipFile(out, "w") as archive:
        for path in files:
            entry = zipfile.ZipInfo(path.relative_to(folder).as_posix(), date_time=stamp)
            entry.create_system = 3  # Unix, so that the permissions below are read
            entry.external_attr = 0o100644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, path.read_bytes(), compresslevel=9)


def main(argv):
    if len(argv) >= 2 and argv[0] == "licenses":
        licenses(argv[1])
    elif len(argv) >= 2 and argv[0] == "crlf":
        crlf(argv[1:])
    elif len(argv) == 3 and argv[0] == "zip":
        make_zip(argv[1], argv[2])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
