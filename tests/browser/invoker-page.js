// What the browser tests share: the browser, and the method-test page driven
// as an operator would (pick a method, type its arguments, press Call, read
// what the page shows). FIELDSYNC_URL names the running service.

"use strict";

const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { chromium } = require("playwright-core");

const BASE = process.env.FIELDSYNC_URL;
const CHROMIUM = process.env.FIELDSYNC_CHROMIUM || "/usr/bin/chromium";
const REST = BASE + "/datasnap/rest/TServerMethods1/";

async function launchBrowser() {
  assert.ok(BASE, "FIELDSYNC_URL names the running service");
  // /dev/shm may be small or missing in containers; the browser then uses /tmp.
  return chromium.launch({ executablePath: CHROMIUM, headless: true, args: ["--disable-dev-shm-usage"] });
}

// A fresh page (and so a fresh session) on the method-test page; records the
// REST requests it sends with their "Pragma" and "Authorization" headers and
// the answers' "Pragma".
async function openInvoker(browser) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
  const page = await context.newPage();
  const calls = [];
  const pageErrors = [];
  page.on("pageerror", (error) => pageErrors.push(error.message));
  page.on("response", async (response) => {
    if (!response.url().includes("/datasnap/rest/")) return;
    const sent = await response.request().allHeaders();
    calls.push({
      url: response.url(),
      sentPragma: sent["pragma"] || null,
      sentAuthorization: sent["authorization"] || null,
      answerPragma: (await response.allHeaders())["pragma"] || null,
    });
  });
  const answer = await page.goto(BASE + "/ServerFunctionInvoker");
  assert.equal(answer.status(), 200);
  await page.waitForSelector("#methods button");
  return { context, page, calls, pageErrors };
}

// Picks a method, fills its inputs in order, presses Call and waits for the
// answer to be shown.
async function callThroughPage(page, method, args, { asynchronous = false } = {}) {
  await page.click(`#methods button[data-method="${method}"]`);
  const inputs = page.locator("#inputs input");
  assert.equal(await inputs.count(), args.length, `${method} offers one input per argument`);
  for (let i = 0; i < args.length; i++) await inputs.nth(i).fill(args[i]);
  await page.setChecked("#asynchronous", asynchronous);
  await page.click("#call-button");
  await page.waitForFunction(() => /^(Answered|Failed)/.test(document.getElementById("status").textContent));
  return {
    status: await page.textContent("#status"),
    json: JSON.parse(await page.textContent("#json")),
    error: (await page.isVisible("#error")) ? await page.textContent("#error") : null,
  };
}

// The methods the server publishes, in order: the rows of its method table.
function publishedMethods() {
  const table = fs.readFileSync(path.join(__dirname, "..", "..", "rest", "ServerMethodsRegistration.cpp"), "utf8");
  const names = [...table.matchAll(/^\s*Add\(server, serverClass, u"(\w+)"/gm)].map((match) => match[1]);
  assert.ok(names.length > 0, "the method table has rows");
  return names;
}

module.exports = { BASE, REST, launchBrowser, openInvoker, callThroughPage, publishedMethods };
