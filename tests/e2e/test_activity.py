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
import time
import unittest

import harness

REST = "/datasnap/rest/TServerMethods1/"
PAGES = ["/SyncActivity", "/SyncActivityJSON", "/metrics"]
ORDER_ARGUMENTS = "{rep}/{palm}/1/1/1/1/1/1/1/1/1/1/{date}/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/2.5"
ITEM_ARGUMENTS = "{rep}/{palm}/{unit}/1/2.5/2.5/0/2.5/x"
BAD_DATE_ERRO = "''32/13/2026'' is not a valid date"
BAD_INTEGER_ERRO = "''x'' is not a valid integer value"
GOOD_DATE, BAD_DATE = "10%2F12%2F2026", "32%2F13%2F2026"
# A representative of branch 1 (the service's) that no handheld calls for.
SILENT_REPRESENTATIVE = ("INSERT INTO REPRESENTANTE (IDREPRESENTANTE, IDFILIAL, NOME, EXCLUIDO) "
                         "VALUES (6, 1, 'Carlos Eduardo Prado', NULL);\n")


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


def wait_for(port, condition, seconds):
    """Polls the activity JSON until condition(data) holds or the time is
    up; returns the last data."""
    end = time.monotonic() + seconds
    while True:
        data = activity_json(port)
        if condition(data) or time.monotonic() > end:
            return data
        time.sleep(0.5)


def today():
    return datetime.date.today()


class Handheld:
    """One handheld: a session kept across its calls, from an address that
    may change between calls (a mobile network's)."""

    def __init__(self, port, address):
        self.port, self.address, self.session, self.calls = port, address, None, 0

    def get(self, path, address=None):
        self.address = address or self.address
        answer = call(self.port, REST + path, source=self.address, session=self.session)
        self.session = self.session or answer.session()
        self.calls += 1
        return answer


class TableReader(html.parser.HTMLParser):
    """The cells of every table of a page, row by row, as plain text, by the
    table's class."""

    def __init__(self):
        super().__init__()
        self.tables, self.row, self.cell, self.current = {}, None, None, None

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            self.current = dict(attrs).get("class")
            self.tables[self.current] = []
        elif tag == "tr":
            self.row = []
        elif tag in ("td", "th"):
            self.cell = ""
        elif tag == "div" and self.cell:
            self.cell += " | "

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.row.append(self.cell.strip())
            self.cell = None
        elif tag == "tr" and self.row is not None:
            self.tables[self.current].append(self.row)
            self.row = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def rows_by_first_cell(table):
    header = table[0]
    return {row[0]: dict(zip(header, row)) for row in table[1:]}


