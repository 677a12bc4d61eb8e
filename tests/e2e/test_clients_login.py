"""The client packages with a login: each package's check program (built as
test_clients builds it) calls a service that has a users file, with a user
name and password on its connection, through a relay that records every
request's bytes. The same program without a login calls a service without
one through the same relay. With a login every call carries exactly one
"Authorization: Basic ..." line, and otherwise the very bytes it sends
without one; a call without a login is refused (401) with the service's
message. The users file is made with the program's own `user` command."""

import io
import json
import os
import re
import shutil
import socket
import tempfile
import threading
import unittest
import zipfile

import harness
import test_clients as clients

USER = "ana"
# Not ASCII, and a colon: the pair is split at its first colon.
PASSWORD = "senha: ação 1"


class RecordingRelay:
    """A TCP relay on a loopback port to the service on `upstream` (a port),
    recording the bytes each connection sends; the service answers one
    request per connection, so these are the requests in order."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.upstream = None
        self.requests = []
        self.threads = []
        self.lock = threading.Lock()
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return  # closed
            record = bytearray()
            thread = threading.Thread(target=self.relay, args=(client, record, self.upstream), daemon=True)
            with self.lock:
                self.requests.append(record)
                self.threads.append(thread)
            thread.start()

    @staticmethod
    def pump(source, target, record=None):
        try:
            while True:
                chunk = source.recv(65536)
                if not chunk:
                    break
                if record is not None:
                    record += chunk
                target.sendall(chunk)
            target.shutdown(socket.SHUT_WR)
        except OSError:
            pass  # the other side went away; what arrived is recorded

    def relay(self, client, record, upstream_port):
        with client, socket.create_connection(("127.0.0.1", upstream_port)) as upstream:
            sending = threading.Thread(target=self.pump, args=(client, upstream, record))
            sending.start()
            self.pump(upstream, client)
            sending.join(30)

    def take(self):
        """The requests recorded since the last call, once their connections ended."""
        with self.lock:
            threads, requests = self.threads, self.requests
            self.threads, self.requests = [], []
        for thread in threads:
            thread.join(30)
        return [bytes(r) for r in requests]

    def close(self):
        self.listener.close()


def authorizations(request):
    """The values of the request's Authorization lines."""
    head = request.split(b"\r\n\r\n", 1)[0].decode("latin-1")
    return [line.split(":", 1)[1].strip() for line in head.split("\r\n")[1:]
            if line.lower().startswith("authorization:")]


def without_login(request):
    """The request without its Authorization lines, and with any session id
    replaced (each service hands out its own)."""
    head, separator, body = request.partition(b"\r\n\r\n")
    lines = [line for line in head.split(b"\r\n") if not line.lower().startswith(b"authorization:")]
    return re.sub(rb"dssession=[0-9.]+", b"dssession=*", b"\r\n".join(lines) + separator + body)


def setUpModule():
    global PLAIN, LOGIN, RELAY
    PLAIN = harness.start_service("fieldsync-clients-plain-", prepare=clients.remove_earlier_zips)
    try:
        LOGIN = harness.ServiceUnderTest("fieldsync-clients-login-")
        users_file = os.path.join(LOGIN.directory, "users")
        harness.add_user(users_file, USER, PASSWORD)
        LOGIN.start(env={"FIELDSYNC_USERS_FILE": users_file})
    except BaseException:
        PLAIN.close()
        raise
    RELAY = RecordingRelay()


def tearDownModule():
    RELAY.close()
    try:
        PLAIN.close()
    finally:
        LOGIN.close()


class ClientPackagesWithLogin(unittest.TestCase):
    def test_each_package_sends_its_login_on_every_call_and_nothing_else(self):
        login = harness.basic_authorization(USER, PASSWORD)
        refused = harness.request(LOGIN.port, "GET", "/datasnap/rest/TServerMethods1/EchoString/x")
        self.assertEqual(refused.status, 401, refused.raw[:300])
        denied = "denied=401:" + json.loads(refused.body)["error"]
        orders = {}
        for index, (key, _, build) in enumerate(clients.CLIENTS):
            with self.subTest(key=key):
                answer = harness.request(PLAIN.port, "GET", "/proxy/%s.zip" % key)
                self.assertEqual(answer.status, 200, answer.body[:300])
                directory = tempfile.mkdtemp(prefix="client-" + key + "-", dir=PLAIN.directory)
                zipfile.ZipFile(io.BytesIO(answer.body)).extractall(directory)
                command = build(directory)
                order = 8000 + 10 * index

                RELAY.upstream = PLAIN.port
                printed = clients.run_check(command, directory, RELAY.port, order)
                self.assertEqual(printed, clients.expected_lines(order, port=PLAIN.port))
                sent_without = RELAY.take()

                RELAY.upstream = LOGIN.port
                printed = clients.run_check(command, directory, RELAY.port, order, USER, PASSWORD)
                expected_with_login = clients.expected_lines(order, port=LOGIN.port,
                                                             headers={"Authorization": login})
                self.assertEqual(printed, expected_with_login + [denied])
                sent_with = RELAY.take()

                # The calls of the connection with a login, then the one without.
                self.assertEqual(len(sent_with), len(sent_without) + 1)
                self.assertGreater(len(sent_without), 4)
                for plain, with_login in zip(sent_without, sent_with):
                    self.assertEqual(authorizations(plain), [])
                    self.assertEqual(authorizations(with_login), [login])
                    self.assertEqual(without_login(with_login), without_login(plain))
                self.assertEqual(authorizations(sent_with[-1]), [])
                orders[key] = order
                shutil.rmtree(directory, ignore_errors=True)
        LOGIN.stop()  # fails the test when the service did not end cleanly
        for key, order in orders.items():
            with self.subTest(key=key):
                self.assertEqual(clients.stored_orders(order, LOGIN.database), 1, "the order was stored")


if __name__ == "__main__":
    unittest.main(verbosity=2)
