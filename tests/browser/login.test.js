// The method-test page and the generated client in Debian's Chromium against
// a service with a users file (run.py --login starts it and passes the user's
// name and password in FIELDSYNC_USER and FIELDSYNC_PASSWORD).

"use strict";

const { test, before, after } = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const fs = require("node:fs");
const http = require("node:http");
const { REST, launchBrowser, openInvoker, callThroughPage } = require("./invoker-page.js");

const USER = process.env.FIELDSYNC_USER;
const PASSWORD = process.env.FIELDSYNC_PASSWORD;
const SCREENSHOT = process.env.FIELDSYNC_SCREENSHOT;


let browser;

before(async () => {
  assert.ok(USER && PASSWORD, "FIELDSYNC_USER and FIELDSYNC_PASSWORD name a user of the service");
  browser = await launchBrowser();
});

after(async () => {
  if (browser) await browser.close();
});

// A 401 answer names the realm (WWW-Authenticate), so the browser offers its
// own login dialog before the page sees the answer; an operator who closes
// it with Cancel lets the page show the refusal. This does the same for every
// dialog of the page's context, through the browser's devtools protocol.
async function cancelBrowserLoginDialogs(context, page) {
  const devtools = await context.newCDPSession(page);
  devtools.on("Fetch.requestPaused", (event) =>
    devtools.send("Fetch.continueRequest", { requestId: event.requestId }).catch(() => {}));
  devtools.on("Fetch.authRequired", (event) =>
    devtools.send("Fetch.continueWithAuth", {
      requestId: event.requestId,
      authChallengeResponse: { response: "CancelAuth" },
    }).catch(() => {}));
  await devtools.send("Fetch.enable", { handleAuthRequests: true });
}

// Waits until the page's recorder has seen `count` answers of the REST
// interface (it records them as they arrive).
async function waitForCalls(calls, count) {
  for (let tries = 0; calls.length < count && tries < 100; tries++) {
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// The "Authorization" value of a login: Basic and the UTF-8 pair in Base64.
function basic(user, password) {
  return "Basic " + Buffer.from(user + ":" + password, "utf8").toString("base64");
}

// The service's own answer to a call with that "Authorization" value, or
// without one (on a connection of its own: the service closes each one after
// its answer).
function refusal(authorization) {
  const headers = authorization ? { Authorization: authorization } : {};
  return new Promise((resolve, reject) => {
    http.get(REST + "EchoString/x", { agent: false, headers }, (answer) => {
      let body = "";
      answer.setEncoding("utf8");
      answer.on("data", (chunk) => (body += chunk));
      answer.on("end", () => resolve({ status: answer.statusCode, error: JSON.parse(body).error }));
    }).on("error", reject);
  });
}

test("the page asks for a login and sends it with every call", async (t) => {
  const { context, page, calls, pageErrors } = await openInvoker(browser);
  await cancelBrowserLoginDialogs(context, page);
  try {
    await t.test("the page says a login is required and shows its fields", async () => {
      assert.match(await page.textContent("header p"), /login required: true$/);
      assert.ok(await page.isVisible("#login-user"));
      assert.equal(await page.getAttribute("#login-password", "type"), "password");
    });

    await t.test("without a user name nothing is sent and the page asks for one", async () => {
      await page.click('#methods button[data-method="EchoString"]');
      await page.fill("#inputs input", "x");
      await page.click("#call-button");
      assert.equal(await page.textContent("#error"),
                   "This service requires a login: enter your user name and password.");
      assert.equal(await page.evaluate(() => document.activeElement.id), "login-user");
      assert.equal(calls.length, 0);
    });

    await t.test("a wrong password is refused with the service's message", async () => {
      await page.fill("#login-user", USER);
      await page.fill("#login-password", PASSWORD + "x");
      const shown = await callThroughPage(page, "EchoString", ["x"]);
      const expected = await refusal(basic(USER, PASSWORD + "x"));
      assert.equal(expected.status, 401);
      assert.match(shown.status, /^Failed with status 401/);
      assert.equal(shown.error, expected.error);
      assert.equal(await page.evaluate(() => document.activeElement.id), "login-user");
    });

    await t.test("with the right password calls answer, tables as tables", async () => {
      await page.fill("#login-password", PASSWORD);
      const echo = await callThroughPage(page, "EchoString", ["São João"], { asynchronous: true });
      assert.deepEqual(echo.json, { result: ["São João"] });
      const table = await callThroughPage(page, "GetAtividade", []);
      assert.ok(Array.isArray(table.json.result.table));
      assert.ok(await page.locator("#tables table.result tbody tr").count() > 0);
      if (SCREENSHOT) {
        const file = path.join(path.dirname(SCREENSHOT), "method-test-page-login.png");
        fs.mkdirSync(path.dirname(file), { recursive: true });
        await page.screenshot({ path: file, fullPage: false });
      }
    });

    await t.test("every call sends the login typed at that time, and keeps one session per login", async () => {
      await waitForCalls(calls, 3);
      assert.equal(calls.length, 3);
      assert.equal(calls[0].sentAuthorization, basic(USER, PASSWORD + "x"));
      assert.equal(calls[1].sentAuthorization, basic(USER, PASSWORD));
      assert.equal(calls[2].sentAuthorization, basic(USER, PASSWORD));
      // The refused call opened no session; the first answered one did.
      assert.equal(calls[1].sentPragma, null);
      assert.ok(calls[1].answerPragma);
      assert.equal(calls[2].sentPragma, calls[1].answerPragma.split(",")[0]);
    });

    await t.test("another login drops the session", async () => {
      assert.notEqual(await page.textContent("#session"), "none yet");
      await page.fill("#login-password", PASSWORD + "y");
      assert.equal(await page.textContent("#session"), "none yet");
    });
    assert.deepEqual(pageErrors, []);
  } finally {
    await context.close();
  }
});

test("the generated client sends its connection's login on every call", async () => {
  const { context, page, calls } = await openInvoker(browser);
  await cancelBrowserLoginDialogs(context, page);
  try {
    const outcome = await page.evaluate(([user, password]) => {
      const anonymous = new TServerMethods1(setConnection(location.hostname, location.port, ""));
      const refused = anonymous.EchoString("a");
      const connection = setConnection(location.hostname, location.port, "", user, password);
      const client = new TServerMethods1(connection);
      const echo = client.EchoString("b");
      const table = client.GetAtividade();
      const callback = new Promise((resolve) => client.ReverseString("abc", resolve));
      return callback.then((reversed) => ({ refused, echo, table, reversed }));
    }, [USER, PASSWORD]);
    const expected = await refusal();
    assert.deepEqual(outcome.refused, expected);
    await waitForCalls(calls, 4);
    assert.deepEqual(outcome.echo, { Value: "b", result: "b" });
    assert.ok(Array.isArray(outcome.table.result.table));
    assert.deepEqual(outcome.reversed, { result: ["cba"] });
    const login = basic(USER, PASSWORD);
    assert.deepEqual(calls.map((c) => c.sentAuthorization), [null, login, login, login]);
  } finally {
    await context.close();
  }
});
