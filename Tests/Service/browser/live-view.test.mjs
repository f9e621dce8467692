// Signs in with the printed password, links an Archicad installation on the login page, then
// watches the live view take in a newly posted picture without reloading, all in headless Chromium
// against the real service.
import assert from "node:assert/strict";
import { spawn } from "node:child_process";
import { createHash, randomUUID } from "node:crypto";
import { mkdirSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import https from "node:https";
import { tmpdir } from "node:os";
import { join } from "node:path";
import tls from "node:tls";
import { chromium } from "playwright-core";

const binDir = process.env.KAVELO_BIN_DIR;
const artifactDir = process.env.KAVELO_ARTIFACT_DIR ?? join(process.cwd(), "artifacts");
const chromiumPath = process.env.KAVELO_CHROMIUM ?? "/usr/bin/chromium";
if (!binDir) {
  console.error("KAVELO_BIN_DIR is not set");
  process.exit(2);
}

const scratch = mkdtempSync(join(tmpdir(), "kavelo-browser-test-"));
let serviceLog = "";

// Starts kavelo-service on a free port; resolves once it prints where it listens.
function startService() {
  const child = spawn(join(binDir, "kavelo-service"),
    ["--data-dir", join(scratch, "data"), "--listen", "127.0.0.1:0"], { stdio: ["ignore", "pipe", "pipe"] });
  child.stderr.on("data", (chunk) => { serviceLog += chunk; });
  return new Promise((resolve, reject) => {
    let output = "";
    const timer = setTimeout(() => reject(new Error("the service did not start:\n" + output)), 20000);
    child.on("exit", (code) => reject(new Error(`the service exited with ${code}:\n${output}`)));
    child.stdout.on("data", (chunk) => {
      output += chunk;
      const listening = output.match(/^listening on https:\/\/127\.0\.0\.1:(\d+)$/m);
      const authority = output.match(/^CA certificate: (.+)$/m);
      const account = output.match(/^account (\S+), password (\S+)$/m);
      if (listening && authority && account) {
        clearTimeout(timer);
        resolve({ child, port: Number(listening[1]), ca: readFileSync(authority[1]), user: account[1],
          password: account[2] });
      }
    });
  });
}

// Connects with the printed authority as the only trusted one, and returns the base64 SHA-256 of
// the server key, for Chromium to accept this one certificate and nothing else.
function serverKeyPin({ port, ca }) {
  return new Promise((resolve, reject) => {
    const socket = tls.connect({ host: "127.0.0.1", port, ca, servername: "localhost" }, () => {
      const key = socket.getPeerX509Certificate().publicKey.export({ type: "spki", format: "der" });
      socket.end();
      resolve(createHash("sha256").update(key).digest("base64"));
    });
    socket.on("error", reject);
  });
}

function upload({ port, ca }, linkId, jpeg) {
  const body = JSON.stringify({
    image: "data:image/jpeg;base64," + jpeg.toString("base64"), name: "Archicad export", source: "archicad",
  });
  return new Promise((resolve, reject) => {
    const request = https.request({
      host: "127.0.0.1", port, ca, servername: "localhost", method: "POST", path: "/api/v1/images",
      headers: { "X-Api-Key": linkId, "Content-Length": Buffer.byteLength(body) },
    }, (response) => {
      let text = "";
      response.on("data", (chunk) => { text += chunk; });
      response.on("end", () => resolve({ status: response.statusCode, body: text }));
    });
    request.on("error", reject);
    request.end(body);
  });
}

async function postPicture(service, linkId, jpeg) {
  const answer = await upload(service, linkId, jpeg);
  assert.equal(answer.status, 201, "upload: " + answer.body);
  return JSON.parse(answer.body.split("\n")[0]).id;
}

const imageSource = (id) => document.getElementById("live-image").src.endsWith("/api/v1/images/" + id);

async function main() {
  const service = await startService();
  const origin = `https://127.0.0.1:${service.port}`;
  const profile = join(scratch, "profile");
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: chromiumPath,
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--ignore-certificate-errors-spki-list=" + await serverKeyPin(service)],
  });
  const page = context.pages()[0] ?? await context.newPage();
  let checks = 0;
  try {
    // The login page asks to sign in first, comes back, and links the installation with its button.
    const linkId = randomUUID();
    assert.equal((await upload(service, linkId, Buffer.from("x"))).status, 401);
    await page.goto(`${origin}/login?eid=${linkId}`);
    await page.getByRole("heading", { name: "Sign in to KAVELO" }).waitFor();
    await page.getByLabel("User name").fill(service.user);
    await page.getByLabel("Password").fill(service.password + "x");
    await page.getByRole("button", { name: "Sign in" }).click();
    await page.getByText("The user name or password is wrong.").waitFor();
    await new Promise((resolve) => setTimeout(resolve, 1100)); // a wrong password slows the next try
    await page.getByLabel("User name").fill(service.user);
    await page.getByLabel("Password").fill(service.password);
    await page.getByRole("button", { name: "Sign in" }).click();
    await page.waitForURL(`${origin}/login?eid=${linkId}`);
    assert.equal(await page.getByText(linkId).count(), 0, "the page shows the whole key");
    await page.getByRole("button", { name: "Link Archicad to my account" }).click();
    await page.getByRole("heading", { name: "Archicad is linked" }).waitFor();
    checks++;

    // Real JPEGs, made by the browser itself.
    const first = await postPicture(service, linkId, await page.screenshot({ type: "jpeg", quality: 80 }));
    checks++;

    // The live view opens on the newest picture...
    await page.getByRole("link", { name: "Open the live view" }).click();
    await page.waitForURL(`${origin}/?uploadRealtime=true`);
    assert.ok(await page.evaluate(imageSource, first), "the live view does not show the newest picture");
    await page.getByText("Live: new exports from Archicad appear here.").waitFor();
    checks++;

    // ...and takes in the next one without a reload.
    await page.evaluate(() => { window.kaveloMarker = "same page"; });
    const second = await postPicture(service, linkId, await page.screenshot({ type: "jpeg", quality: 60 }));
    await page.waitForFunction((id) => {
      const image = document.getElementById("live-image");
      return image.src.endsWith("/api/v1/images/" + id) && image.complete && image.naturalWidth > 0;
    }, second, { timeout: 15000 });
    assert.equal(await page.evaluate(() => window.kaveloMarker), "same page", "the page was reloaded");
    mkdirSync(artifactDir, { recursive: true });
    await page.screenshot({ path: join(artifactDir, "service-live-view.png") });
    checks++;

    // An unknown picture id gets a message, and the page still follows new pictures.
    await page.goto(`${origin}/?uploadRealtime=true&imageId=AAAAAAAAAAAAAAAAAAAAAA`);
    await page.getByText("The picture this link names is not here").waitFor();
    assert.equal(await page.locator("#live-figure").isHidden(), true);
    await page.getByText("Live: new exports from Archicad appear here.").waitFor();
    const third = await postPicture(service, linkId, await page.screenshot({ type: "jpeg" }));
    await page.waitForFunction(imageSource, third, { timeout: 15000 });
    assert.equal(await page.locator("#live-notice").isHidden(), true);
    checks++;

    // The account page lists the installation by a short prefix; signing out ends the session.
    await page.goto(`${origin}/account`);
    await page.getByText(linkId.slice(0, 8) + "…").waitFor();
    assert.equal(await page.getByText(linkId).count(), 0, "the account page shows the whole key");
    await page.getByRole("button", { name: "Sign out" }).click();
    await page.getByRole("heading", { name: "Sign in to KAVELO" }).waitFor();
    const picture = await page.goto(`${origin}/api/v1/images/${third}`);
    assert.ok(picture.url().startsWith(`${origin}/signin?next=`), "a picture is shown without a session");
    checks++;
  } catch (error) {
    mkdirSync(artifactDir, { recursive: true });
    await page.screenshot({ path: join(artifactDir, "service-browser-failure.png") }).catch(() => {});
    throw error;
  } finally {
    await context.close();
    service.child.kill("SIGTERM");
  }
  const code = await new Promise((resolve) => service.child.on("exit", resolve));
  assert.equal(code, 0, "the service did not stop cleanly");
  console.log(`${checks + 1} passed, 0 failed`);
}

main()
  .catch((error) => {
    console.error(error);
    console.error("service log:\n" + serviceLog);
    process.exitCode = 1;
  })
  .finally(() => rmSync(scratch, { recursive: true, force: true }));
