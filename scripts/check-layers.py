#!/usr/bin/env python3
"""Checks that every source file includes only from its own folder and the layers below.

The layers, lowest first; folders on one line are siblings and do not include each
other:
    base
    mapinfo, garmin
    dictionary
    operations
    settings
    mapview (the map model)
    ui (the headless window model)
    ui/qt, ui/win32 (window bindings), cli (the command line)
The command line runs the operations without a window: it includes nothing of ui,
ui/qt or ui/win32. Tests, benchmarks and fuzz harnesses sit on top and may include
anything.

It also checks that only platform code asks which system it is built for: an #if on
_WIN32 (or __linux__, __APPLE__) stands only in base/platform*, ui/qt and ui/win32;
everything else calls a function of base/platform.h instead. Prints each upward or
sideways include and each such #if, and exits with 1 when there is one.
"""
import os
import re
import sys

LAYERS = [["base"], ["mapinfo", "garmin"], ["dictionary"], ["operations"], ["settings"], ["mapview"], ["ui"],
          ["ui/qt", "ui/win32", "cli"]]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
# Layers below its own that a folder still may not include.
FORBIDDEN = {"cli": {"ui", "ui/qt", "ui/win32"}}
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
PLATFORM_IF = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b(_WIN32|__linux__|__APPLE__)\b")
PLATFORM_CODE = ("base/platform", "ui/qt/", "ui/win32/")


def folder_of(path):
    """The layer folder a source path belongs to, or None for files outside the layers."""
    parts = path.split("/")
    if len(parts) >= 3 and "/".join(parts[:2]) in RANK:
        return "/".join(parts[:2])
    return parts[0] if parts[0] in RANK and len(parts) >= 2 else None


def main():
    faults = []
    for folder in RANK:
        directory = os.path.join(ROOT, folder)
        if not os.path.isdir(directory):
            continue
        for name in sorted(os.listdir(directory)):
            if not name.endswith((".h", ".cpp")):
                continue
            source = f"{folder}/{name}"
            with open(os.path.join(directory, name), encoding="utf-8") as file:
                for number, line in enumerate(file, 1):
                    if PLATFORM_IF.match(line) and not source.startswith(PLATFORM_CODE):
                        faults.append(f"{source}:{number}: asks for the platform with #if; "
                                      f"call a function of base/platform.h instead")
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    target = folder_of(match.group(1))
                    if target is None:
                        faults.append(f"{source}:{number}: includes {match.group(1)}, which is in no layer")
                    elif target != folder and RANK[target] >= RANK[folder]:
                        faults.append(f"{source}:{number}: includes {match.group(1)} from layer {target}, "
                                      f"not below {folder}")
                    elif target in FORBIDDEN.get(folder, ()):
                        faults.append(f"{source}:{number}: includes {match.group(1)} from layer {target}, "
                                      f"which {folder} may not use")
    for fault in faults:
        print(fault)
    if not faults:
        print("layers: every include points downward; only platform code asks for the platform")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
