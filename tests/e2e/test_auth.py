"""Logins, rights and the allow-list, end to end: the real executable with a
users file made by its own `user` command, real sockets, the demo database on
a Firebird server on loopback. Callers that fail logins on purpose each come
from an address of their own (127.0.0.x), since failures are counted per
address."""

import base64
import json
import os
import re
import shutil
import socket
import stat
import subprocess
import tempfile
import unittest

import harness
from test_methods import METHODS

REST = "/datasnap/rest/TServerMethods1/"
PASSWORDS = {"ops": "ops secret", "rep5": "five:5", "lim": "lim-pass"}
LOGIN_REQUIRED = {"error": "Login required: send the name and password of a user of this service (HTTP Basic)"}
LOGIN_FAILED = {"error": "Unknown user or wrong password"}
SESSION_EXPIRED = {"SessionExpired": "The specified session has expired due to inactivity or was an invalid Session ID"}
OTHER_REP = "User rep5 may call only with IDRepresentante 5; %s was called for another representative"
FIELDSYNC = os.path.join(harness.DIST, "fieldsync")


def basic(user, password):
    return {"Authorization": "Basic " + base64.b64encode(("%s:%s" % (user, password)).encode()).decode()}


def login(user):
    return basic(user, PASSWORDS[user])


def call(port, method, path, source="127.0.0.1", headers=None, body=b"", host="127.0.0.1"):
    """One request from the given source address; the harness's Answer."""
    lines = ["%s %s HTTP/1.1" % (method, path), "Host: %s:%d" % (host, port)]
    for name, value in (headers or {}).items():
        lines.append("%s: %s" % (name, value))
    if body:
        lines.append("Content-Length: %d" % len(body))
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    with socket.socket(family, socket.SOCK_STREAM) as s:
        s.settimeout(120)
        s.bind((source, 0))
        s.connect((host, port))
        s.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + body)
        return harness.Answer(harness.read_all(s))


def user_command(users_file, *words, password=None):
    """Runs `fieldsync user ...` on the file; (exit code, stdout, stderr)."""
    env = dict(os.environ, FIELDSYNC_USERS_FILE=users_file)
    result = subprocess.run([FIELDSYNC, "user", *words], input=None if password is None else password + "\n",
                            capture_output=True, text=True, env=env)
    return result.returncode, result.stdout, result.stderr


def read_text(path):
    with open(path) as f:
        return f.read()


def write_text(path, text):
    with open(path, "w") as f:
        f.write(text)


def methods_with_representative(port):
    """Each published method that takes an IDRepresentante, with the position
    of that argument, as the browser client generated from the method table
    declares them."""
    source = call(port, "GET", "/js/serverfunctions.js").body.decode("latin-1")
    found = {}
    for name, parameters in re.findall(r"this\.(\w+) = function\(([^)]*)\)", source):
        names = [p.strip() for p in parameters.split(",") if p.strip()]
        if not name.endswith("_URL") and "IDRepresentante" in names:
            found[name] = names.index("IDRepresentante")
    return found


class WithUsers(unittest.TestCase):
    """A service with three users: ops (everything), rep5 (representative 5)
    and lim (two methods only)."""

    @classmethod
    def setUpClass(cls):
        cls.directory = tempfile.mkdtemp(prefix="fieldsync-users-")
        cls.addClassCleanup(shutil.rmtree, cls.directory, True)
        cls.users = os.path.join(cls.directory, "users")
        for words in (["add", "ops"], ["add", "rep5", "--rep", "5"], ["add", "lim", "--methods", "EchoString,getatividade"]):
            code, _, err = user_command(cls.users, *words, password=PASSWORDS[words[1]])
            assert code == 0, err
        under_test = harness.start_service("fieldsync-auth-", through_server=True,
                                           env={"FIELDSYNC_USERS_FILE": cls.users})
        cls.addClassCleanup(under_test.close)
        cls.under_test, cls.port = under_test, under_test.port

    def rest(self, path, user=None, source="127.0.0.1", headers=None):
        all_headers = dict(login(user) if user else {})
        all_headers.update(headers or {})
        return call(self.port, "GET", REST + path, source=source, headers=all_headers)

    def sql(self, text):
        return harness.run_sql(self.under_test.database, text)


