#!/usr/bin/env python3
"""Writes deb-src entries beside the machine's own Debian entries, so that
`apt-get source` fetches from the mirrors the machine already uses; or, with
--backports, a deb entry for the release's backports suite.

  derive-deb-src.py [--apt-root DIR] [--codename NAME] [--backports] OUT
  derive-deb-src.py [--apt-root DIR] [--codename NAME] --mirror

Reads DIR/sources.list and DIR/sources.list.d/*.list (one-line entries) and
DIR/sources.list.d/*.sources (deb822) as apt does: comments, "Enabled: no"
stanzas, files apt ignores, cdrom entries and OUT itself are skipped. A Debian
entry is one with component main for the release NAME (default: this
machine's), one of its suites (NAME-updates, NAME-security, ...) or an alias
such as stable: where tinyxml2's source can be.

Writes one deb822 stanza of type deb-src per Debian deb entry to OUT, with
the entry's URIs, suites, components and options (Signed-By, Architectures,
...). OUT is replaced in one step, never left empty or partly written. When
the machine already has Debian deb-src entries nothing is derived and OUT is
removed, lest apt see every source twice.

With --backports: one deb stanza with suite NAME-backports per Debian deb
entry of the suite NAME itself (the main archive, where backports live), with
that entry's URIs, components and options. When the machine already has a
NAME-backports deb entry, nothing is derived and OUT is removed.

With --mirror: prints the first URI of a Debian deb entry of the suite NAME
itself, the mirror a root of another release is made from; nothing is written.

Exit status 0 when OUT was written or is not needed; 1, with a message saying
what to add, when there is no Debian entry to derive from.
"""

import argparse
import os
import re
import sys
import tempfile

# Suite names that are Debian's whatever the release: the codenames' aliases.
ALIASES = {"stable", "oldstable", "oldoldstable", "testing", "unstable", "sid", "experimental"}
FALSE = {"no", "false", "off", "without", "disable", "0"}
# apt's pattern for the files it reads in sources.list.d.
PART_NAME = re.compile(r"[A-Za-z0-9_.-]+\.(list|sources)")
# A one-line entry's words; brackets hold spaces ("[ arch=amd64 ]", "cdrom:[...]").
WORD = re.compile(r'(?:\[[^\]]*\]|"[^"]*"|[^\s\["])+')
# One-line options whose deb822 field is not their own name, all lists.
LIST_OPTIONS = {"arch": "Architectures", "lang": "Languages", "target": "Targets"}


def codename_of_machine():
    for path in ("/etc/os-release", "/usr/lib/os-release"):
        try:
            text = open(path, encoding="utf-8").read()
        except OSError:
            continue
        match = re.search(r"^VERSION_CODENAME=\"?([^\"\n]*)", text, re.M)
        return match.group(1) if match else ""
    return ""


def field(fields, name):
    """A deb822 field's value on one line; names compare as apt does, ignoring case."""
    for key, lines in fields:
        if key.lower() == name.lower():
            return " ".join(line.strip() for line in lines).strip()
    return ""


def one_line_entries(text):
    """Each entry as deb822 fields: Types, URIs, Suites, Components, then its options."""
    for line in text.splitlines():
        words = WORD.findall(line.split("#", 1)[0])
        if len(words) < 3 or words[0] not in ("deb", "deb-src"):
            continue
        options = []
        if words[1].startswith("["):
            for option in words.pop(1).strip("[]").split():
                match = re.fullmatch(r"([^=]+?)([+-]?)=(.*)", option)
                if not match:
                    continue
                key, sign, value = match.groups()
                if key in LIST_OPTIONS:
                    name = LIST_OPTIONS[key] + {"": "", "+": "-Add", "-": "-Remove"}[sign]
                    value = value.replace(",", " ")
                else:
                    name = "-".join(part.capitalize() for part in key.split("-"))
                options.append((name, [value]))
        if len(words) < 3 or words[1].startswith("cdrom:"):  # a disc's name holds spaces
            continue
        yield [("Types", [words[0]]), ("URIs", [words[1]]), ("Suites", [words[2]]),
               ("Components", [" ".join(words[3:])])] + options


def deb822_entries(text):
    """Each stanza's fields as (name, lines); continuation lines kept verbatim."""
    fields = []
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if fields:
                yield fields
            fields = []
        elif line[0] in " \t" and fields:
            fields[-1][1].append(line)
        else:
            name, _, value = line.partition(":")
            fields.append((name.strip(), [value.strip()]))


