// The method-test page and the generated client in Debian's Chromium, over
// the real executable and the demo database (run.py starts both and passes
// FIELDSYNC_URL). The page is driven as an operator would: pick a method,
// type its arguments, press Call, read what the page shows.

"use strict";

const { test, before, after } = require("node:test");
const assert = require("node:assert/strict");
const path = require("node:path");
const fs = require("node:fs");
const { BASE, REST, launchBrowser, openInvoker, callThroughPage, publishedMethods } = require("./invoker-page.js");

const SCREENSHOT = process.env.FIELDSYNC_SCREENSHOT;

let browser;

before(async () => {
  browser = await launchBrowser();
});

after(async () => {
  if (browser) await browser.close();
});

// The session id of an answer's "Pragma" header.
function sessionOf(pragma) {
  const match = /dssession=([0-9]+\.[0-9]+\.[0-9]+)/.exec(pragma || "");
  return match ? match[1] : null;
}

test("the page lists every method of the generated client, grouped by class", async () => {
  const { context, page, pageErrors } = await openInvoker(browser);
  try {
    const listed = await page.$$eval("#methods button", (buttons) => buttons.map((b) => b.textContent));
    const classList = await page.evaluate(() => JSProxyClassList);
    assert.deepEqual(Object.keys(classList), ["TServerMethods1"]);
    assert.deepEqual(listed, classList.TServerMethods1);
    assert.deepEqual(listed, publishedMethods());
    assert.deepEqual(await page.$$eval("#methods h3", (h) => h.map((e) => e.textContent)), ["TServerMethods1"]);
    // No users file: the page asks for no login.
    assert.match(await page.textContent("header p"), /login required: false$/);
    assert.equal(await page.isVisible("#login"), false);
    assert.deepEqual(pageErrors, []);
  } finally {
    await context.close();
  }
});

test("calls through the page show the answer, tables as tables, errors as errors", async (t) => {
  const { context, page, calls, pageErrors } = await openInvoker(browser);
  try {
    await t.test("EchoString returns its text, non-ASCII and slash included", async () => {
      const shown = await callThroughPage(page, "EchoString", ["São João/x 1"]);
      assert.match(shown.status, /^Answered/);
      assert.deepEqual(shown.json, { Value: "São João/x 1", result: "São João/x 1" });
      assert.equal(shown.error, null);
      assert.match(await page.textContent("#method-url"), /EchoString\/S%C3%A3o%20Jo%C3%A3o%2Fx%201$/);
    });

    await t.test("ReverseString reverses, asynchronously too", async () => {
      for (const asynchronous of [false, true]) {
        const shown = await callThroughPage(page, "ReverseString", ["abc"], { asynchronous });
        const result = asynchronous ? shown.json.result[0] : shown.json.result;
        assert.equal(result, "cba", `asynchronous=${asynchronous}`);
      }
    });

    await t.test("GetAtividade is drawn as a table with its column names and rows", async () => {
      const shown = await callThroughPage(page, "GetAtividade", []);
      const direct = (await (await fetch(REST + "GetAtividade")).json()).result[0];
      const columns = direct.table.map((d) => d[0]);
      assert.deepEqual(shown.json.result, direct);
      const headers = await page.$$eval("#tables table.result th", (th) => th.map((e) => e.textContent));
      assert.deepEqual(headers, columns);
      const rows = await page.$$eval("#tables table.result tbody tr", (trs) =>
        trs.map((tr) => Array.from(tr.cells, (c) => c.textContent)));
      assert.equal(rows.length, direct[columns[0]].length);
      assert.ok(rows.length > 0, "the demo data has activities");
      rows.forEach((row, r) => assert.deepEqual(row, columns.map((c) => String(direct[c][r]))));
      if (SCREENSHOT) {
        fs.mkdirSync(path.dirname(SCREENSHOT), { recursive: true });
        await page.screenshot({ path: SCREENSHOT, fullPage: false });
      }
    });

    await t.test("a write method answers its out parameter and its result", async () => {
      const shown = await callThroughPage(page, "SetPedido2", ["1", "1", "entregar pela manhã"]);
      assert.deepEqual(Object.keys(shown.json), ["IDRepresentante", "IDPedidoPalm", "Observacao", "Erro", "result"]);
      assert.equal(shown.json.Erro, "");
      assert.equal(shown.json.result, true);
    });

    await t.test("a refused argument is shown as an error with the server's message", async () => {
      const shown = await callThroughPage(page, "GetClienteSN", ["abc"]);
      assert.match(shown.status, /^Failed with status 500/);
      assert.equal(shown.error, "''abc'' is not a valid integer value");
      assert.deepEqual(shown.json, { error: "''abc'' is not a valid integer value", status: 500 });
      assert.equal(await page.locator("#tables table").count(), 0);
    });

    await t.test("every call after the first names the first call's session, and none sends a login", async () => {
      assert.ok(calls.length >= 6);
      const session = sessionOf(calls[0].answerPragma);
      assert.ok(session, "the first answer opens a session");
      assert.equal(calls[0].sentPragma, null);
      for (const call of calls) assert.equal(call.sentAuthorization, null, call.url);
      for (const call of calls.slice(1)) {
        assert.equal(call.sentPragma, "dssession=" + session, call.url);
        assert.equal(sessionOf(call.answerPragma), session, call.url);
      }
      assert.equal(await page.textContent("#session"), session);
    });
    assert.deepEqual(pageErrors, []);
  } finally {
    await context.close();
  }
});

