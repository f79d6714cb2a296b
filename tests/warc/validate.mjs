// Reads a WARC file that trawler-cli wrote with warcio's parser and checks every record.
//
//   node validate.mjs FILE.warc.gz [EXPECTED]
//
// EXPECTED lists the files that should have become records, in order, one per line:
// "address<TAB>local path", fields escaped as trawler-cli list writes them. Files whose local
// copy does not exist are skipped there (the export counts them as missing). Prints one line
// per fault and a summary; the exit status is 1 when there was any fault.
import crypto from "node:crypto";
import fs from "node:fs";
import { WARCParser } from "warcio";

const [warcPath, expectedPath] = process.argv.slice(2);
if (!warcPath) {
  console.error("usage: node validate.mjs FILE.warc.gz [EXPECTED]");
  process.exit(2);
}
const faults = [];
const fault = (where, what) => faults.push(`${where}: ${what}`);

function base32(bytes) {
  const alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  let bits = 0, held = 0, text = "";
  for (const byte of bytes) {
    bits = (bits << 8) | byte;
    held += 8;
    while (held >= 5) {
      held -= 5;
      text += alphabet[(bits >>> held) & 31];
    }
    bits &= 0xff;
  }
  if (held > 0) text += alphabet[(bits << (5 - held)) & 31];
  while (text.length % 8) text += "=";
  return text;
}
const sha1 = (bytes) => "sha1:" + base32(crypto.createHash("sha1").update(bytes).digest());

const unescape = (field) =>
  field.replace(/\\(.)/g, (_, c) => ({ t: "\t", r: "\r", n: "\n" })[c] ?? c);
// A plain log keeps "scheme://host:port" as the folder "scheme=host$port".
const addressURI = (address) =>
  address
    .replace(/^([A-Za-z][A-Za-z0-9+.-]*)=([^/]*)/, (_, s, host) => `${s}://${host.replace(/\$/g, ":")}`)
    .replace(/[\x00-\x20\x7f-\xff"<>]/g, (c) => "%" + c.charCodeAt(0).toString(16).toUpperCase().padStart(2, "0"));

let expected = null;
if (expectedPath) {
  // Byte strings: each byte one character; paths go back to bytes for the file system.
  expected = fs
    .readFileSync(expectedPath, "latin1")
    .split("\n")
    .filter((line) => line !== "")
    .map((line) => line.split("\t").map(unescape))
    .map(([address, path]) => [address, Buffer.from(path, "latin1")])
    .filter(([, path]) => fs.existsSync(path));
}

// First pass: the raw blocks, split and digested here.
const blocks = [];
const raw = new WARCParser(fs.createReadStream(warcPath), { parseHttp: false });
for await (const record of raw) {
  const n = blocks.length;
  const where = `record ${n}`;
  const type = record.warcType;
  const block = Buffer.from(await record.readFully(false));
  const header = (name) => record.warcHeader(name);
  if (record.warcHeaders.protocol !== "WARC/1.1") fault(where, `version ${record.warcHeaders.protocol}`);
  if (!/^<urn:uuid:[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}>$/.test(header("WARC-Record-ID")))
    fault(where, `record id ${header("WARC-Record-ID")}`);
  if (!/^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$/.test(header("WARC-Date") ?? ""))
    fault(where, `date ${header("WARC-Date")}`);
  if (Number(header("Content-Length")) !== block.length)
    fault(where, `Content-Length ${header("Content-Length")} for a block of ${block.length}`);
  if (header("WARC-Block-Digest") !== sha1(block))
    fault(where, `block digest ${header("WARC-Block-Digest")}, computed ${sha1(block)}`);
  if (n === 0) {
    if (type !== "warcinfo") fault(where, `the first record is ${type}`);
    if (!/^software: Trawler \S+\r\n/.test(block.toString("utf8"))) fault(where, "no software field");
    blocks.push({ type });
    continue;
  }
  let payload = block;
  if (type === "response") {
    const end = block.indexOf("\r\n\r\n");
    const head = end < 0 ? "" : block.subarray(0, end).toString("latin1");
    if (!/^HTTP\/\d\.\d \d{3}/.test(head)) fault(where, "no status line");
    if (/^(transfer-encoding|content-encoding):/im.test(head) && !/^content-encoding: *(x-)?gzip$/im.test(head))
      fault(where, "claims an encoding");
    payload = block.subarray(end + 4);
    if (header("Content-Type") !== "application/http;msgtype=response")
      fault(where, `Content-Type ${header("Content-Type")}`);
  } else if (type !== "resource") {
    fault(where, `type ${type}`);
  } else if (!header("Content-Type")) {
    fault(where, "no Content-Type");
  }
  if (header("WARC-Payload-Digest") !== sha1(payload))
    fault(where, `payload digest ${header("WARC-Payload-Digest")}, computed ${sha1(payload)}`);
  const uri = header("WARC-Target-URI") ?? "";
  if (!URL.canParse(uri)) fault(where, `target ${uri}`);
  if (expected) {
    const [address, path] = expected[n - 1] ?? [];
    if (address === undefined) fault(where, `not expected: ${uri}`);
    else if (uri !== addressURI(address)) fault(where, `target ${uri}, expected ${address}`);
    else if (!payload.equals(fs.readFileSync(path))) fault(where, `payload differs from ${path}`);
  }
  blocks.push({ type, payloadDigest: sha1(payload) });
}
if (expected && expected.length !== blocks.length - 1)
  fault("file", `${blocks.length - 1} records for ${expected.length} expected files`);

// Second pass: warcio's own reading of the HTTP headers gives the same records and payloads.
let n = 0;
for await (const record of new WARCParser(fs.createReadStream(warcPath))) {
  const where = `record ${n}`;
  const seen = blocks[n++];
  if (!seen || record.warcType !== seen.type) {
    fault(where, "differs on the second reading");
    continue;
  }
  if (seen.type !== "response") continue;
  if (!record.httpHeaders || !(record.httpHeaders.statusCode >= 100))
    fault(where, "warcio finds no HTTP status");
  const payload = Buffer.from(await record.readFully(false));
  if (sha1(payload) !== seen.payloadDigest) fault(where, "warcio reads another payload");
}
if (n !== blocks.length) fault("file", `the second reading found ${n} records, not ${blocks.length}`);

for (const line of faults) console.log(`FAULT ${line}`);
const counts = {};
for (const { type } of blocks) counts[type] = (counts[type] ?? 0) + 1;
console.log(`${blocks.length} records: ${JSON.stringify(counts)}; ${faults.length} faults`);
process.exit(faults.length ? 1 : 0);