def machine_entries(root, out):
    files = [os.path.join(root, "sources.list")]
    parts = os.path.join(root, "sources.list.d")
    if os.path.isdir(parts):
        files += [os.path.join(parts, name) for name in sorted(os.listdir(parts)) if PART_NAME.fullmatch(name)]
    for path in files:
        if not os.path.isfile(path) or os.path.realpath(path) == os.path.realpath(out):
            continue
        text = open(path, encoding="utf-8", errors="replace").read()
        entries = deb822_entries(text) if path.endswith(".sources") else one_line_entries(text)
        for fields in entries:
            if field(fields, "Enabled").lower() not in FALSE:
                yield fields


def debian_part(fields, codename):
    """The entry's URIs and suites that can hold Debian's main sources, or None."""
    if "main" not in field(fields, "Components").split():
        return None
    uris = [uri for uri in field(fields, "URIs").split() if not uri.startswith("cdrom:")]
    suites = [suite for suite in field(fields, "Suites").split()
              if re.split(r"[-/]", suite, maxsplit=1)[0] in ALIASES | ({codename} if codename else set())]
    return (uris, suites) if uris and suites else None


def derive(root, out, codename, backports=False):
    """The text for OUT; "" when the machine has its own entries; None when it has no Debian entry."""
    wanted = "deb" if backports else "deb-src"
    stanzas = []
    for fields in machine_entries(root, out):
        part = debian_part(fields, codename)
        if not part:
            continue
        uris, suites = part
        types = field(fields, "Types").split()
        if wanted in types and (not backports or f"{codename}-backports" in suites):
            return ""
        if "deb" not in types:
            continue
        if backports:
            if codename not in suites:
                continue
            suites = [f"{codename}-backports"]
        lines = [f"Types: {wanted}", f"URIs: {' '.join(uris)}", f"Suites: {' '.join(suites)}",
                 f"Components: {field(fields, 'Components')}"]
        for name, value in fields:
            if name.lower() not in ("types", "uris", "suites", "components", "enabled"):
                lines.append(f"{name}: {value[0]}".rstrip())
                lines += value[1:]
        stanza = "\n".join(lines) + "\n"
        if stanza not in stanzas:  # the same entry in two files
            stanzas.append(stanza)
    return "\n".join(stanzas) if stanzas else None


def mirror(root, codename):
    """The first URI of a Debian deb entry of the suite CODENAME itself, or None."""
    for fields in machine_entries(root, os.devnull):
        part = debian_part(fields, codename)
        if part and "deb" in field(fields, "Types").split():
            uris, suites = part
            if codename in suites or any(suite in ALIASES for suite in suites):
                return uris[0]
    return None


def replace_file(path, text):
    # A name ending in "~" is one apt skips silently, should it read the folder meanwhile.
    fd, temporary = tempfile.mkstemp(dir=os.path.dirname(os.path.abspath(path)),
                                     prefix=f".{os.path.basename(path)}.", suffix="~")
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(text)
        os.chmod(temporary, 0o644)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--apt-root", default="/etc/apt")
    parser.add_argument("--codename", default=None)
    parser.add_argument("--backports", action="store_true")
    parser.add_argument("--mirror", action="store_true")
    parser.add_argument("out", nargs="?")
    args = parser.parse_args()
    codename = codename_of_machine() if args.codename is None else args.codename
    if args.mirror:
        uri = mirror(args.apt_root, codename)
        if uri is None:
            sys.exit(f"setup: no Debian deb entry (component main of {codename or 'RELEASE'}) in "
                     f"{args.apt_root}/sources.list or {args.apt_root}/sources.list.d/ names a mirror")
        print(uri)
        return
    if args.out is None:
        parser.error("OUT is required unless --mirror is given")

    text = derive(args.apt_root, args.out, codename, args.backports)
    if text is None:
        release = codename or "RELEASE"
        kind, suite = ("deb", f"{release}-backports") if args.backports else ("deb-src", release)
        sys.exit(f"setup: no Debian entry (component main of {release}) in {args.apt_root}/sources.list or "
                 f"{args.apt_root}/sources.list.d/ to derive a {kind} entry from.\n"
                 f"setup: add one for your Debian mirror, e.g. this line to {args.apt_root}/sources.list, "
                 f"with URI the mirror's address:\n"
                 f"setup:   {kind} URI {suite} main")
    if text:
        replace_file(args.out, text)
    elif os.path.exists(args.out):
        os.unlink(args.out)


if __name__ == "__main__":
    main()
