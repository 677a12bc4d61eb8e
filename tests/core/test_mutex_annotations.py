"""The locking rules of core/Mutex.h as clang's thread-safety analysis sees
them: each case is a small class using TMutex, compiled with -Wthread-safety;
the analysis must name the broken rule, or find none in correct code."""

import os
import shutil
import subprocess
import tempfile
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from needs import need  # noqa: E402

SOURCE_ROOT = os.environ.get("FIELDSYNC_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))
CLANG = shutil.which("clang++")

PROLOGUE = """
#include <condition_variable>
#include "core/Mutex.h"
using namespace fieldsync;
struct TCounter {
  TMutex FLock;
  std::condition_variable FChanged;
  int FCount GUARDED_BY(FLock) = 0;
  void Bump() REQUIRES(FLock) { ++FCount; }
"""

# (name, member function body, expected diagnostic or None)
CASES = [
    ("read under a scoped lock", "int F() { TMutexLock lock(FLock); return FCount; }", None),
    ("read without the lock", "int F() { return FCount; }",
     "reading variable 'FCount' requires holding mutex 'FLock'"),
    ("write without the lock", "void F() { FCount = 1; }",
     "writing variable 'FCount' requires holding mutex 'FLock' exclusively"),
    ("write after the scope gave the lock up", "void F() { TUniqueLock lock(FLock); lock.Unlock(); FCount = 1; }",
     "writing variable 'FCount' requires holding mutex 'FLock' exclusively"),
    ("write after the lock was taken again",
     "void F() { TUniqueLock lock(FLock); lock.Unlock(); lock.Lock(); FCount = 1; }", None),
    ("call of a function that requires the lock, without it", "void F() { Bump(); }",
     "calling function 'Bump' requires holding mutex 'FLock' exclusively"),
    ("call of a function that requires the lock, with it", "void F() { TMutexLock lock(FLock); Bump(); }", None),
    ("wait predicate that states the lock is held",
     "void F() { TUniqueLock lock(FLock); FChanged.wait(lock.Native(), [this] { FLock.AssertHeld(); return FCount > 0; }); }",
     None),
    ("wait predicate that does not",
     "void F() { TUniqueLock lock(FLock); FChanged.wait(lock.Native(), [this] { return FCount > 0; }); }",
     "reading variable 'FCount' requires holding mutex 'FLock'"),
]


class MutexAnnotationsTest(unittest.TestCase):
    def setUp(self):
        need(self, CLANG, "clang++ is not installed")

    def test_the_analysis_finds_exactly_the_broken_rules(self):
        # One probe for all cases, one member function F<i> per line: a
        # diagnostic's line number names its case.
        first_line = PROLOGUE.count("\n") + 1
        bodies = [body.replace("void F()", "void F%d()" % i).replace("int F()", "int F%d()" % i)
                  for i, (_, body, _) in enumerate(CASES)]
        with tempfile.TemporaryDirectory() as directory:
            source = os.path.join(directory, "probe.cpp")
            with open(source, "w", encoding="utf-8") as out:
                out.write(PROLOGUE + "".join("  " + body + "\n" for body in bodies) + "};\n")
            result = subprocess.run(
                [CLANG, "-std=c++20", "-fsyntax-only", "-Wthread-safety", "-I", SOURCE_ROOT, source],
                capture_output=True, text=True, check=False)
        self.assertNotIn("error:", result.stderr)
        found = {}
        for line in result.stderr.splitlines():
            parts = line.split(":", 4)
            if len(parts) == 5 and parts[3].strip() == "warning":
                found.setdefault(int(parts[1]) - first_line, []).append(parts[4].strip())
        for index, (name, _, expected) in enumerate(CASES):
            with self.subTest(name):
                messages = found.get(index, [])
                if expected is None:
                    self.assertEqual(messages, [])
                else:
                    self.assertEqual(len(messages), 1, messages)
                    self.assertIn(expected, messages[0])


if __name__ == "__main__":
    unittest.main()
