"""Runs Python unittest modules as one CTest test, so that CTest tells a
skip from a pass:

    python3 tests/support/unittest_main.py MODULE...    (from the modules' folder)

Exit status 1 when a test failed or raised, 77 when none did but some were
skipped (the tests' CMake files declare 77 as SKIP_RETURN_CODE; the reasons
are listed at the end of the output), 0 when every test ran and passed."""

import os
import sys
import unittest

SKIPPED = 77


def main(names):
    sys.path.insert(0, os.getcwd())
    suite = unittest.defaultTestLoader.loadTestsFromNames(names)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful():
        return 1
    if result.skipped:
        print("\nskipped %d of %d:" % (len(result.skipped), result.testsRun))
        for test, reason in result.skipped:
            print("  %s: %s" % (test.id(), reason))
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
