// The operator's sync-activity page in Debian's Chromium, over the real
// executable and the demo database (run.py starts both and passes
// FIELDSYNC_URL). A short morning is played from several loopback addresses
// (handhelds behind mobile networks), then the page is opened from this
// machine, as the tray's "Sync activity" opens it, and photographed.

"use strict";

const { test, before, after } = require("node:test");
const assert = require("node:assert/strict");
const http = require("node:http");
const path = require("node:path");
const fs = require("node:fs");
const { chromium } = require("playwright-core");

const BASE = process.env.FIELDSYNC_URL;
const CHROMIUM = process.env.FIELDSYNC_CHROMIUM || "/usr/bin/chromium";
const SCREENSHOT = process.env.FIELDSYNC_ACTIVITY_SCREENSHOT;
const REST = "/datasnap/rest/TServerMethods1/";
const ORDER = (rep, palm, date) =>
  `SetPedido/${rep}/${palm}/1/1/1/1/1/1/1/1/1/1/${date}/x/x/x/x/x/x/x/x/x/x/x/x/x/x/x/2.5`;
const ITEM = (rep, palm, unit) => `SetItensPedido/${rep}/${palm}/${unit}/1/2.5/2.5/0/2.5/x`;

let browser;

before(async () => {
  assert.ok(BASE, "FIELDSYNC_URL names the running service");
  browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: ["--disable-dev-shm-usage"] });
});

after(async () => {
  if (browser) await browser.close();
});

// One GET from a given loopback address, with the handheld's session.
function get(address, path, session) {
  const url = new URL(BASE + REST + path);
  return new Promise((resolve, reject) => {
    const request = http.get(
      { host: url.hostname, port: url.port, path: url.pathname, localAddress: address,
        headers: session ? { Pragma: `dssession=${session}` } : {} },
      (response) => {
        let body = "";
        response.on("data", (chunk) => (body += chunk));
        response.on("end", () => {
          const match = /dssession=([0-9.]+)/.exec(response.headers["pragma"] || "");
          resolve({ status: response.statusCode, body, session: match ? match[1] : null });
        });
      });
    request.on("error", reject);
  });
}

// A handheld: its session kept, its address as the network gives it.
function handheld(address) {
  const device = {
    address,
    session: null,
    async call(path, status, newAddress) {
      if (newAddress) device.address = newAddress;
      const answer = await get(device.address, path, device.session);
      device.session = device.session || answer.session;
      assert.equal(answer.status, status, `${path}: ${answer.body.slice(0, 200)}`);
      return answer;
    },
  };
  return device;
}

test("the page answers who has synced today and who has not, by representative", async () => {
  const joao = handheld("127.0.0.2"), antonio = handheld("127.0.0.2"), maria = handheld("127.0.0.3");
  await joao.call("GetCliente/1", 200);
  await antonio.call("GetCliente/3", 200);
  await joao.call("GetProduto", 200);
  await joao.call("GetTabelaPrecoRep/1", 200);
  await joao.call(ORDER(1, 81001, "10%2F12%2F2026"), 200);
  await joao.call(ITEM(1, 81001, 1), 200);
  await maria.call("GetCliente/2", 200);
  await maria.call(ORDER(2, 82001, "32%2F13%2F2026"), 200);
  await maria.call(ORDER(2, 82001, "10%2F12%2F2026"), 200, "127.0.0.4");
  await maria.call(ITEM(2, 82001, "x"), 500);
  await antonio.call("GetTabelaPrecoRep/3", 200);

  const context = await browser.newContext({ viewport: { width: 1920, height: 1000 } });
  try {
    const page = await context.newPage();
    const answer = await page.goto(BASE + "/SyncActivity");
    assert.equal(answer.status(), 200);
    assert.equal(await page.title(), "fieldsync: sync activity");
    // The names are read from REPRESENTANTE at start; a reload after that
    // read shows them.
    for (let i = 0; i < 60 && !(await page.isVisible("text=Names as read from REPRESENTANTE")); i++) {
      await page.waitForTimeout(500);
      await page.reload();
    }
    const rows = await page.$$eval("table.representatives tr", (trs) =>
      trs.slice(1).map((tr) => Array.from(tr.cells, (c) => c.innerText.trim())));
    const byId = Object.fromEntries(rows.map((row) => [row[0], row]));
    for (const id of ["1", "2", "3"]) assert.ok(byId[id], `representative ${id} has a row`);
    assert.equal(byId["1"][1], "João Carlos Ribeiro");
    assert.equal(byId["2"][1], "Maria Aparecida D'Ávila");
    assert.deepEqual(byId["2"][3].split("\n"), ["127.0.0.4", "127.0.0.3"], "one representative, two addresses");
    // The method-test page's tests call for representative 1 from 127.0.0.1
    // meanwhile; representatives 2 and 3 are this script's alone.
    assert.ok(byId["1"][3].split("\n").includes("127.0.0.2"));
    assert.equal(byId["3"][3], "127.0.0.2");
    const failed = await page.$$eval("table.representatives tr", (trs) =>
      trs.filter((tr) => tr.cells[0].innerText.trim() === "2").map((tr) => tr.querySelectorAll(".failed").length));
    assert.deepEqual(failed, [1], "the order sent again left the failed list; the item did not");

    const notSynced = await page.$$eval("table.notsynced tr", (trs) =>
      trs.slice(1).map((tr) => tr.cells[0].innerText.trim()));
    assert.ok(notSynced.includes("2"), "a failed upload not put right");
    assert.ok(!notSynced.includes("4"), "a deleted representative is never waited for");
    assert.ok(!notSynced.includes("3"), "synced, and of another branch");

    if (SCREENSHOT) {
      fs.mkdirSync(path.dirname(SCREENSHOT), { recursive: true });
      await page.screenshot({ path: SCREENSHOT, fullPage: true });
      assert.ok(fs.statSync(SCREENSHOT).size > 10000);
    }
  } finally {
    await context.close();
  }
});
