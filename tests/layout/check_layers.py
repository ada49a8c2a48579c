#!/usr/bin/env python3
"""Checks that includes in src/ point one way: a folder includes only its own headers and those
of the layers below it, never a sibling's or a higher layer's. Prints every offending include and
exits 1 when there is one.

Usage: check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

# Lowest first; folders on one line are siblings and may not include each other.
LAYERS = [
    ["base"],
    ["tfx", "console", "image", "music", "view", "gles"],
    ["mesh"],
    ["scenes"],
    ["demo"],
    ["record"],
    ["app"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/')


def offences(source_root):
    src = pathlib.Path(source_root) / "src"
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in RANK:
            yield f"{path}: folder {folder} is in no layer"
            continue
        for number, line in enumerate(path.read_text().splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            target = match.group(1)
            if target == folder:
                continue
            if target not in RANK:
                yield f"{path}:{number}: includes {target}/, which is in no layer"
            elif RANK[target] >= RANK[folder]:
                yield f"{path}:{number}: {folder}/ includes {target}/, which is not below it"


def main():
    found = list(offences(sys.argv[1]))
    for offence in found:
        print(offence)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
