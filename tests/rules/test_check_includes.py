"""The include check on small trees: what it lets through and what it stops."""

import os
import tempfile
import unittest

import check_includes


class CheckIncludesTest(unittest.TestCase):
    def tree(self, files):
        root = tempfile.TemporaryDirectory()
        self.addCleanup(root.cleanup)
        for path, text in files.items():
            full = os.path.join(root.name, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w", encoding="utf-8") as out:
                out.write(text)
        return root.name

    def test_who_may_include_an_internal_header(self):
        # (includer, its include line, expected reason or None)
        cases = [
            ("db/Firebird.cpp", '#include "db/internal/Driver.h"', None),
            ("db/internal/Statement.h", '#include "db/internal/Driver.h"', None),
            ("tests/db/Driver_test.cpp", '#include "db/internal/Driver.h"', None),
            ("bench/db/DriverBench.cpp", '#include "db/internal/Driver.h"', None),
            ("fuzz/driver_fuzz.cpp", '#include "db/internal/Driver.h"', None),
            ("db/Connection.cpp", '#include "db/Connection.h"', None),
            ("json/Tools.cpp", '#include "db/Connection.h"', None),
            ("json/Tools.cpp", '#include "db/internal/Driver.h"', "includes an internal header of db/"),
            ("json/internal/Reader.h", '#  include "db/internal/Driver.h"', "includes an internal header of db/"),
            ("tests/json/Tools_test.cpp", '#include "db/internal/Driver.h"', "includes an internal header of db/"),
            ("bench/json/ToolsBench.cpp", '#include "db/internal/Driver.h"', "includes an internal header of db/"),
            ("database/tool.cpp", '#include "db/internal/Driver.h"', "includes an internal header of db/"),
            ("db/Connection.h", '#include "db/internal/Driver.h"',
             "a public header of db/ includes one of its internal headers"),
        ]
        for includer, line, reason in cases:
            with self.subTest(includer=includer, line=line):
                root = self.tree({includer: "// a file\n" + line + "\n"})
                expected = [] if reason is None else ["%s:2: %s (%s)" % (includer, reason, line.split('"')[1])]
                self.assertEqual(check_includes.violations(root), expected)

    def test_build_trees_and_other_languages_are_not_read(self):
        bad = '#include "db/internal/Driver.h"\n'
        root = self.tree({"build/gen.cpp": bad, "build-tsa/gen.cpp": bad, "clients/objc/x.h": bad,
                          "json/Ok.cpp": '#include "json/internal/Parser.h"\n'})
        self.assertEqual(check_includes.violations(root), [])

    def test_exit_code_says_whether_the_tree_is_clean(self):
        clean = self.tree({"db/A.cpp": '#include "db/internal/B.h"\n'})
        broken = self.tree({"rest/A.cpp": '#include "db/internal/B.h"\n'})
        self.assertEqual(check_includes.main(["check", clean]), 0)
        self.assertEqual(check_includes.main(["check", broken]), 1)


if __name__ == "__main__":
    unittest.main()
