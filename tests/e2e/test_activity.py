"""The sync-activity page, its JSON and the metrics, end to end: the real
executable, real sockets, the demo database on a Firebird server on loopback.
Handhelds are callers from 127.0.0.2 and 127.0.0.3; the operator asks from
127.0.0.1."""

import datetime
import html.parser
import json
import re
import socket
import subprocess
import threading
import unittest

import harness

REST = "/datasnap/rest/TServerMethods1/"
PAGES = ["/SyncActivity", "/SyncActivityJSON", "/metrics"]
ORDER_ARGUMENTS = "1/{palm}/1/1/1/1/1/1/1/1/1/1/{date}/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/2.5"
BAD_DATE_ERRO = "''32/13/2026'' is not a valid date"


def call(port, path, source="127.0.0.1", session=None, headers=None, host="127.0.0.1"):
    """One GET from the given source address; returns the harness's Answer."""
    lines = ["GET %s HTTP/1.1" % path, "Host: %s:%d" % (host, port)]
    if session:
        lines.append("Pragma: dssession=%s" % session)
    for name, value in (headers or {}).items():
        lines.append("%s: %s" % (name, value))
    family = socket.AF_INET6 if ":" in host else socket.AF_INET
    with socket.socket(family, socket.SOCK_STREAM) as s:
        s.settimeout(120)
        s.bind((source, 0))
        s.connect((host, port))
        s.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
        return harness.Answer(harness.read_all(s))


class WithService(unittest.TestCase):
    """Tests of a class share a service of their own on a fresh demo database."""

    @classmethod
    def setUpClass(cls):
        under_test = harness.start_service("fieldsync-activity-")
        cls.addClassCleanup(under_test.close)
        cls.port = under_test.port


def activity_json(port):
    answer = call(port, "/SyncActivityJSON")
    assert answer.status == 200, answer.raw[:300]
    return json.loads(answer.body)


class Handheld:
    """One handheld: its own address, a session kept across its calls."""

    def __init__(self, port, address):
        self.port, self.address, self.session, self.calls = port, address, None, 0

    def get(self, path):
        answer = call(self.port, REST + path, source=self.address, session=self.session)
        self.session = self.session or answer.session()
        self.calls += 1
        return answer


class TableReader(html.parser.HTMLParser):
    """The cells of every table of a page, row by row, as plain text."""

    def __init__(self):
        super().__init__()
        self.tables, self.row, self.cell = [], None, None

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            self.tables.append([])
        elif tag == "tr":
            self.row = []
        elif tag in ("td", "th"):
            self.cell = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.row.append(self.cell.strip())
            self.cell = None
        elif tag == "tr" and self.row is not None:
            self.tables[-1].append(self.row)
            self.row = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


