"""Shared by the music checks: failure collection and the system packages' import path."""

import sys

FAILURES = []


def use_system_packages():
    """A python3 ahead of the system one on PATH may lack the Debian packages (mido, numpy)."""
    if "/usr/lib/python3/dist-packages" not in sys.path:
        sys.path.append("/usr/lib/python3/dist-packages")


def check(condition, message):
    if not condition:
        FAILURES.append(message)
    return condition


def report(title):
    """Prints the failures and returns the exit code."""
    for failure in FAILURES:
        print("FAIL:", failure)
    print(f"{title}:", "FAILED" if FAILURES else "ok")
    return 1 if FAILURES else 0
