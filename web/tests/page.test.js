// The page in a real browser: a fixture part split with the library given as
// a folder and as a zip, and in the partial mode, checked against the Linux
// build's output; and a bad input, which must show the program's message.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { expect, test } from '@playwright/test';
import { zipSync } from 'fflate';

const repo = path.resolve(import.meta.dirname, '../..');
const library = path.join(repo, 'tests/data/library');
const part = path.join(library, 'parts/block.dat');
const linux = path.resolve(repo, process.env.HALVEX_LINUX ?? 'build/halvex');

// The output file the Linux build writes for `args` (options, then the
// input, the output's name last).
function linuxOutput(args) {
  const folder = mkdtempSync(path.join(tmpdir(), 'halvex-web-'));
  try {
    execFileSync(linux, args, { cwd: folder, input: '' });
  } catch (error) {
    if (error.status !== 0) throw error;
  }
  return readFileSync(path.join(folder, args[args.length - 1]));
}

function filesBelow(folder, prefix = '') {
  const files = {};
  for (const name of readdirSync(folder)) {
    const full = path.join(folder, name);
    if (statSync(full).isDirectory()) Object.assign(files, filesBelow(full, `${prefix}${name}/`));
    else files[prefix + name] = readFileSync(full);
  }
  return files;
}

// Non-background pixels of the view's left and right halves.
async function pixelCounts(page) {
  return page.evaluate(() => {
    const view = window.halvexView;
    view.render();
    const source = view.canvas;
    const canvas = document.createElement('canvas');
    canvas.width = source.width;
    canvas.height = source.height;
    const context = canvas.getContext('2d');
    context.drawImage(source, 0, 0);
    const { data } = context.getImageData(0, 0, canvas.width, canvas.height);
    const background = [0x1d, 0x21, 0x27];
    const counts = { left: 0, right: 0 };
    for (let y = 0; y < canvas.height; ++y) {
      for (let x = 0; x < canvas.width; ++x) {
        const k = 4 * (y * canvas.width + x);
        const differs = Math.abs(data[k] - background[0]) + Math.abs(data[k + 1] - background[1]) +
                        Math.abs(data[k + 2] - background[2]) > 30;
        if (differs) counts[x < canvas.width / 2 ? 'left' : 'right'] += 1;
      }
    }
    return counts;
  });
}

async function split(page) {
  await page.click('#run');
  await expect(page.locator('body')).toHaveAttribute('data-state', /done|failed/, { timeout: 60000 });
}

test('splits a part with the library as a folder, and writes what the command line writes', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await expect(page.locator('#library')).toContainText('parts');
  await page.setInputFiles('#input', part);
  // The default options: one plane x = 0, keep x > 0, cut (-ca), expand (-s).
  await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca -s block.dat block.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  const report = page.locator('#report');
  await expect(report).toContainText('Cut elements by splitter plane');
  await expect(report).toContainText('Expanding subfiles');
  await expect(report).toContainText('Saving /out/block.dat');

  const download = page.waitForEvent('download');
  await page.click('#download');
  const saved = readFileSync(await (await download).path());
  const expected = linuxOutput(['-x+', '-ca', '-s', '-l', library, part, 'out.dat']);
  expect(saved.equals(expected)).toBe(true);

  // The kept half (x > 0) is on the right of the view; with the removed part
  // and the plane hidden, the left half is nearly empty.
  await page.click('[data-view=front]');
  await page.uncheck('#showPlanes');
  await page.uncheck('#showRemoved');
  const kept = await pixelCounts(page);
  expect(kept.right).toBeGreaterThan(2000);
  expect(kept.right).toBeGreaterThan(4 * kept.left);
  await page.check('#showRemoved');
  const both = await pixelCounts(page);
  expect(both.left).toBeGreaterThan(kept.left + 1000);
});

test('reads the library from a zip file and keeps the other side', async ({ page }) => {
  const zip = zipSync(Object.fromEntries(
    Object.entries(filesBelow(library)).map(([name, bytes]) => [`ldraw/${name}`, bytes])));
  await page.goto('./');
  await page.setInputFiles('#libraryZip', { name: 'complete.zip', mimeType: 'application/zip',
                                            buffer: Buffer.from(zip) });
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', part);
  await page.selectOption('.plane .keep', '-');
  await page.fill('.plane .value', '2.5');
  await page.selectOption('#deleteMode', '-di');
  await page.check('#verify');
  await expect(page.locator('#commandLine')).toHaveText('halvex -x-- 2.5 -di -ca -v -s block.dat block.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  const download = page.waitForEvent('download');
  await page.click('#download');
  const saved = readFileSync(await (await download).path());
  expect(saved.equals(linuxOutput(['-x--', '2.5', '-di', '-ca', '-v', '-s', '-l', library, part, 'out.dat'])))
    .toBe(true);
  await page.click('[data-view=front]');
  await page.uncheck('#showPlanes');
  await page.uncheck('#showRemoved');
  const kept = await pixelCounts(page);
  expect(kept.left).toBeGreaterThan(2 * kept.right);
});

test('a bad input shows the program\'s message', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#input', part);
  await page.fill('#precision', '-1');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 1');
  await expect(page.locator('#report')).toContainText('Invalid precision');
  await expect(page.locator('#download')).toBeHidden();
  // The page still works: a good run after the bad one.
  await page.fill('#precision', '');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
});

test('the partial mode writes what the command line writes with -e', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', part);
  await page.check('#partial');
  await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca -e block.dat block.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  await expect(page.locator('#report')).toContainText('Subfiles kept whole');

  const download = page.waitForEvent('download');
  await page.click('#download');
  const saved = readFileSync(await (await download).path());
  const expected = linuxOutput(['-x+', '-ca', '-e', '-l', library, part, 'out.dat']);
  expect(saved.equals(expected)).toBe(true);
});