class ScriptedDay(WithService):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        first, second = Handheld(cls.port, "127.0.0.2"), Handheld(cls.port, "127.0.0.3")
        cls.first, cls.second = first, second
        cls.first_day = datetime.date.today()
        # The first handheld downloads everything and sends an order.
        cls.expect = []
        for path, status in [("EchoString/hello", 200), ("GetCliente/1", 200), ("GetProduto", 200),
                             ("GetTabelaPreco", 200), ("GetSituacaoPedido/1", 200),
                             ("SetPedido/" + ORDER_ARGUMENTS.format(palm=71001, date="10%2F12%2F2026"), 200),
                             ("SetItensPedido/1/71001/1/1/2.5/2.5/0/2.5/x", 200)]:
            cls.expect.append((first.get(path), status, path))
        # The second one downloads clients and prices; its order fails.
        for path, status in [("GetCliente/1", 200), ("GetTabelaPrecoRep/1", 200),
                             ("SetPedido/" + ORDER_ARGUMENTS.format(palm=72001, date="32%2F13%2F2026"), 200),
                             ("SetItensPedido/1/72001/x/1/2.5/2.5/0/2.5/x", 500)]:
            cls.expect.append((second.get(path), status, path))

    def test_the_calls_were_answered_as_the_script_expects(self):
        for answer, status, path in self.expect:
            self.assertEqual(answer.status, status, (path, answer.raw[:300]))
        failing_order = self.expect[9][0]
        self.assertEqual(json.loads(failing_order.body), {"result": [BAD_DATE_ERRO, False]})

    def test_the_json_shows_each_handheld(self):
        data = activity_json(self.port)
        handhelds = {h["address"]: h for h in data["handhelds"]}
        self.assertEqual(set(handhelds), {"127.0.0.2", "127.0.0.3"})
        self.assertEqual(data["handhelds"][0]["address"], "127.0.0.3", "latest call first")

        first, second = handhelds["127.0.0.2"], handhelds["127.0.0.3"]
        self.assertEqual((first["session"], first["sessions"]), (self.first.session, 1))
        self.assertEqual((second["session"], second["sessions"]), (self.second.session, 1))
        if datetime.date.today() == self.first_day:
            self.assertEqual(first["callsToday"], self.first.calls)
            self.assertEqual(second["callsToday"], self.second.calls)
        else:  # midnight passed since the first call: only the calls after it count
            self.assertLessEqual(first["callsToday"], self.first.calls)
            self.assertLessEqual(second["callsToday"], self.second.calls)
        self.assertEqual(first["lastCall"]["method"], "SetItensPedido")
        self.assertEqual((first["lastCall"]["status"], first["lastCall"]["result"]), (200, True))
        self.assertEqual({kind: (d or {}).get("method") for kind, d in first["lastDownloads"].items()},
                         {"clients": "GetCliente", "products": "GetProduto", "prices": "GetTabelaPreco",
                          "orders": "GetSituacaoPedido"})
        self.assertEqual({kind: (d or {}).get("method") for kind, d in second["lastDownloads"].items()},
                         {"clients": "GetCliente", "products": None, "prices": "GetTabelaPrecoRep", "orders": None})
        self.assertEqual(first["failedUploads"], [])
        self.assertEqual([(u["method"], u["status"], u["result"], u["error"]) for u in second["failedUploads"]],
                         [("SetPedido", 200, False, BAD_DATE_ERRO),
                          ("SetItensPedido", 500, None, "''x'' is not a valid integer value")])
        order = second["failedUploads"][0]
        self.assertEqual((order["address"], order["session"], order["arguments"]), ("127.0.0.3", self.second.session, 29))

        methods = {m["method"]: m for m in data["methods"]}
        self.assertEqual((methods["SetPedido"]["count"], methods["SetPedido"]["errors"]), (2, 1))
        self.assertEqual((methods["GetCliente"]["count"], methods["GetCliente"]["errors"]), (2, 0))
        self.assertEqual((methods["SetItensPedido"]["count"], methods["SetItensPedido"]["errors"]), (2, 1))
        self.assertNotIn("(none)", methods, "the operator's own requests are not listed")
        for method in methods.values():
            self.assertLessEqual(method["p50Ms"], method["p99Ms"])
        calls = self.first.calls + self.second.calls
        self.assertEqual((data["records"]["held"], data["records"]["total"]), (calls, calls))
        self.assertEqual(len(data["slowest"]), calls)
        durations = [c["durationMs"] for c in data["slowest"]]
        self.assertEqual(durations, sorted(durations, reverse=True))

    def test_the_page_shows_the_same_without_script(self):
        answer = call(self.port, "/SyncActivity")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.header("Cache-Control"), "no-store")
        page = answer.body.decode("latin-1")
        self.assertNotIn("<script", page.lower())
        reader = TableReader()
        reader.feed(page)
        handhelds, methods, slowest = reader.tables
        header = handhelds[0]
        rows = {row[0]: dict(zip(header, row)) for row in handhelds[1:]}
        self.assertEqual(set(rows), {"127.0.0.2", "127.0.0.3"})
        first, second = rows["127.0.0.2"], rows["127.0.0.3"]
        self.assertEqual(first["Session"], self.first.session)
        self.assertEqual(first["Calls today"], str(self.first.calls))
        for column, method in [("Clients", "GetCliente"), ("Products", "GetProduto"), ("Prices", "GetTabelaPreco"),
                               ("Orders", "GetSituacaoPedido")]:
            self.assertRegex(first[column], r"^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d %s$" % method)
        self.assertEqual((second["Products"], second["Orders"]), ("-", "-"))
        self.assertEqual(first["Failed uploads"], "-")
        self.assertIn("SetPedido 200: " + BAD_DATE_ERRO, second["Failed uploads"])
        self.assertIn("SetItensPedido 500: ''x'' is not a valid integer value", second["Failed uploads"])
        by_method = {row[0]: row for row in methods[1:]}
        self.assertEqual(by_method["SetPedido"][1:3], ["2", "1"])
        self.assertEqual(len(slowest) - 1, self.first.calls + self.second.calls)


