"""Stopping the real executable: by SIGTERM or SIGINT, with sessions open or
closed, and while requests keep arriving. A clean stop ends with exit code 0
and writes nothing to standard error (a sanitizer build writes its reports
there and changes the exit code)."""

import signal
import socket
import threading
import time
import unittest

import harness

ECHO = "/datasnap/rest/TServerMethods1/EchoString/"


def setUpModule():
    global UNDER_TEST, DATABASE, PORT
    # Each test starts and stops its own program on the module's database.
    UNDER_TEST = harness.ServiceUnderTest("fieldsync-stop-")
    DATABASE, PORT = UNDER_TEST.database, UNDER_TEST.port


def tearDownModule():
    UNDER_TEST.close()


def open_session():
    """A new session, left open; returns its id."""
    answer = harness.request(PORT, "GET", ECHO + "open")
    assert answer.status == 200, answer.raw
    return answer.session()


def closed_session():
    """A session created and then closed by its client."""
    session = open_session()
    answer = harness.request(PORT, "GET", "/datasnap/rest/CloseSession/",
                             headers={"Pragma": "dssession=" + session})
    assert answer.status == 200, answer.raw
    refused = harness.request(PORT, "GET", ECHO + "x", headers={"Pragma": "dssession=" + session})
    assert refused.status == 403, refused.raw


def try_request(path, headers=None):
    """The raw answer, or None when the connection was refused, reset or cut."""
    lines = ["GET %s HTTP/1.1" % path, "Host: 127.0.0.1:%d" % PORT]
    lines += ["%s: %s" % item for item in (headers or {}).items()]
    try:
        with socket.create_connection(("127.0.0.1", PORT), timeout=60) as s:
            s.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
            return harness.read_all(s) or None
    except OSError:
        return None


class Stop(unittest.TestCase):
    def start(self):
        service = harness.FieldsyncProcess(DATABASE)
        self.addCleanup(service.cleanup)
        return service.start(wait_port=PORT)

    def stop_cleanly(self, service, signal_number):
        service.process.send_signal(signal_number)
        code, err = service.wait()
        self.assertEqual(err, "")
        self.assertEqual(code, 0)

    def test_every_way_of_stopping_ends_cleanly(self):
        before_stop = [
            ("no request", lambda: None),
            ("a session left open", open_session),
            ("a session closed by its client", closed_session),
        ]
        for signal_number in (signal.SIGTERM, signal.SIGINT):
            for name, prepare in before_stop:
                with self.subTest(signal=signal_number.name, before=name):
                    service = self.start()
                    prepare()
                    self.stop_cleanly(service, signal_number)

    def test_requests_arriving_while_the_service_stops(self):
        service = self.start()
        session = open_session()
        answered = []
        faults = []
        stop = threading.Event()

        def client(number):
            # Half the clients carry the open session, half create new ones.
            headers = {"Pragma": "dssession=" + session} if number % 2 else None
            i = 0
            while not stop.is_set():
                text = "c%dr%d" % (number, i)
                i += 1
                raw = try_request(ECHO + text, headers)
                if raw is None:
                    continue  # refused or cut by the stop: no answer is a fair answer
                expected = b'{"result":["' + text.encode() + b'"]}'
                head, _, body = raw.partition(b"\r\n\r\n")
                if not head.startswith(b"HTTP/1.1 200 ") or body != expected:
                    faults.append(raw[:300])
                answered.append(text)

        clients = [threading.Thread(target=client, args=(n,)) for n in range(8)]
        for thread in clients:
            thread.start()
        try:
            deadline = time.time() + 60
            while len(answered) < 40 and time.time() < deadline:
                time.sleep(0.01)
            self.assertGreaterEqual(len(answered), 40, "the service answered too few requests before the stop")
            self.stop_cleanly(service, signal.SIGTERM)
        finally:
            stop.set()
            for thread in clients:
                thread.join()
        self.assertEqual(faults, [])


if __name__ == "__main__":
    unittest.main()