class Logins(WithUsers):
    def test_each_kind_of_request_gets_its_answer(self):
        wrong = basic("ops", "not it")
        unknown = basic("nobody", "ops secret")
        json_body = b'[{"execute":{"TServerMethods1.EchoString":["j"]}}]'
        cases = [
            # name, source, method, path, headers, body, status, JSON body (None: not checked)
            ("no credentials", "127.0.0.11", "GET", REST + "EchoString/a", {}, b"", 401, LOGIN_REQUIRED),
            ("wrong password", "127.0.0.11", "GET", REST + "EchoString/a", wrong, b"", 401, LOGIN_FAILED),
            ("unknown user", "127.0.0.11", "GET", REST + "EchoString/a", unknown, b"", 401, LOGIN_FAILED),
            ("right user", "127.0.0.11", "GET", REST + "EchoString/a", login("ops"), b"", 200, {"result": ["a"]}),
            ("user bound to a representative, other method", "127.0.0.11", "GET", REST + "EchoString/b",
             login("rep5"), b"", 200, {"result": ["b"]}),
            ("method in the user's list (any case)", "127.0.0.11", "GET", REST + "GETATIVIDADE", login("lim"), b"",
             200, None),
            ("method outside the user's list", "127.0.0.11", "GET", REST + "GetCidade", login("lim"), b"", 403,
             {"error": "User lim may not call GetCidade"}),
            ("GetSenhaPalm outside the list", "127.0.0.11", "GET", REST + "GetSenhaPalm", login("lim"), b"", 403,
             {"error": "User lim may not call GetSenhaPalm"}),
            ("json context without credentials", "127.0.0.11", "POST", "/datasnap/json", {}, json_body, 401,
             LOGIN_REQUIRED),
            ("json context with a user", "127.0.0.11", "POST", "/datasnap/json", login("ops"), json_body, 200,
             [{"result": ["j"]}]),
            ("cache context without credentials", "127.0.0.11", "GET", "/datasnap/cache", {}, b"", 401,
             LOGIN_REQUIRED),
            ("cache context with a user", "127.0.0.11", "GET", "/datasnap/cache", login("ops"), b"", 200,
             {"result": {}}),
            ("landing page needs no login", "127.0.0.11", "GET", "/", {}, b"", 200, None),
        ]
        for name, source, method, path, headers, body, status, expected in cases:
            with self.subTest(name):
                answer = call(self.port, method, path, source=source, headers=headers, body=body)
                self.assertEqual(answer.status, status, answer.raw[:300])
                if expected is not None:
                    self.assertEqual(json.loads(answer.body), expected)
                if status == 401:
                    self.assertEqual(answer.header("WWW-Authenticate"), 'Basic realm="fieldsync"')
                    self.assertIsNone(answer.header("Pragma"), "no session is made without a login")

    def test_pages_say_that_a_login_is_required(self):
        page = call(self.port, "GET", "/ServerFunctionInvoker")
        self.assertIn(b"login required: true", page.body)

    def test_a_session_serves_only_the_user_who_made_it(self):
        session = self.rest("EchoString/mine", "ops").session()
        self.assertIsNotNone(session)
        pragma = {"Pragma": "dssession=" + session}
        cases = [
            ("its own user", "ops", REST + "EchoString/x", 200),
            ("another user", "rep5", REST + "EchoString/x", 403),
            ("another user in the cache context", "rep5", "/datasnap/cache", 403),
            ("another user closing it", "rep5", REST + "CloseSession/", 403),
            ("its own user after those", "ops", REST + "EchoString/y", 200),
        ]
        for name, user, path, status in cases:
            with self.subTest(name):
                answer = call(self.port, "GET", path, headers=dict(login(user), **pragma))
                self.assertEqual(answer.status, status, answer.raw[:300])
                if status == 403:
                    self.assertEqual(json.loads(answer.body), SESSION_EXPIRED, "as an unknown session")
        answer = call(self.port, "GET", REST + "EchoString/x", source="127.0.0.12", headers=pragma)
        self.assertEqual(answer.status, 401, "the session id is no login")

    def test_a_representative_calls_only_with_its_own_id(self):
        methods = methods_with_representative(self.port)
        arguments = {name: args for name, _, args in METHODS}
        self.assertTrue(set(methods) <= set(arguments), set(methods) - set(arguments))
        self.assertGreaterEqual(len(methods), 25, methods)
        for name, position in sorted(methods.items()):
            args = arguments[name].split("/") if arguments[name] else []
            args += ["1"] * (position + 1 - len(args))
            for rep, refused in (("7", True), ("5", False)):
                args[position] = rep
                with self.subTest(method=name, rep=rep):
                    answer = self.rest(name + "/" + "/".join(args), "rep5")
                    if refused:
                        self.assertEqual(answer.status, 403, answer.raw[:300])
                        self.assertEqual(json.loads(answer.body), {"error": OTHER_REP % name})
                    else:
                        self.assertNotEqual(answer.status, 403, answer.raw[:300])
                        self.assertNotIn(b"may call only", answer.body)
            with self.subTest(method=name, user="ops"):
                self.assertNotEqual(self.rest(name + "/" + "/".join(args[:position] + ["7"] + args[position + 1:]),
                                              "ops").status, 403, "a user bound to no representative calls for any")

    def test_a_refused_command_stops_the_whole_request(self):
        before = self.sql("select IDREPRESENTANTE, IDPEDIDOPALM from REPRESENTANTE where IDREPRESENTANTE in (5, 7);")
        body = json.dumps([{"execute": {"TServerMethods1.SetRepresentante": [5, 4343]}},
                           {"execute": {"TServerMethods1.SetRepresentante": [7, 4343]}}]).encode()
        answer = call(self.port, "POST", "/datasnap/json", headers=login("rep5"), body=body)
        self.assertEqual(answer.status, 403, answer.raw[:300])
        self.assertEqual(json.loads(answer.body), {"error": OTHER_REP % "SetRepresentante"})
        self.assertEqual(self.rest("SetRepresentante/7/4344", "rep5").status, 403)
        after = self.sql("select IDREPRESENTANTE, IDPEDIDOPALM from REPRESENTANTE where IDREPRESENTANTE in (5, 7);")
        self.assertEqual(after, before, "neither the allowed nor the refused write ran")
        self.assertNotIn("4343", after)
        self.assertEqual(json.loads(self.rest("SetRepresentante/5/4345", "rep5").body), {"result": [True]})
        self.assertIn("4345", self.sql("select IDPEDIDOPALM from REPRESENTANTE where IDREPRESENTANTE = 5;"))

    def test_failures_from_one_address_are_slowed_and_others_go_on(self):
        storm = "127.0.0.21"
        for attempt in range(5):
            answer = self.rest("EchoString/x", source=storm, headers=basic("ops", "guess %d" % attempt))
            self.assertEqual(answer.status, 401, attempt)
        for headers in (basic("ops", "guess again"), login("ops")):
            answer = self.rest("EchoString/x", source=storm, headers=headers)
            self.assertEqual(answer.status, 429, "blocked, whatever it sends")
            self.assertTrue(1 <= int(answer.header("Retry-After")) <= 60, answer.header("Retry-After"))
            self.assertRegex(json.loads(answer.body)["error"],
                             r"^Too many failed logins from this address; try again in \d+ seconds$")
        # Meanwhile the right password from other addresses (IPv4 and IPv6) gets in.
        self.assertEqual(self.rest("EchoString/x", "ops", source="127.0.0.22").status, 200)
        ipv6 = call(self.port, "GET", REST + "EchoString/x", source="::1", host="::1", headers=login("ops"))
        self.assertEqual(ipv6.status, 200)
        metrics = call(self.port, "GET", "/metrics").body.decode()
        throttled = re.search(r'^fieldsync_login_refusals_total\{reason="throttled"\} (\d+)$', metrics, re.M)
        self.assertIsNotNone(throttled, metrics)
        self.assertGreaterEqual(int(throttled.group(1)), 2)
        self.assertRegex(metrics, r'(?m)^fieldsync_login_refusals_total\{reason="wrong_credentials"\} \d+$')

    def test_the_operator_sees_who_called(self):
        self.rest("EchoString/who", "lim", source="127.0.0.31")
        record = json.loads(call(self.port, "GET", "/SyncActivityJSON").body)
        # EchoString names no representative: the row of its address.
        row = [r for r in record["withoutRepresentative"] if r["addresses"] == ["127.0.0.31"]][0]
        self.assertEqual((row["users"], row["lastCall"]["user"]), (["lim"], "lim"))
        page = call(self.port, "GET", "/SyncActivity").body.decode("latin-1")
        self.assertIn("<td><div>127.0.0.31</div></td><td><div>lim</div></td>", page)
        self.assertNotIn("anyone who reaches", page)
        log = [line for line in self.under_test.service.log_lines() if " 127.0.0.31 GET " in line]
        self.assertTrue(log and log[-1].endswith(" lim"), log)
        self.assertNotIn("anyone who reaches", "\n".join(self.under_test.service.log_lines()))
        for password in PASSWORDS.values():
            self.assertNotIn(password, "\n".join(self.under_test.service.log_lines()))


