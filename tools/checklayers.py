#!/usr/bin/env python3
"""Checks that every include of src/ runs down the layers (README, Layout) and
that system headers, and the standard library's own ways to files (<filesystem>,
<fstream>, fopen), appear only in the OS layer and the Unicode services."""
import pathlib
import re
import sys

ORDER = ["os", "kernel", "import", "nls", "export", "platform", "ui", "app"]
SYSTEM = re.compile(r'#include <(unistd\.h|fcntl\.h|sys/|pwd\.h|dirent\.h|signal\.h|spawn\.h|windows\.h)')
# Files reached past the OS layer escape its fault injection and its UTF-8 paths.
FILES = re.compile(r'#include <(filesystem|fstream)>|\bfopen\s*\(')
ALLOWED_SYSTEM = {"src/kernel/unicodeservices_win.cpp"}

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
faults = []
for path in sorted((root / "src").glob("*/*")):
    folder = path.parent.name
    text = path.read_text(encoding="utf-8", errors="replace")
    rel = path.relative_to(root).as_posix()
    for target in re.findall(r'#include "([a-z]+)/', text):
        if folder == "cli":
            if target in ("platform", "ui", "app"):
                faults.append(f"{rel} includes {target}/")
        elif folder in ORDER and target in ORDER and ORDER.index(target) > ORDER.index(folder):
            faults.append(f"{rel} includes {target}/, a layer above it")
    if folder != "os" and rel not in ALLOWED_SYSTEM and SYSTEM.search(text):
        faults.append(f"{rel} includes a system header outside the OS layer")
    if folder != "os" and FILES.search(text):
        faults.append(f"{rel} reaches files past the OS layer ({FILES.search(text).group(0)})")
for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
