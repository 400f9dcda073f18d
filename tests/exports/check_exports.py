#!/usr/bin/env python3
"""Checks a built library's export table against its export list.

Linux (--tool nm): `nm -D --defined-only` shows exactly the listed names.
Windows (--tool objdump): `objdump -p` shows exactly the names each line asks for, the two
names of a "both" line at one address; with --importer, that program imports the
decorated names of the entries it uses.
"""
import argparse
import os
import re
import subprocess
import sys


def read_list(path):
    entries = []
    for line in open(path, encoding="utf-8"):
        fields = line.split("#", 1)[0].split()
        if fields:
            form = fields[2] if len(fields) > 2 else "both"
            entries.append((fields[0], int(fields[1]), form))
    return entries


def run(tool, *args):
    # The tools' headings are parsed: keep them untranslated whatever the locale.
    environment = dict(os.environ, LC_ALL="C", LANGUAGE="")
    return subprocess.run([tool, *args], check=True, capture_output=True, text=True,
                          env=environment).stdout


def linux_names(tool, library):
    names = set()
    for line in run(tool, "-D", "--defined-only", library).splitlines():
        fields = line.split()
        if len(fields) == 3:
            names.add(fields[2].split("@", 1)[0])
    return names


def windows_exports(tool, library):
    """Name -> address (RVA) from the export directory that objdump -p prints."""
    text = run(tool, "-p", library)
    addresses = {}
    section = text.split("Export Address Table", 1)[1].split("[Ordinal/Name Pointer] Table", 1)
    for match in re.finditer(r"\[\s*(\d+)\]\s+\+base\[\s*\d+\]\s+([0-9a-fA-F]+)\s+Export RVA",
                             section[0]):
        addresses[int(match.group(1))] = int(match.group(2), 16)
    names = {}
    for line in section[1].splitlines():
        match = re.match(r"\s*\[\s*(\d+)\]\s+(\S+)\s*$", line)
        if match:
            names[match.group(2)] = addresses[int(match.group(1))]
        elif names:
            break
    return names


def windows_imports(tool, program):
    return set(re.findall(r"^\s+[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", run(tool, "-p", program),
                          re.MULTILINE))


def expected_windows_names(entries):
    names = set()
    for name, size, form in entries:
        if form in ("both", "plain"):
            names.add(name)
        if form in ("both", "decorated"):
            names.add(f"_{name}@{size}")
    return names


def check_windows(args, entries):
    problems = []
    exports = windows_exports(args.tool, args.library)
    expected = expected_windows_names(entries)
    if set(exports) != expected:
        problems.append(f"names {sorted(exports)}, expected {sorted(expected)}")
    for name, size, form in entries:
        decorated = f"_{name}@{size}"
        if form == "both" and name in exports and decorated in exports \
                and exports[name] != exports[decorated]:
            problems.append(f"{name} and {decorated} at different addresses")
    if args.importer:
        imports = windows_imports(args.tool, args.importer)
        decorated = {f"_{n}@{s}" for n, s, f in entries if f != "plain"}
        if not imports & decorated or imports & {n for n, _, f in entries if f == "both"}:
            problems.append(f"{args.importer} imports {sorted(imports)}, not decorated names")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True, help="nm (Linux) or objdump (Windows)")
    parser.add_argument("--list", required=True)
    parser.add_argument("--library", required=True)
    parser.add_argument("--importer", help="Windows: a program linked with the import library")
    args = parser.parse_args()
    entries = read_list(args.list)
    if "objdump" in args.tool:
        problems = check_windows(args, entries)
    else:
        names = linux_names(args.tool, args.library)
        expected = {name for name, _, _ in entries}
        problems = [] if names == expected else [f"names {sorted(names)}, expected {sorted(expected)}"]
    for problem in problems:
        print(f"{args.library}: {problem}")
    print("export table matches the list" if not problems else "export table check FAILED")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
