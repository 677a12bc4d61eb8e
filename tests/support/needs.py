"""What a test needs from the machine. Where it is missing the test is
skipped, except on a CI machine (CI=true), which is meant to have it: there
the test fails, so a check that never runs cannot pass for one that does."""

import os


def on_ci():
    return os.environ.get("CI") == "true"


def need(test, available, what):
    """Skips `test` (a unittest.TestCase) when `available` is false, saying
    `what` is missing; fails it instead under CI=true."""
    if available:
        return
    if on_ci():
        test.fail("%s, which CI must have (CI=true)" % what)
    test.skipTest(what)