class ScriptedMorning(unittest.TestCase):
    """Representatives 1 and 3 sync from one carrier address (127.0.0.2);
    representative 2 moves from 127.0.0.3 to 127.0.0.4 between calls, its
    order fails, is sent again and stored, and an item of it fails; a caller
    at 127.0.0.5 names nobody. Representative 6 (branch 1) never calls;
    4 is deleted; 5 belongs to another branch."""

    @classmethod
    def setUpClass(cls):
        under_test = harness.ServiceUnderTest("fieldsync-activity-", through_server=True)
        cls.addClassCleanup(under_test.close)
        harness.run_sql(under_test.database, SILENT_REPRESENTATIVE + "COMMIT;\n")
        under_test.start()
        cls.under_test, cls.port = under_test, under_test.port
        cls.day_before = today()
        joao, antonio = Handheld(cls.port, "127.0.0.2"), Handheld(cls.port, "127.0.0.2")
        maria, nobody = Handheld(cls.port, "127.0.0.3"), Handheld(cls.port, "127.0.0.5")
        cls.joao, cls.antonio, cls.maria, cls.nobody = joao, antonio, maria, nobody
        cls.expect = []
        steps = [
            (joao, "EchoString/hello", None, 200), (joao, "GetCliente/1", None, 200), (joao, "GetProduto", None, 200),
            (antonio, "GetCliente/3", None, 200),
            (joao, "GetTabelaPreco", None, 200), (joao, "GetSituacaoPedido/1", None, 200),
            (joao, "SetPedido/" + ORDER_ARGUMENTS.format(rep=1, palm=71001, date=GOOD_DATE), None, 200),
            (joao, "SetItensPedido/" + ITEM_ARGUMENTS.format(rep=1, palm=71001, unit=1), None, 200),
            (maria, "GetCliente/2", None, 200),
            (maria, "SetPedido/" + ORDER_ARGUMENTS.format(rep=2, palm=72001, date=BAD_DATE), None, 200),
            (antonio, "GetTabelaPrecoRep/3", None, 200),
            (maria, "SetPedido/" + ORDER_ARGUMENTS.format(rep=2, palm=72001, date=GOOD_DATE), "127.0.0.4", 200),
            (maria, "SetItensPedido/" + ITEM_ARGUMENTS.format(rep=2, palm=72001, unit="x"), None, 500),
            (nobody, "EchoString/x", None, 200),
        ]
        for handheld, path, address, status in steps:
            cls.expect.append((handheld.get(path, address), status, path))
        # The names are read at start; wait for that read.
        cls.data = wait_for(cls.port, lambda data: data["names"]["read"] is not None, 30)
        cls.same_day = today() == cls.day_before

    def representatives(self, data=None):
        return {r["representative"]: r for r in (data or self.data)["representatives"]}

    def test_the_calls_were_answered_as_the_script_expects(self):
        for answer, status, path in self.expect:
            self.assertEqual(answer.status, status, (path, answer.raw[:300]))
        self.assertEqual(json.loads(self.expect[9][0].body), {"result": [BAD_DATE_ERRO, False]})
        self.assertEqual(json.loads(self.expect[11][0].body), {"result": ["", True]})

    def test_three_representatives_from_four_addresses(self):
        reps = self.representatives()
        self.assertEqual(set(reps), {"1", "2", "3"})
        self.assertEqual([r["representative"] for r in self.data["representatives"]], ["2", "3", "1"],
                         "latest call first")
        joao, maria, antonio = reps["1"], reps["2"], reps["3"]
        self.assertEqual((joao["id"], joao["name"]), (1, "Jo\u00e3o Carlos Ribeiro"))
        self.assertEqual(joao["addresses"], ["127.0.0.2"])
        self.assertEqual(antonio["addresses"], ["127.0.0.2"])
        self.assertEqual(maria["addresses"], ["127.0.0.4", "127.0.0.3"], "latest first")
        self.assertEqual((maria["session"], maria["sessions"]), (self.maria.session, 1))
        self.assertEqual((joao["session"], joao["sessions"]), (self.joao.session, 1))
        self.assertEqual(joao["users"], [])
        if self.same_day:
            self.assertEqual(joao["callsToday"], self.joao.calls, "its session's EchoString is its own")
            self.assertEqual(maria["callsToday"], self.maria.calls)
            self.assertEqual(joao["uploadsToday"], {"orders": 1, "orderItems": 1, "clients": 0, "receipts": 0})
            self.assertEqual(maria["uploadsToday"], {"orders": 1, "orderItems": 0, "clients": 0, "receipts": 0})
        self.assertEqual({kind: (d or {}).get("method") for kind, d in joao["lastDownloads"].items()},
                         {"clients": "GetCliente", "products": "GetProduto", "prices": "GetTabelaPreco",
                          "orders": "GetSituacaoPedido"})
        self.assertEqual({kind: (d or {}).get("method") for kind, d in antonio["lastDownloads"].items()},
                         {"clients": "GetCliente", "products": None, "prices": "GetTabelaPrecoRep", "orders": None})
        self.assertEqual(joao["lastCall"]["method"], "SetItensPedido")

        without = self.data["withoutRepresentative"]
        self.assertEqual([row["addresses"] for row in without], [["127.0.0.5"]])
        self.assertEqual(without[0]["session"], self.nobody.session)

    def test_the_retried_order_leaves_the_failed_list_and_the_failed_item_stays(self):
        reps = self.representatives()
        self.assertEqual(reps["1"]["failedUploads"], [])
        self.assertEqual(reps["3"]["failedUploads"], [])
        failed = reps["2"]["failedUploads"]
        self.assertEqual([(u["method"], u["status"], u["result"], u["error"], u["address"]) for u in failed],
                         [("SetItensPedido", 500, None, BAD_INTEGER_ERRO, "127.0.0.4")])
        self.assertEqual((failed[0]["representative"], failed[0]["session"]), ("2", self.maria.session))
        methods = {m["method"]: m for m in self.data["methods"]}
        self.assertEqual((methods["SetPedido"]["count"], methods["SetPedido"]["errors"]), (3, 1),
                         "the failed order still counts as an error of its method")

    def test_who_has_not_synced_today(self):
        if not self.same_day:
            self.skipTest("the morning crossed midnight")
        listed = {entry["representative"]: entry for entry in self.data["notSyncedToday"]}
        self.assertEqual(set(listed), {"2", "6"}, "4 is deleted; 3 and 5 are another branch's, 3 synced anyway")
        self.assertEqual((listed["2"]["noCallToday"], listed["2"]["failedUploads"]), (False, 1))
        self.assertEqual((listed["6"]["noCallToday"], listed["6"]["failedUploads"], listed["6"]["lastCall"]),
                         (True, 0, None))
        self.assertEqual(listed["6"]["name"], "Carlos Eduardo Prado")
        self.assertEqual(self.data["syncedToday"], 2)

    def test_the_page_shows_the_same_without_script(self):
        answer = call(self.port, "/SyncActivity")
        self.assertEqual(answer.status, 200)
        self.assertEqual(answer.header("Cache-Control"), "no-store")
        page = answer.body.decode("latin-1")
        self.assertNotIn("<script", page.lower())
        reader = TableReader()
        reader.feed(page)
        reps = rows_by_first_cell(reader.tables["representatives"])
        self.assertEqual(set(reps), {"1", "2", "3"})
        self.assertEqual(reps["1"]["Name"], "Jo\u00e3o Carlos Ribeiro")
        self.assertEqual(reps["2"]["Addresses"], "127.0.0.4 | 127.0.0.3")
        self.assertEqual(reps["1"]["Session"], self.joao.session)
        self.assertEqual(reps["1"]["User"], "-")
        for column, method in [("Clients", "GetCliente"), ("Products", "GetProduto"), ("Prices", "GetTabelaPreco"),
                               ("Orders", "GetSituacaoPedido")]:
            self.assertRegex(reps["1"][column], r"^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d %s$" % method)
        self.assertEqual((reps["3"]["Products"], reps["3"]["Orders"]), ("-", "-"))
        self.assertEqual(reps["1"]["Failed uploads"], "-")
        self.assertIn("SetItensPedido 500: " + BAD_INTEGER_ERRO, reps["2"]["Failed uploads"])
        self.assertNotIn("SetPedido", reps["2"]["Failed uploads"])
        addresses = rows_by_first_cell(reader.tables["addresses"])
        self.assertEqual(set(addresses), {"127.0.0.5"})
        if self.same_day:
            self.assertEqual(reps["1"]["Calls today"], str(self.joao.calls))
            self.assertEqual(reps["1"]["Uploads today"], "1 order (1 item), 0 clients, 0 receipts")
            not_synced = rows_by_first_cell(reader.tables["notsynced"])
            self.assertEqual(set(not_synced), {"2", "6"})
            self.assertEqual(not_synced["6"]["Why"], "no call today")
            self.assertEqual(not_synced["2"]["Why"], "1 failed upload")
            self.assertIn("2 representatives synced today.", page)
        by_method = {row[0]: row for row in reader.tables["methods"][1:]}
        self.assertEqual(by_method["SetPedido"][1:3], ["3", "1"])
        self.assertEqual(len(reader.tables["slowest"]) - 1, len(self.expect))

    def test_zz_names_follow_representante(self):
        # Last of the class (it renames a representative): the names are
        # read again once a minute.
        harness.run_sql(self.under_test.database,
                        "UPDATE REPRESENTANTE SET NOME = 'Antonio G. Filho' WHERE IDREPRESENTANTE = 3;\n"
                        "UPDATE REPRESENTANTE SET EXCLUIDO = 'S' WHERE IDREPRESENTANTE = 6;\nCOMMIT;\n")
        before = self.representatives()["3"]["name"]
        self.assertEqual(before, "Ant\u00f4nio Gon\u00e7alves Filho")
        data = wait_for(self.port, lambda data: self.representatives(data)["3"]["name"] != before, 90)
        self.assertEqual(self.representatives(data)["3"]["name"], "Antonio G. Filho")
        self.assertNotIn("6", [e["representative"] for e in data["notSyncedToday"]],
                         "a representative deleted meanwhile is no longer waited for")
        self.assertIsNone(data["names"]["error"])


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
        rows = {r["addresses"][0]: r for r in activity_json(self.port)["withoutRepresentative"]}
        self.assertEqual(rows["192.0.2.60"]["session"], answer.session())

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