test("the generated client called from a script, with and without a callback", async () => {
  const { context, page } = await openInvoker(browser);
  try {
    const outcome = await page.evaluate(async () => {
      const client = new TServerMethods1(setConnection(location.hostname, location.port, ""));
      const sync = {
        echo: client.EchoString("a b"),
        reverse: client.ReverseString("xyz"),
        table: client.GetAtividade(),
        write: client.RecebendoPalmAfa(1),
        failed: client.GetClienteSN("x"),
        url: client.GetClienteSN_URL(12),
      };
      const callback = (call) => new Promise((resolve) => call(resolve));
      const async = {
        returned: client.EchoString("later", () => {}),
        echo: await callback((done) => client.EchoString("later", done)),
        failed: await callback((done) => client.GetClienteSN("x", done)),
      };
      return { sync, async, session: getSessionId() };
    });
    assert.deepEqual(outcome.sync.echo, { Value: "a b", result: "a b" });
    assert.deepEqual(outcome.sync.reverse, { Value: "xyz", result: "zyx" });
    assert.ok(Array.isArray(outcome.sync.table.result.table));
    assert.deepEqual(outcome.sync.write, { IDRepresentante: 1, Erro: "", result: true });
    assert.deepEqual(outcome.sync.failed, { error: "''x'' is not a valid integer value", status: 500 });
    assert.match(outcome.sync.url, /\/datasnap\/rest\/TServerMethods1\/GetClienteSN\/12$/);
    assert.equal(outcome.async.returned, undefined);
    assert.deepEqual(outcome.async.echo, { result: ["later"] });
    assert.deepEqual(outcome.async.failed, { error: "''x'' is not a valid integer value", status: 500 });
    assert.ok(outcome.session);
  } finally {
    await context.close();
  }
});

test("an expired session is reported and the next call opens a new one", async () => {
  const { context, page } = await openInvoker(browser);
  try {
    const outcome = await page.evaluate(() => {
      const client = new TServerMethods1(null);
      const first = client.EchoString("one");
      const session = getSessionId();
      // Close it on the server behind the client's back.
      const close = new XMLHttpRequest();
      close.open("GET", "/datasnap/rest/CloseSession/", false);
      close.setRequestHeader("Pragma", "dssession=" + session);
      close.send();
      const expired = client.EchoString("two");
      const afterExpiry = getSessionId();
      const again = client.EchoString("three");
      return { first, session, closed: close.status, expired, afterExpiry, again, next: getSessionId() };
    });
    assert.equal(outcome.first.result, "one");
    assert.equal(outcome.closed, 200);
    assert.equal(outcome.expired.status, 403);
    assert.equal(outcome.expired.error,
                 "The specified session has expired due to inactivity or was an invalid Session ID");
    assert.equal(outcome.afterExpiry, null);
    assert.equal(outcome.again.result, "three");
    assert.ok(outcome.next && outcome.next !== outcome.session);
  } finally {
    await context.close();
  }
});

test("every method of the generated client answers its outputs", async () => {
  const { context, page } = await openInvoker(browser);
  try {
    // "1" for every argument: a number for integer and currency inputs, a
    // text for text inputs; write methods may refuse it in Erro, but every
    // method must answer a result, never an error.
    const outcome = await page.evaluate(() => {
      const client = new TServerMethods1(null);
      return JSProxyClassList.TServerMethods1.map((name) => {
        const inputs = client[name].length;
        const answer = client[name].apply(client, new Array(inputs).fill("1"));
        return { name, inputs, answer };
      });
    });
    assert.equal(outcome.length, publishedMethods().length);
    for (const { name, inputs, answer } of outcome) {
      assert.equal(answer.error, undefined, `${name}: ${answer.error}`);
      assert.ok("result" in answer, name);
      const outputs = Object.keys(answer).slice(inputs);
      assert.equal(outputs[outputs.length - 1], "result", name);
      if (name.startsWith("Get")) assert.ok(Array.isArray(answer.result.table), name);
    }
  } finally {
    await context.close();
  }
});

test("arguments that are objects travel in the body of a PUT, and a GET refuses them", async () => {
  const { context, page } = await openInvoker(browser);
  const bodies = [];
  page.on("request", (request) => {
    if (request.url().includes("/datasnap/rest/")) bodies.push([request.method(), request.postData()]);
  });
  try {
    const outcome = await page.evaluate(() => {
      const executor = new ServerFunctionExecutor("TServerMethods1", null);
      const parts = executor.getMethodURL("m", "POST", [1, "a b", { k: 1 }, "after"], { t: 5 });
      const put = executor.executeMethod('"EchoString"', "PUT", [{ k: 1 }], null, true);
      const get = executor.executeMethod("EchoString", "GET", [[1, 2]], null, true);
      return { url: parts[0], body: parts[1], put, get };
    });
    assert.match(outcome.url, /\/datasnap\/rest\/TServerMethods1\/m\/1\/a%20b\?t=5$/);
    assert.deepEqual(outcome.body, [{ k: 1 }, "after"]);
    // The server received the object as the method's argument and refused it.
    assert.equal(outcome.put.status, 500);
    assert.match(outcome.put.error, /^Cannot convert JSON value \{"k":1\} input into /);
    assert.deepEqual(bodies, [["PUT", '{"_parameters":[{"k":1}]}']]);
    assert.equal(outcome.get.status, 0);
    assert.match(outcome.get.error, /need a POST or PUT request, not GET/);
  } finally {
    await context.close();
  }
});