class UsersFileWhileRunning(WithUsers):
    def test_changes_count_from_the_next_request(self):
        source = "127.0.0.41"
        self.assertEqual(self.rest("EchoString/x", source=source, headers=basic("ana", "first")).status, 401)
        self.assertEqual(user_command(self.users, "add", "ana", "--rep", "9", password="first")[0], 0)
        self.assertEqual(self.rest("EchoString/x", source=source, headers=basic("ana", "first")).status, 200)
        self.assertEqual(self.rest("GetCliente/5", source=source, headers=basic("ana", "first")).status, 403)
        self.assertEqual(user_command(self.users, "passwd", "ana", password="second")[0], 0)
        self.assertEqual(self.rest("EchoString/x", source=source, headers=basic("ana", "second")).status, 200)
        self.assertEqual(self.rest("EchoString/x", source=source, headers=basic("ana", "first")).status, 401,
                         "the old password is not remembered past the change")
        self.assertEqual(user_command(self.users, "remove", "ana")[0], 0)
        self.assertEqual(self.rest("EchoString/x", source="127.0.0.42", headers=basic("ana", "second")).status, 401)

    def test_a_broken_edit_keeps_the_users_in_force(self):
        saved = read_text(self.users)
        self.addCleanup(write_text, self.users, saved)
        write_text(self.users, "ops:not a hash::\n")
        self.assertEqual(self.rest("EchoString/x", "ops").status, 200)
        message = self.under_test.service.read_error_line()
        self.assertIn("changed but cannot be used", message)
        self.assertIn("line 1", message)
        self.assertEqual(self.rest("EchoString/x", source="127.0.0.43", headers=basic("ops", "")).status, 401)


