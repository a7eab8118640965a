// Renders reference jobs with three.js in headless Chromium.
//
//   node threejs_render.mjs <node_modules folder> <job.json>...
//
// Serves the page, three.js and the files the jobs name on 127.0.0.1, opens one headless
// Chromium and, for each job, writes the job's "three_ibl" and "three_light" pictures as PNG.
// Exits 1 when a page reports an error or a job fails.

import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';

const modules = path.resolve(process.argv[2]);
const jobFiles = process.argv.slice(3);
const { chromium } = await import(path.join(modules, 'playwright-core', 'index.mjs'));
const pageFolder = path.dirname(fileURLToPath(import.meta.url));
const threeFolder = path.join(modules, 'three');

const kChromiumFlags = [
  '--headless', '--no-sandbox', '--disable-gpu', '--use-angle=swiftshader',
  '--enable-unsafe-swiftshader', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];
const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.json': 'application/json', '.gltf': 'model/gltf+json', '.glb': 'model/gltf-binary',
  '.bin': 'application/octet-stream', '.png': 'image/png', '.jpg': 'image/jpeg',
  '.jpeg': 'image/jpeg',
};

// Only the page, three.js and the folders of the jobs' models and environment faces are served.
function allowedRoots(jobs) {
  const roots = new Set();
  for (const job of jobs) {
    roots.add(path.dirname(job.model));
    for (const face of Object.values(job.environment.faces)) roots.add(path.dirname(face));
  }
  return [...roots];
}

function resolveUrl(url, roots) {
  const pathname = decodeURIComponent(new URL(url, 'http://host').pathname);
  if (pathname.startsWith('/three/')) return path.join(threeFolder, pathname.slice(7));
  if (pathname.startsWith('/fs/')) {
    const file = path.normalize(pathname.slice(3));
    return roots.some((root) => file.startsWith(root + path.sep)) ? file : null;
  }
  return path.join(pageFolder, path.basename(pathname));
}

function serve(roots) {
  const server = http.createServer((request, response) => {
    if (request.url === '/favicon.ico') {
      response.writeHead(204);
      response.end();
      return;
    }
    const file = resolveUrl(request.url, roots);
    if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) {
    crc ^= byte;
    for (let k = 0; k < 8; ++k) crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
  }
  return (crc ^ 0xffffffff) >>> 0;
}

function chunk(kind, payload) {
  const body = Buffer.concat([Buffer.from(kind, 'ascii'), payload]);
  const length = Buffer.alloc(4);
  length.writeUInt32BE(payload.length);
  const crc = Buffer.alloc(4);
  crc.writeUInt32BE(crc32(body));
  return Buffer.concat([length, body, crc]);
}

// RGBA rows bottom first (as WebGL reads them) to a PNG file, top row first, filter 0.
function writePng(file, width, height, rgba) {
  const stride = width * 4;
  const raw = Buffer.alloc((stride + 1) * height);
  for (let y = 0; y < height; ++y) {
    const from = (height - 1 - y) * stride;
    rgba.copy(raw, y * (stride + 1) + 1, from, from + stride);
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 6, 0, 0, 0], 8);
  fs.writeFileSync(file, Buffer.concat([
    Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]), chunk('IHDR', header),
    chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0)),
  ]));
}

// One page draws every job; what it reports goes into the problems of the job at hand.
async function openPage(browser, origin, problems) {
  const page = await browser.newPage();
  page.on('pageerror', (error) => problems.push(error.message));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`${message.text()} (${message.location().url})`);
  });
  await page.goto(origin + '/page.html');
  await page.waitForFunction(() => window.pageReady === true);
  return page;
}

async function renderJob(page, problems, job) {
  problems.length = 0;
  const pictures = await page.evaluate((j) => window.renderJob(j), job);
  if (problems.length) throw new Error(problems.join('; '));
  for (const [key, file] of [['ibl', job.three_ibl], ['light', job.three_light]]) {
    writePng(file, job.width, job.height, Buffer.from(pictures[key], 'base64'));
  }
}

const jobs = jobFiles.map((file) => JSON.parse(fs.readFileSync(file, 'utf8')));
const server = await serve(allowedRoots(jobs));
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: kChromiumFlags });
const problems = [];
const page = await openPage(browser, origin, problems);
let failed = 0;
for (const job of jobs) {
  try {
    await renderJob(page, problems, job);
    console.log(`three.js rendered ${job.name}`);
  } catch (error) {
    failed += 1;
    console.error(`three.js failed on ${job.name}: ${error.message}`);
  }
}
await browser.close();
server.close();
process.exit(failed ? 1 : 0);
