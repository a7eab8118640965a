"""Plays the production from data.vtl to its end as a person would who only starts it: the
run must end by itself with exit code 0 and no fatal error. Used for the sanitizer build's
run of the player (tools/test-sanitizers.sh), where loading takes long enough that a key
pressed at a fixed time might land in the loading screen."""
import sys

import player



def main():
    # The production's title names its windows (production 6's unless given).
    title = sys.argv[1] if len(sys.argv) > 1 else "Cindercoil"
    run = player.Player()
    try:
        run.window_after_dialog(title)
        code = run.wait(600)
        output = run.output()
        player.check(code == 0, f"exit code {code}; output:\n{output}")
        player.check("Error in file" not in output, "fatal error:\n" + output)
    finally:
        run.close()


if __name__ == "__main__":
    sys.exit(main())