class UserCommand(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="fieldsync-usercmd-")
        self.addCleanup(shutil.rmtree, self.directory, True)
        self.users = os.path.join(self.directory, "users")

    def test_the_file_holds_hashes_only_and_keeps_its_permissions(self):
        self.assertEqual(user_command(self.users, "add", "ana", "--rep", "5", "--methods", "getcliente,SetPedido",
                                      password="plain secret")[0], 0)
        text = read_text(self.users)
        self.assertNotIn("plain secret", text)
        self.assertRegex(text, r"(?m)^ana:\$argon2id\$[^:]+:5:GetCliente,SetPedido$")
        self.assertEqual(stat.S_IMODE(os.stat(self.users).st_mode), 0o640, "a new file")
        os.chmod(self.users, 0o600)
        inode = os.stat(self.users).st_ino
        self.assertEqual(user_command(self.users, "passwd", "ana", password="another")[0], 0)
        self.assertEqual(stat.S_IMODE(os.stat(self.users).st_mode), 0o600, "the file's own mode is kept")
        self.assertNotEqual(os.stat(self.users).st_ino, inode, "written as a new file renamed over the old")
        self.assertEqual(os.listdir(self.directory), ["users"], "no temporary file is left")
        self.assertNotIn("another", read_text(self.users))
        code, out, _ = user_command(self.users, "list")
        self.assertEqual((code, out), (0, "ana  representative 5  methods GetCliente,SetPedido\n"))

    def test_refusals_leave_the_file_as_it_was(self):
        self.assertEqual(user_command(self.users, "add", "ana", password="x")[0], 0)
        before = read_text(self.users)
        cases = [
            (("add", "ana"), "y", 1, "the user ana exists already"),
            (("add", "bob", "--methods", "NoSuchMethod"), "y", 1, "NoSuchMethod is not a method of the service"),
            (("add", "bob", "--rep", "x"), "y", 1, "the representative must be empty or a whole number"),
            (("add", "b:b"), "y", 1, "the user name must not"),
            (("add", "bob"), "", 1, "the password must not be empty"),
            (("passwd", "nobody"), "y", 1, "there is no user nobody"),
            (("remove", "nobody"), None, 1, "there is no user nobody"),
            (("rename", "ana"), None, 2, "usage: fieldsync user add NAME"),
        ]
        for words, password, code, message in cases:
            with self.subTest(words=words):
                result = user_command(self.users, *words, password=password)
                self.assertEqual(result[0], code, result)
                self.assertIn(message, result[2])
                self.assertEqual(read_text(self.users), before)

    def test_a_named_file_that_is_missing_stops_the_start(self):
        missing = os.path.join(self.directory, "none")
        service = harness.FieldsyncProcess("nowhere.fdb", env={"FIELDSYNC_USERS_FILE": missing})
        self.addCleanup(service.cleanup)
        code, err = service.start().wait()
        self.assertEqual(code, 1)
        self.assertIn('Cannot read the users file "%s"' % missing, err)


