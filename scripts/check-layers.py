#!/usr/bin/env python3
"""Checks that the folders of src/ are its layers.

Every quoted include is resolved to a file of src/ and counted per pair of
folders. A file may include its own folder and the folders below it, never a
folder above it, and no two folders include each other (the panes are one
layer, so this orders them among themselves too). Prints the table of
includes between folders and each include that breaks the rule; exits 1 when
there is one. Usage: python3 scripts/check-layers.py [src folder]
"""
import collections
import os
import re
import sys

# Lowest first. The panes share a rank; the program's own files (main.cpp and
# the application object that puts the panes together) sit on top.
RANKS = {
    "base": 0,
    "registry": 1,
    "operations": 2,
    "app/framework": 3,
    "app": 4,
    "bookmarks": 5,
    "tree": 5,
    "values": 5,
    "search": 5,
    "frame": 5,
    ".": 6,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(relative):
    parts = relative.split("/")
    if len(parts) == 1:
        return "."
    if parts[0] == "app" and len(parts) > 2:
        return "app/" + parts[1]
    return parts[0]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    files = {}
    for directory, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                path = os.path.join(directory, name)
                files[os.path.relpath(path, src).replace(os.sep, "/")] = path

    counts = collections.Counter()
    examples = collections.defaultdict(list)
    problems = []
    for relative, path in sorted(files.items()):
        source = folder_of(relative)
        if source not in RANKS:
            problems.append(f"{relative}: the folder {source} has no place among the layers")
            continue
        with open(path, encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                included = match.group(1)
                nearby = os.path.normpath(os.path.join(os.path.dirname(relative), included)).replace(os.sep, "/")
                target = included if included in files else nearby if nearby in files else None
                if target is None:
                    continue  # a header of the platform or of the resources
                destination = folder_of(target)
                if destination == source:
                    continue
                counts[(source, destination)] += 1
                examples[(source, destination)].append(f"{relative}:{number} includes {target}")
                if RANKS.get(destination, 99) > RANKS[source]:
                    problems.append(f"{relative}:{number} includes {target}, a layer above its own")

    for (source, destination), count in sorted(counts.items()):
        print(f"  {source:14} -> {destination:14} {count:4}")
    for source, destination in sorted(counts):
        if source < destination and (destination, source) in counts:
            problems.append(f"{source} and {destination} include each other:")
            problems.extend("    " + line for line in examples[(source, destination)] + examples[(destination, source)])
    if problems:
        print("check-layers: the folders are not the layers:")
        for problem in problems:
            print("  " + problem)
        return 1
    print(f"check-layers: {len(files)} files, no include goes up a layer or both ways")
    return 0


if __name__ == "__main__":
    sys.exit(main())