class DeviceTexts(WithService):
    def test_a_device_registration_joins_the_representative_its_text_names(self):
        # SetCelulares carries the representative as text: an id, or a name.
        cases = [("IMEI-A", "2", "2"), ("IMEI-B", "Jo%C3%A3o%20Carlos%20Ribeiro", "1"),
                 ("IMEI-C", "Z%C3%A9%20da%20Van", "Z\u00e9 da Van")]
        wait_for(self.port, lambda data: data["names"]["read"] is not None, 30)
        for imei, text, _ in cases:
            answer = call(self.port, REST + "SetCelulares/%s/%s" % (imei, text), source="127.0.0.6")
            self.assertEqual((answer.status, json.loads(answer.body)), (200, {"result": [True]}), imei)
        reps = {r["representative"]: r for r in activity_json(self.port)["representatives"]}
        self.assertEqual(set(reps), {row for _, _, row in cases})
        self.assertEqual((reps["1"]["name"], reps["1"]["id"]), ("Jo\u00e3o Carlos Ribeiro", 1))
        self.assertEqual((reps["Z\u00e9 da Van"]["name"], reps["Z\u00e9 da Van"]["id"]), (None, None))
        self.assertEqual(activity_json(self.port)["withoutRepresentative"], [])


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
                [(REST + "SetPedido/" + ORDER_ARGUMENTS.format(rep=1, palm=73001, date=BAD_DATE), 200)]
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
