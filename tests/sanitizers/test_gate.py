"""The report gate of the sanitizer builds (scripts/sanitizers/run-test.sh):
a test fails when any process it started wrote a sanitizer report, even one
whose exit code nobody looks at and whose standard error goes nowhere, or,
for undefined behaviour, whose standard error the end-to-end harness read;
a clean run keeps the command's own exit code."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

GATE = os.environ["FIELDSYNC_TEST_GATE"]
PROBE = os.environ["FIELDSYNC_SANITIZER_PROBE"]
SANITIZER = os.environ["FIELDSYNC_SANITIZE"]
E2E = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e")

# Faults whose reports the sanitizer writes to the gate's files: fault of the
# probe -> what its report says, per sanitizer build.
FILED = {
    "address": {
        "heap-overflow": "AddressSanitizer: heap-buffer-overflow",
        "use-after-free": "AddressSanitizer: heap-use-after-free",
        "leak": "LeakSanitizer: detected memory leaks",
    },
    "thread": {
        "data-race": "ThreadSanitizer: data race",
    },
}[SANITIZER]
UNDEFINED = "runtime error: signed integer overflow"


def clean_env():
    return {name: value for name, value in os.environ.items() if not name.endswith("SAN_OPTIONS")}


def gated(*command):
    """Runs a command through the gate, as CTest runs a test."""
    return subprocess.run([GATE, *command], env=clean_env(), capture_output=True, text=True, timeout=120)


def shell(command):
    return ("sh", "-c", command)


class ReportGate(unittest.TestCase):
    def test_a_report_in_a_child_fails_the_test_whatever_the_child_answered(self):
        for fault, report in FILED.items():
            with self.subTest(fault=fault):
                # The probe's exit code and standard error are thrown away.
                result = gated(*shell('"%s" %s >/dev/null 2>&1; exit 0' % (PROBE, fault)))
                self.assertNotEqual(result.returncode, 0, result.stderr)
                self.assertIn(report, result.stderr)
                self.assertIn("sanitizer report(s) written", result.stderr)

    def test_a_clean_run_keeps_the_commands_exit_code_and_says_nothing(self):
        for code in (0, 3):
            with self.subTest(code=code):
                result = gated(*shell('"%s" clean; exit %d' % (PROBE, code)))
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertEqual(result.stderr, "")

    def test_a_failing_command_with_a_report_keeps_its_own_code(self):
        fault, report = next(iter(FILED.items()))
        result = gated(*shell('"%s" %s 2>/dev/null; exit 5' % (PROBE, fault)))
        self.assertEqual(result.returncode, 5)
        self.assertIn(report, result.stderr)


@unittest.skipUnless(SANITIZER == "address", "undefined behaviour is checked by the address build")
class UndefinedBehaviour(unittest.TestCase):
    def test_a_report_ends_the_process_even_when_the_options_say_go_on(self):
        env = dict(clean_env(), UBSAN_OPTIONS="halt_on_error=0")
        result = subprocess.run([PROBE, "signed-overflow"], env=env, capture_output=True, text=True, timeout=60)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(UNDEFINED, result.stderr)

    def test_a_report_on_the_services_standard_error_fails_the_test(self):
        # The probe stands in for the service in a program directory of the
        # end-to-end harness; the "test" reads its standard error and passes.
        dist = tempfile.mkdtemp(prefix="fieldsync-gate-")
        self.addCleanup(shutil.rmtree, dist, ignore_errors=True)
        shutil.copy(PROBE, os.path.join(dist, "fieldsync"))
        script = (
            "import sys; sys.path.insert(0, %r)\n"
            "import harness\n"
            "harness.DIST = %r\n"
            "service = harness.FieldsyncProcess('unused.fdb').start(args=('signed-overflow',))\n"
            "code, err = service.wait()\n"
            "service.cleanup()\n" % (E2E, dist))
        result = gated(sys.executable, "-c", script)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn(UNDEFINED, result.stderr)


if __name__ == "__main__":
    unittest.main()
