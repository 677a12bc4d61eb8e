"""The service's log on standard output (start, stop, one line per request),
the configuration directory named by FIELDSYNC_CONFIG_DIR and the state
directory named by FIELDSYNC_STATE_DIR."""

import datetime
import os
import shutil
import tempfile
import threading
import unittest
import zipfile

from deploy import ECHO, access_lines, files_below, harness, start_service, wait_for_access_lines


def setUpModule():
    global UNDER_TEST, DIRECTORY, DATABASE
    # Each test starts and stops its own programs on the module's database.
    UNDER_TEST = harness.ServiceUnderTest("fieldsync-logging-")
    DIRECTORY, DATABASE = UNDER_TEST.directory, UNDER_TEST.database


def tearDownModule():
    UNDER_TEST.close()


# A service without a users file listening on every address says so at its start.
OPEN_TO_ANYONE = "; no users file: anyone who reaches this port can read and write the branch's data"


def now_utc():
    return datetime.datetime.now(datetime.timezone.utc)


class AccessLog(unittest.TestCase):
    def start(self, env=None):
        port = harness.free_port()
        service = start_service(DATABASE, port, env)
        self.addCleanup(service.cleanup)
        return service, port

    def stop(self, service):
        code, err = service.stop()
        self.assertEqual(code, 0, err)

    def test_each_request_has_one_line_with_its_answer(self):
        service, port = self.start()
        cases = [
            # method, target as sent, target as logged, expected status
            ("GET", ECHO + "abc", ECHO + "abc", 200),
            ("GET", ECHO + "a%20b?x=1&y=%41", ECHO + "a%20b?x=1&y=%41", 200),
            ("GET", "/", "/", 200),
            ("POST", "/nothing/here?q", "/nothing/here?q", 302),
            ("GET", "/datasnap/rest/TServerMethods1/NoSuchMethod", "/datasnap/rest/TServerMethods1/NoSuchMethod", None),
            ("GET", "/a\x01b\x7f\xe9", "/a%01b%7F%E9", 302),
            ("GET", "/x?a\"b", "/x?a\"b", 302),
        ]
        before = now_utc() - datetime.timedelta(seconds=1)
        answers = [harness.request(port, method, sent) for method, sent, _, _ in cases]
        lines = wait_for_access_lines(service, len(cases))
        after = now_utc() + datetime.timedelta(seconds=1)
        self.assertEqual(len(lines), len(cases), service.log_lines())
        for (method, _, logged, status), answer, line in zip(cases, answers, lines):
            with self.subTest(target=logged):
                time, address, logged_method, target, logged_status, size, duration = line
                stamp = datetime.datetime.strptime(time, "%Y-%m-%dT%H:%M:%S.%fZ").replace(tzinfo=datetime.timezone.utc)
                self.assertTrue(before <= stamp <= after, time)
                self.assertEqual(address, "127.0.0.1")
                self.assertEqual(logged_method, method)
                self.assertEqual(target, logged)
                self.assertEqual(int(logged_status), answer.status)
                if status is not None:
                    self.assertEqual(answer.status, status)
                self.assertEqual(int(size), len(answer.body))
                # A REST call opens a database connection: it takes measurable time.
                if logged.startswith(ECHO):
                    self.assertGreater(float(duration), 0.0)
        self.stop(service)

    def test_start_and_stop_are_logged_around_the_requests(self):
        service, port = self.start()
        harness.request(port, "GET", ECHO + "x")
        wait_for_access_lines(service, 1)
        self.stop(service)
        lines = service.log_lines()
        messages = [line.split(" ", 1)[1] for line in lines]
        self.assertEqual(messages[0], "fieldsync starting; configuration in %s; generated files in %s"
                         % (service.directory, service.directory))
        self.assertEqual(messages[1], "listening on port %d for branch 1" % port + OPEN_TO_ANYONE)
        self.assertRegex(messages[2], r"^127\.0\.0\.1 GET " + ECHO + "x 200 ")
        self.assertEqual(messages[3:], ["fieldsync stopping", "fieldsync stopped"])

    def test_concurrent_requests_write_whole_lines(self):
        service, port = self.start()
        count = 60
        threads = [threading.Thread(target=harness.request, args=(port, "GET", ECHO + "c%d" % i)) for i in range(count)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        lines = wait_for_access_lines(service, count)
        self.assertEqual(sorted(line[3] for line in lines), sorted(ECHO + "c%d" % i for i in range(count)))
        self.stop(service)
        # Nothing but whole lines: the start, listening, stopping and stopped events.
        self.assertEqual(len(service.log_lines()), count + 4)

    def test_zero_turns_the_request_lines_off(self):
        service, port = self.start({"FIELDSYNC_ACCESS_LOG": "0"})
        self.assertEqual(harness.request(port, "GET", ECHO + "quiet").status, 200)
        self.stop(service)
        self.assertEqual(access_lines(service), [])
        messages = [line.split(" ", 1)[1] for line in service.log_lines()]
        self.assertEqual(messages[1:], ["listening on port %d for branch 1" % port + OPEN_TO_ANYONE, "fieldsync stopping",
                                        "fieldsync stopped"])


class ConfigurationDirectory(unittest.TestCase):
    def test_the_named_directory_holds_branch_file_and_definitions(self):
        port = harness.free_port()
        harness.set_branch_port(DATABASE, port, branch=2)
        config = tempfile.mkdtemp(prefix="fieldsync-config-")
        self.addCleanup(shutil.rmtree, config, True)
        service = harness.FieldsyncProcess(DATABASE, branch_file="1\r\n", env={"FIELDSYNC_CONFIG_DIR": config})
        self.addCleanup(service.cleanup)
        # Beside the executable stay a branch file for branch 1 and nothing else;
        # the named directory says branch 2 and holds the definitions files.
        for name in ("dbxconnections.ini", "dbxdrivers.ini"):
            shutil.move(os.path.join(service.directory, name), os.path.join(config, name))
        with open(os.path.join(config, "fil.txt"), "wb") as f:
            f.write(b"2\r\n")
        service.start(wait_port=port)
        self.assertEqual(harness.request(port, "GET", ECHO + "two").body, b'{"result":["two"]}')
        code, err = service.stop()
        self.assertEqual(code, 0, err)
        self.assertIn("fieldsync starting; configuration in " + config, service.log_lines()[0])


class StateDirectory(unittest.TestCase):
    def test_generated_files_are_written_and_served_there_only(self):
        port = harness.free_port()
        state = tempfile.mkdtemp(prefix="fieldsync-state-")
        self.addCleanup(shutil.rmtree, state, True)
        service = start_service(DATABASE, port, {"FIELDSYNC_STATE_DIR": state})
        self.addCleanup(service.cleanup)
        program = files_below(service.directory)

        script = harness.request(port, "GET", "/js/serverfunctions.js")
        self.assertEqual(script.status, 200)
        self.assertIn(b"function TServerMethods1(connectionInfo)", script.body)
        with open(os.path.join(state, "js", "serverfunctions.js"), "rb") as f:
            self.assertEqual(f.read(), b"\xef\xbb\xbf" + script.body)
        package = harness.request(port, "GET", "/proxy/csharp_silverlight.zip")
        self.assertEqual(package.status, 200)
        archive = os.path.join(state, "proxy", "csharp_silverlight.zip")
        with open(archive, "rb") as f:
            self.assertEqual(f.read(), package.body)
        names = zipfile.ZipFile(archive).namelist()
        self.assertIn("Fieldsync.Proxy/DSProxy.cs", names)
        self.assertIn("Fieldsync.Rest/DSRESTConnection.cs", names)
        # The shipped static files are still the program's.
        self.assertEqual(harness.request(port, "GET", "/js/ServerFunctionExecutor.js").status, 200)

        code, err = service.stop()
        self.assertEqual(code, 0, err)
        self.assertIn("; generated files in " + state, service.log_lines()[0])
        now = files_below(service.directory)
        now.pop("stdout.log", None)
        program.pop("stdout.log", None)
        self.assertEqual(now, program, "nothing written beside the program")


class RefusedStart(unittest.TestCase):
    def test_a_bad_setting_stops_the_start_with_its_message(self):
        config, state = os.path.join(DIRECTORY, "no", "such"), os.path.join(DIRECTORY, "no", "state")
        cases = [
            ({"FIELDSYNC_ACCESS_LOG": "yes"}, 'FIELDSYNC_ACCESS_LOG must be 0 or 1, not "yes"'),
            ({"FIELDSYNC_CONFIG_DIR": config}, 'The configuration directory "%s" does not exist.' % config),
            ({"FIELDSYNC_STATE_DIR": state}, 'The state directory "%s" does not exist.' % state),
        ]
        for env, message in cases:
            with self.subTest(env=env):
                service = harness.FieldsyncProcess(DATABASE, env=env)
                self.addCleanup(service.cleanup)
                code, err = service.start().wait()
                self.assertEqual(code, 1)
                self.assertEqual(err, "Application Error: " + message + "\n")


if __name__ == "__main__":
    unittest.main()
