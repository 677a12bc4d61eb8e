"""Start-up of the real executable: the branch file decides the branch whose
port is served; a database that cannot be opened ends the program."""

import os
import socket
import unittest

import harness


def setUpModule():
    global UNDER_TEST, DIRECTORY, DATABASE, PORTS
    # Each test starts and stops its own program on the module's database.
    UNDER_TEST = harness.ServiceUnderTest("fieldsync-startup-")
    DIRECTORY, DATABASE = UNDER_TEST.directory, UNDER_TEST.database
    PORTS = {1: UNDER_TEST.port, 2: harness.free_port()}
    harness.set_branch_port(DATABASE, PORTS[2], branch=2)


def tearDownModule():
    UNDER_TEST.close()


class StartUp(unittest.TestCase):
    def run_service(self, branch_file, port):
        service = harness.FieldsyncProcess(DATABASE, branch_file=branch_file)
        self.addCleanup(service.cleanup)
        service.start(wait_port=port)
        answer = harness.request(port, "GET", "/datasnap/rest/TServerMethods1/EchoString/up")
        self.assertEqual(answer.body, b'{"result":["up"]}')
        code, err = service.stop()
        self.assertEqual(code, 0, err)

    def test_branch_file_decides_the_port(self):
        self.run_service(None, PORTS[1])  # no fil.txt: branch 1's options
        self.run_service("  2 text\r\nfurther lines\r\n", PORTS[2])

    def test_a_bad_branch_file_is_reported_and_nothing_listens(self):
        service = harness.FieldsyncProcess(DATABASE, branch_file="abc\r\n")
        self.addCleanup(service.cleanup)
        service.start()
        self.assertEqual(service.read_error_line(), "fieldsync: Invalid numeric input.\n")
        with self.assertRaises(OSError):
            socket.create_connection(("127.0.0.1", PORTS[1]), timeout=1).close()
        code, err = service.stop()
        self.assertEqual(code, 0, err)

    def test_a_database_that_cannot_be_opened_ends_the_program(self):
        service = harness.FieldsyncProcess(os.path.join(DIRECTORY, "missing.fdb"))
        self.addCleanup(service.cleanup)
        service.start()
        code, err = service.wait()
        self.assertEqual(code, 1)
        self.assertTrue(err.startswith("Application Error: "), err)


if __name__ == "__main__":
    unittest.main()
