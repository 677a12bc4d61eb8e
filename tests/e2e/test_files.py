"""Static files and the generated browser client end to end: the real
executable from build/dist over real sockets, in a program directory of its
own (a copy of build/dist), so that the test may replace its executable."""

import os
import shutil
import time
import unittest

import harness


def prepare(service):
    global SECRET
    # The build directory may hold a client written by an earlier run.
    script = os.path.join(service.directory, "js", "serverfunctions.js")
    if os.path.exists(script):
        os.remove(script)
    # A file beside the program's directory, which no request may reach.
    SECRET = os.path.basename(service.directory) + "-secret.css"
    with open(secret_path(service), "w") as f:
        f.write("secret")


def secret_path(service):
    return os.path.join(os.path.dirname(service.directory), SECRET)


def setUpModule():
    global UNDER_TEST, PORT, SERVICE
    UNDER_TEST = harness.start_service("fieldsync-files-", prepare=prepare)
    PORT, SERVICE = UNDER_TEST.port, UNDER_TEST.service


def tearDownModule():
    try:
        UNDER_TEST.close()
    finally:
        os.remove(secret_path(SERVICE))


def get(path, method="GET", **headers):
    return harness.request(PORT, method, path, headers)


class BrowserClient(unittest.TestCase):
    def script_path(self):
        return os.path.join(SERVICE.directory, "js", "serverfunctions.js")

    def test_is_written_when_missing_and_again_once_the_program_is_replaced(self):
        first = get("/js/serverfunctions.js")
        self.assertEqual(first.status, 200)
        self.assertEqual(first.header("Content-Type"), "text/javascript; charset=utf-8")
        self.assertTrue(first.body.startswith(b"// Generated"), first.body[:80])
        self.assertIn(b"function TServerMethods1(connectionInfo)", first.body)
        self.assertTrue(first.body.rstrip().endswith(b"};"))
        with open(self.script_path(), "rb") as f:
            self.assertEqual(f.read(), b"\xef\xbb\xbf" + first.body)
        written = os.stat(self.script_path()).st_mtime_ns

        self.assertEqual(get("/js/serverfunctions.js").body, first.body)
        self.assertEqual(os.stat(self.script_path()).st_mtime_ns, written, "not written again")

        # Replace the running program with a newer copy, as an update would.
        time.sleep(1.1)
        program = os.path.join(SERVICE.directory, "fieldsync")
        shutil.copy(program, program + ".new")
        os.replace(program + ".new", program)
        self.assertGreater(os.stat(program).st_mtime_ns, written)

        again = get("/js/serverfunctions.js")
        self.assertEqual(again.status, 200)
        self.assertEqual(again.body, first.body)
        rewritten = os.stat(self.script_path()).st_mtime_ns
        self.assertGreater(rewritten, written, "written again after the program was replaced")
        get("/js/serverfunctions.js")
        self.assertEqual(os.stat(self.script_path()).st_mtime_ns, rewritten, "and only once")

    def test_a_post_of_the_script_is_redirected(self):
        answer = get("/js/serverfunctions.js", method="POST")
        self.assertEqual(answer.status, 302)
        self.assertEqual(answer.header("Location"), "/")


class StaticFiles(unittest.TestCase):
    def test_answers(self):
        css = os.path.join(SERVICE.directory, "css", "ServerFunctionInvoker.css")
        size = str(os.path.getsize(css))
        cases = [
            # (method, path, status, header checks)
            ("GET", "/css/ServerFunctionInvoker.css", 200,
             {"Content-Type": "text/css; charset=ISO-8859-1", "Content-Length": size}),
            ("HEAD", "/css/ServerFunctionInvoker.css", 200,
             {"Content-Type": "text/css; charset=ISO-8859-1", "Content-Length": size}),
            ("GET", "/js/ServerFunctionExecutor.js", 200, {"Content-Type": "text/javascript; charset=ISO-8859-1"}),
            ("GET", "/css/missing.css", 404, {"Content-Length": "0"}),
            ("GET", "/Templates/ServerFunctionInvoker.html", 302, {"Location": "/"}),
            ("GET", "/templates/ReverseString.html", 302, {"Location": "/"}),
            ("GET", "/nothing/here", 302, {"Location": "/"}),
        ]
        for method, path, status, headers in cases:
            with self.subTest(method=method, path=path):
                answer = get(path, method=method)
                self.assertEqual(answer.status, status)
                for name, value in headers.items():
                    self.assertEqual(answer.header(name), value, name)
                if method == "HEAD" or status != 200:
                    self.assertEqual(answer.body, b"")
                else:
                    self.assertIsNotNone(answer.header("Last-Modified"))

    def test_if_modified_since_the_files_time_answers_not_modified(self):
        first = get("/css/ServerFunctionInvoker.css")
        stamp = first.header("Last-Modified")
        same = get("/css/ServerFunctionInvoker.css", **{"If-Modified-Since": stamp})
        self.assertEqual(same.status, 304)
        self.assertEqual(same.header("Content-Type"), "text/css; charset=ISO-8859-1")
        self.assertEqual(same.body, b"")
        earlier = time.strftime("%a, %d %b %Y %H:%M:%S GMT",
                                time.gmtime(time.mktime(time.strptime(stamp, "%a, %d %b %Y %H:%M:%S GMT")) - 60))
        self.assertEqual(get("/css/ServerFunctionInvoker.css", **{"If-Modified-Since": earlier}).body, first.body)

    def test_paths_out_of_the_program_directory_are_not_found(self):
        paths = ["/../%s", "/%%2e%%2e/%s", "/%%2E%%2E/%s", "/js/%%2e%%2e/%%2e%%2e/%s", "/js/../../%s",
                 "/..%%5c%s", "/js%%5c..%%5c..%%5c%s", "/%%2e%%2e%%2f%s", "/.%%2e/%s"]
        for form in paths:
            path = form % SECRET
            with self.subTest(path=path):
                answer = get(path)
                self.assertEqual(answer.status, 404)
                self.assertNotIn(b"secret", answer.body)

    def test_the_method_test_page_loads_its_script_and_style_sheet_from_here(self):
        page = get("/ServerFunctionInvoker")
        self.assertEqual(page.status, 200)
        for reference in (b'src="/js/serverfunctions.js"', b'src="/js/ServerFunctionExecutor.js"',
                          b'src="/js/ServerFunctionInvoker.js"', b'href="/css/ServerFunctionInvoker.css"'):
            self.assertIn(reference, page.body)


if __name__ == "__main__":
    unittest.main()
