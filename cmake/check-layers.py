#!/usr/bin/env python3
"""Fails when a source file includes a room that stands above its own, or when code that must
build without a GUI includes Qt. The rooms, from the top: the program's entry; its windows
(the main window and the secondary ones know each other: the terminal settings restyle the
main window, which opens them); what crossed the line, which the windows show and record;
its widgets; its Qt binding; the controls; the engine; the
class library; the simulated board, which drives a virtual device; the backends, the shared driver, the Windows calls, the configuration rules.
A room may include its own files, its peers and anything below it."""

import pathlib
import re
import sys

ROOMS = [  # (folder, rank): a higher rank stands above a lower one
    ("app/main", 8), ("app/windows", 8), ("app/line", 7.5), ("app/widgets", 7), ("app/qt", 6), ("app", 10),
    ("serial/controls", 5), ("serial", 4), ("base", 3), ("board", 2.5),
    ("platform/posix", 2), ("platform/virtual", 2), ("platform/driver", 1.5),
    ("platform/winapi", 1), ("platform/config", 0.5), ("platform", None),
]
NO_QT = ("serial", "base", "platform", "board")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
QT = re.compile(r"^(Q[A-Za-z]+|Qt[A-Za-z]*/.*|q[a-z_]+\.h)$")


def room_of(path):
    for folder, rank in ROOMS:
        if path == folder or path.startswith(folder + "/"):
            return folder, rank
    return None, None


def main(root):
    root = pathlib.Path(root)
    faults = []
    for file in sorted(root.glob("**/*")):
        rel = file.relative_to(root).as_posix()
        if file.suffix not in (".cpp", ".h") or rel.startswith(("build", "tests/", "bench/", "fuzz/")):
            continue
        room, rank = room_of(rel)
        if room is None:
            continue
        if rank is None:
            faults.append(f"{rel}: no source file belongs directly in platform/")
            continue
        # The Qt controls are the only part of serial/ that may use Qt.
        gui_free = rel.startswith(NO_QT) and not rel.startswith("serial/controls/")
        for kind, name in INCLUDE.findall(file.read_text(encoding="utf-8", errors="replace")):
            if kind == "<":
                if gui_free and QT.match(name):
                    faults.append(f"{rel}: includes Qt <{name}> in code that builds without Qt")
                continue
            target, target_rank = room_of(name)
            if target is None or target == room:
                continue
            if target_rank is not None and target_rank > rank:
                faults.append(f"{rel}: includes {name}, a room above {room}/")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} layering faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