class AllowList(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        env = {"FIELDSYNC_ALLOW_FROM": "127.0.0.2, 127.0.1.0/24 ::/127"}
        under_test = harness.start_service("fieldsync-allow-", through_server=True, env=env)
        cls.addClassCleanup(under_test.close)
        cls.under_test, cls.port = under_test, under_test.port

    def test_only_listed_peers_are_served(self):
        cases = [
            ("127.0.0.2", "127.0.0.1", 200),   # one IPv4 address
            ("127.0.1.200", "127.0.0.1", 200),  # in the IPv4 range
            ("127.0.1.0", "127.0.0.1", 200),
            ("127.0.2.1", "127.0.0.1", 403),  # just past it
            ("127.0.0.1", "127.0.0.1", 403),
            ("::1", "::1", 200),               # in the IPv6 range
        ]
        for source, host, status in cases:
            with self.subTest(source=source):
                answer = call(self.port, "GET", REST + "EchoString/x", source=source, host=host)
                self.assertEqual(answer.status, status, answer.raw[:200])
                if status == 403:
                    self.assertEqual(answer.body, b"This address may not use the service.")

    def test_no_users_file_is_said_plainly(self):
        line = [l for l in self.under_test.service.log_lines() if "listening on port" in l][0]
        self.assertTrue(line.endswith("; no users file: anyone who reaches this port can read and write the "
                                      "branch's data"), line)
        page = call(self.port, "GET", "/SyncActivity", source="::1", host="::1")
        self.assertEqual(page.status, 200)
        self.assertIn(b"No users file: anyone who reaches this service's port can read and write", page.body)

    def test_a_malformed_list_keeps_the_listener_stopped(self):
        service = harness.FieldsyncProcess(self.under_test.connection, env={"FIELDSYNC_ALLOW_FROM": "10.0.0.0/33"})
        self.addCleanup(service.cleanup)
        service.start()
        self.assertEqual(service.read_error_line(),
                         'fieldsync: FIELDSYNC_ALLOW_FROM must list IPv4 or IPv6 addresses or ranges '
                         '(address/length), not "10.0.0.0/33"\n')


if __name__ == "__main__":
    unittest.main()
