#!/usr/bin/env python3
"""The include check passes on the source tree and catches a back edge and a knot between
folders in a made-up tree."""

import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
CHECK = [sys.executable, str(ROOT / "tools" / "check-includes.py")]


def run(src):
    return subprocess.run(CHECK + [str(src)], capture_output=True, text=True)


def tree(files):
    folder = Path(tempfile.mkdtemp())
    for name, text in files.items():
        (folder / name).parent.mkdir(parents=True, exist_ok=True)
        (folder / name).write_text(text)
    return folder


def main():
    real = run(ROOT / "src")
    assert real.returncode == 0, real.stdout + real.stderr

    back_edge = run(tree({"system/log.h": '#include "scenes/scene.h"\n', "scenes/scene.h": ""}))
    assert back_edge.returncode == 1, back_edge.stdout
    assert "back edge: system/log (system) includes scenes/scene (scenes)" in back_edge.stdout

    knot = run(tree({"util/a/a.h": "", "util/a/a.cpp": '#include "util/b/b.h"\n',
                     "util/b/b.h": "", "util/b/b.cpp": '#include "util/a/a.h"\n'}))
    assert knot.returncode == 1, knot.stdout
    assert "include cycle of 2 modules: util/a/a util/b/b" in knot.stdout
    print("include check: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
