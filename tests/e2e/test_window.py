"""Start-up with the window: the executable shows it when a display (or a GUI
platform) is there, refuses to start without one unless --headless is given,
and serves handhelds with the window as it does headless."""

import os
import unittest

import harness

OFFSCREEN = ("-platform", "offscreen")


def setUpModule():
    global UNDER_TEST, DIRECTORY, DATABASE, PORT
    # Each test starts and stops its own program on the module's database.
    UNDER_TEST = harness.ServiceUnderTest("fieldsync-window-")
    DIRECTORY, DATABASE, PORT = UNDER_TEST.directory, UNDER_TEST.database, UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


def without_display():
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
        env.pop(name, None)
    return env


class WindowStartUp(unittest.TestCase):
    def service(self, database=None):
        service = harness.FieldsyncProcess(database or DATABASE)
        service.env = without_display()
        self.addCleanup(service.cleanup)
        return service

    def test_the_window_serves_handhelds_and_a_termination_signal_ends_it(self):
        service = self.service().start(wait_port=PORT, args=OFFSCREEN)
        answer = harness.request(PORT, "GET", "/datasnap/rest/TServerMethods1/EchoString/up")
        self.assertEqual(answer.body, b'{"result":["up"]}')
        code, err = service.stop()
        self.assertEqual(code, 0, err)
        with self.assertRaises(OSError):
            harness.request(PORT, "GET", "/")

    def test_the_gui_platform_may_come_from_the_environment(self):
        service = self.service()
        service.env["QT_QPA_PLATFORM"] = "offscreen"
        service.start(wait_port=PORT, args=())
        code, err = service.stop()
        self.assertEqual(code, 0, err)

    def test_without_a_display_it_asks_for_headless(self):
        service = self.service().start(args=())
        code, err = service.wait()
        self.assertEqual(code, 2)
        self.assertEqual(err, "fieldsync: no display to show the window on; run it with --headless\n")

    def test_unknown_arguments_are_refused(self):
        cases = [("--headless", "--verbose"), ("--verbose",) + OFFSCREEN, ("-platform", "offscreen", "extra")]
        for args in cases:
            with self.subTest(args=args):
                service = self.service().start(args=args)
                code, err = service.wait()
                self.assertEqual(code, 2, err)
                self.assertIn("usage: fieldsync [--headless]", err)

    def test_a_database_that_cannot_be_opened_shows_the_application_error(self):
        service = self.service(os.path.join(DIRECTORY, "missing.fdb")).start(args=OFFSCREEN)
        lines = [service.read_error_line() for _ in range(3)]  # the GUI library may warn first
        self.assertTrue(any(line.startswith("Application Error: ") for line in lines), lines)
        # The box waits for the operator; ending the program answers it.
        code, err = service.stop()
        self.assertEqual(code, 1, err)


if __name__ == "__main__":
    unittest.main()
