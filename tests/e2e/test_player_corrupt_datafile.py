"""A corrupt data.vtl ends the run with the fatal message on stdout, a box and exit code 1."""
import os
import shutil
import sys
import tempfile

import player

TITLE = "Cindercoil"


def main():
    folder = tempfile.mkdtemp(prefix="corrupt-vtl-")
    with open(os.path.join(folder, "data.vtl"), "wb") as data:
        data.write(b"Not a Data File at all, just some bytes\x00\x01\x02")
    run = player.Player(cwd=folder)
    try:
        player.answer_dialog_if_shown(TITLE)
        player.check(run.wait_for_output("Error in file", 60), "no fatal line:\n" + run.output())
        code, output = player.answer_error_box(run)
        player.check(code == 1, f"exit code {code}; output:\n{output}")
        player.check("Unrecognized datafile header: Not a Data File at" in output, output)
    finally:
        run.close()
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main())