def non_loopback_address():
    """An address of this machine outside the loopback network, or None."""
    try:
        out = subprocess.run(["ip", "-o", "-4", "addr", "show", "scope", "global"], capture_output=True,
                             text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return None
    match = re.search(r"\binet (\d+\.\d+\.\d+\.\d+)/", out)
    return match.group(1) if match else None


class Refusals(WithService):
    """The pages go to callers on this machine only, as the method-test page,
    and never through a proxy; everyone else is redirected to "/"."""


    def assertRefused(self, answer, case):
        self.assertEqual((answer.status, answer.header("Location"), answer.body), (302, "/", b""), case)

    def test_who_may_see_the_pages(self):
        cases = [
            ("127.0.0.1", "127.0.0.1", {}, True),
            ("127.0.0.2", "127.0.0.1", {}, False),
            ("127.0.0.1", "127.0.0.1", {"X-Forwarded-For": "192.0.2.50"}, False),
            ("127.0.0.1", "127.0.0.1", {"Forwarded": "for=192.0.2.50"}, False),
            ("127.0.0.1", "127.0.0.1", {"X-Real-IP": "192.0.2.50"}, False),
        ]
        if socket.has_ipv6:
            try:
                call(self.port, "/", source="::1", host="::1")
                cases.append(("::1", "::1", {}, True))
            except OSError:
                pass
        for path in PAGES:
            for source, host, headers, allowed in cases:
                with self.subTest(path=path, source=source, headers=headers):
                    answer = call(self.port, path, source=source, headers=headers, host=host)
                    if allowed:
                        self.assertEqual(answer.status, 200, answer.raw[:200])
                    else:
                        self.assertRefused(answer, (path, source, headers))

    def test_the_landing_page_links_to_the_activity_page_for_the_operator_only(self):
        link = b'<a href="/SyncActivity">'
        self.assertIn(link, call(self.port, "/").body)
        self.assertNotIn(link, call(self.port, "/", source="127.0.0.2").body)

    def test_behind_a_proxy_on_this_machine_the_handheld_is_the_address_it_forwarded_for(self):
        answer = call(self.port, REST + "EchoString/x", headers={"X-Forwarded-For": "198.51.100.4, 192.0.2.60"})
        self.assertEqual(answer.status, 200)
        handhelds = {h["address"]: h for h in activity_json(self.port)["handhelds"]}
        self.assertEqual(handhelds["192.0.2.60"]["session"], answer.session())

    def test_a_caller_from_another_address_is_refused(self):
        # A connection from this machine's own network address: the service
        # sees a peer outside the loopback network, as from any other host.
        address = non_loopback_address()
        if address is None:
            self.skipTest("this machine has no address outside the loopback network")
        for path in PAGES:
            with self.subTest(path=path):
                self.assertRefused(call(self.port, path, source=address, host=address), path)
        # The refused requests are listed as calls of that address.
        listed = [r for r in activity_json(self.port)["slowest"] if r["address"] == address]
        self.assertEqual(sorted(r["path"] for r in listed), sorted(PAGES))


class Metrics(WithService):
    def scrape(self):
        from prometheus_client.parser import text_string_to_metric_families
        answer = call(self.port, "/metrics")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.header("Content-Type"), "text/plain; version=0.0.4; charset=utf-8")
        families = {f.name: f for f in text_string_to_metric_families(answer.body.decode("utf-8"))}
        return families

    def test_the_counters_match_the_calls_made(self):
        calls = [(REST + "EchoString/x", 200)] * 5 + [(REST + "NoSuchMethod", 500)] * 2 + \
                [("/nothing/here", 302)] * 3 + \
                [(REST + "SetPedido/" + ORDER_ARGUMENTS.format(palm=73001, date="32%2F13%2F2026"), 200)]
        for path, status in calls:
            self.assertEqual(call(self.port, path).status, status, path)

        families = self.scrape()
        requests = families["fieldsync_requests"]
        self.assertEqual(requests.type, "counter")
        counted = {(s.labels["method"], s.labels["status"]): s.value for s in requests.samples}
        self.assertEqual(counted, {("EchoString", "200"): 5, ("(unknown)", "500"): 2, ("(none)", "302"): 3,
                                   ("SetPedido", "200"): 1})

        durations = families["fieldsync_request_duration_seconds"]
        self.assertEqual(durations.type, "histogram")
        for method, count in [("EchoString", 5), ("(unknown)", 2), ("(none)", 3), ("SetPedido", 1)]:
            samples = [s for s in durations.samples if s.labels["method"] == method]
            buckets = [s.value for s in samples if s.name.endswith("_bucket")]
            self.assertEqual(buckets, sorted(buckets), method)
            self.assertEqual(buckets[-1], count, method)
            self.assertEqual([s.value for s in samples if s.name.endswith("_count")], [count], method)
            self.assertEqual([s.labels["le"] for s in samples if s.name.endswith("_bucket")][-1], "+Inf")

        gauges = {name: families[name].samples[0].value for name in
                  ["fieldsync_web_modules_in_use", "fieldsync_web_modules_max", "fieldsync_sessions",
                   "fieldsync_activity_records", "fieldsync_activity_records_capacity"]}
        self.assertEqual(gauges, {"fieldsync_web_modules_in_use": 1, "fieldsync_web_modules_max": 32,
                                  "fieldsync_sessions": 8, "fieldsync_activity_records": len(calls),
                                  "fieldsync_activity_records_capacity": 10000})
        self.assertGreaterEqual(families["fieldsync_connections_open"].samples[0].value, 1)
        self.assertEqual(families["fieldsync_web_module_refusals"].samples[0].value, 0)
        # The calls ran one after the other: their attachment is idle again;
        # in use is at most the host's own connection (nothing else runs).
        attachments = {s.labels["state"]: s.value for s in families["fieldsync_database_attachments"].samples}
        self.assertEqual(set(attachments), {"in_use", "idle"})
        self.assertGreaterEqual(attachments["idle"], 1)
        self.assertLessEqual(attachments["in_use"], 1)

        # The scrape itself is counted once it has been answered.
        again = self.scrape()["fieldsync_requests"]
        self.assertEqual({(s.labels["method"], s.labels["status"]): s.value for s in again.samples}[("(none)", "200")], 1)


class Bounded(WithService):
    CALLS = 50000

    def test_the_record_stays_bounded(self):
        # Redirected requests: recorded like every other, and cheap to make.
        errors = []

        def caller(index, count):
            source = "127.0.0.%d" % (2 + index)
            try:
                for i in range(count):
                    if call(self.port, "/bounded/%d/%d" % (index, i), source=source).status != 302:
                        errors.append(i)
            except OSError as e:
                errors.append(e)

        threads = [threading.Thread(target=caller, args=(i, self.CALLS // 4)) for i in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(errors, [])
        records = activity_json(self.port)["records"]
        self.assertEqual((records["held"], records["capacity"], records["total"]), (10000, 10000, self.CALLS))


if __name__ == "__main__":
    unittest.main()
