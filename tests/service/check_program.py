#!/usr/bin/env python3
"""Checks how the built service program binds to the reader library.

Windows (--objdump): a 32-bit GUI program that imports each entry from the library by its
decorated name (_Name@Bytes) and needs none of the compiler's runtime DLLs.
Linux (--readelf, --nm): the program needs the library, finds it through the run path
$ORIGIN, and leaves each entry to it.
"""
import argparse
import os
import re
import subprocess
import sys

RUNTIME_DLLS = ("libstdc++-6.dll", "libgcc_s_dw2-1.dll", "libwinpthread-1.dll")


def run(tool, *args):
    # The tools' headings are parsed: keep them untranslated whatever the locale.
    environment = dict(os.environ, LC_ALL="C", LANGUAGE="")
    return subprocess.run([tool, *args], check=True, capture_output=True, text=True,
                          env=environment).stdout


def windows_imports(text):
    """DLL name (lower case) -> the names imported from it, from objdump -p."""
    imports = {}
    current = None
    for line in text.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            current = imports.setdefault(match.group(1).lower(), set())
            continue
        match = re.match(r"^\s+[0-9a-fA-F]+\s+\d+\s+(\S+)\s*$", line)
        if match and current is not None:
            current.add(match.group(1))
        elif not line.strip():
            current = None
    return imports


def check_windows(args, entries):
    text = run(args.objdump, "-p", args.program)
    problems = []
    if not re.search(r"^Magic\s+010b", text, re.MULTILINE):
        problems.append("not a 32-bit (PE32) program")
    if not re.search(r"^Subsystem\s+0*2\s", text, re.MULTILINE):
        problems.append("not a GUI-subsystem program")
    imports = windows_imports(text)
    for dll in RUNTIME_DLLS:
        if dll.lower() in imports:
            problems.append(f"needs the runtime DLL {dll}")
    from_library = imports.get(args.library.lower(), set())
    for name, size in entries:
        if f"_{name}@{size}" not in from_library:
            problems.append(f"does not import _{name}@{size} from {args.library}: {sorted(from_library)}")
        if name in from_library:
            problems.append(f"imports the plain name {name}")
    return problems


def check_linux(args, entries):
    problems = []
    dynamic = run(args.readelf, "-d", args.program)
    if f"Shared library: [{args.library}]" not in dynamic:
        problems.append(f"does not need {args.library}")
    paths = re.findall(r"\((?:RUNPATH|RPATH)\)\s+Library (?:runpath|rpath): \[(.*)\]", dynamic)
    if paths != ["$ORIGIN"]:
        problems.append(f"run path {paths}, expected ['$ORIGIN']")
    undefined = {line.split()[-1].split("@", 1)[0]
                 for line in run(args.nm, "-D", "--undefined-only", args.program).splitlines()
                 if line.strip()}
    for name, _ in entries:
        if name not in undefined:
            problems.append(f"does not take {name} from a library")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump")
    parser.add_argument("--readelf")
    parser.add_argument("--nm")
    parser.add_argument("--program", required=True)
    parser.add_argument("--library", required=True, help="the library's file name")
    parser.add_argument("--entries", nargs="+", required=True, help="Name:ArgumentBytes")
    args = parser.parse_args()
    entries = [tuple(entry.split(":")) for entry in args.entries]
    problems = check_windows(args, entries) if args.objdump else check_linux(args, entries)
    for problem in problems:
        print(f"{args.program}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
