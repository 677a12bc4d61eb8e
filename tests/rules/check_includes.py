#!/usr/bin/env python3
"""Checks the include layering of the source tree.

A folder's private headers live in <folder>/internal/. They may be included
only by the folder's own sources (its .cpp files and its other internal
headers), by the folder's tests and benchmarks (tests/<folder>/,
bench/<folder>/) and by the fuzz targets, which test internals on purpose.
A public header of the folder must not include them either: whoever includes
the public header would get the internal one with it.

    python3 tests/layers/check_includes.py [source root]

prints one line per broken rule and exits with 1 when there is any.
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
# Directories that hold no C++ of the program: build trees, the client
# packages of other languages, npm's modules.
SKIPPED_DIRS = {".git", "node_modules", "clients"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def internal_owner(included):
    """The folder whose internal header `included` names, or None."""
    parts = included.split("/")
    if "internal" not in parts[:-1]:
        return None
    return "/".join(parts[: parts.index("internal")])


def may_include(includer, owner):
    """Whether the file at `includer` (relative, '/'-separated) may include
    an internal header of folder `owner`; a reason when it may not."""
    if includer.startswith(owner + "/"):
        rest = includer[len(owner) + 1 :]
        if rest.startswith("internal/") or not rest.endswith((".h", ".hpp")):
            return None
        return "a public header of %s/ includes one of its internal headers" % owner
    for prefix in ("tests/", "bench/"):
        if includer.startswith(prefix + owner + "/"):
            return None
    if includer.startswith("fuzz/"):
        return None
    return "includes an internal header of %s/" % owner


def source_files(root):
    for directory, subdirs, files in os.walk(root):
        relative = os.path.relpath(directory, root)
        subdirs[:] = sorted(
            d for d in subdirs
            if d not in SKIPPED_DIRS and not (relative == "." and (d == "build" or d.startswith("build-")))
        )
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.join(directory, name)
                yield path, os.path.relpath(path, root).replace(os.sep, "/")


def violations(root):
    found = []
    for path, relative in source_files(root):
        with open(path, encoding="utf-8", errors="replace") as source:
            for number, line in enumerate(source, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                owner = internal_owner(match.group(1))
                if owner is None:
                    continue
                reason = may_include(relative, owner)
                if reason:
                    found.append("%s:%d: %s (%s)" % (relative, number, reason, match.group(1)))
    return found


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
    found = violations(root)
    for line in found:
        print(line)
    if found:
        print("%d include(s) cross a folder's internal/ boundary" % len(found))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
