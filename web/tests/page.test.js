// The page in a real browser: a fixture part split with the library given as
// a folder (also among 28,000 other files) and as a zip, in the partial mode
// and with a splitter file, checked against the Linux build's output; an
// MPD; values the program refuses, which must get its own message; runs
// whose subfiles are not found, which must say so; and archives and entries
// that cannot be read, named; and a cut closed with faces, seen from the
// removed side. (The check: check.test.js.)
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { expect, test } from '@playwright/test';
import { TextReader, Uint8ArrayReader, Uint8ArrayWriter, ZipWriter, configure } from '@zip.js/zip.js/lib/zip-core-native.js';
import { linux, pixelCounts, repo } from './helpers.js';

const library = path.join(repo, 'tests/data/library');
const part = path.join(library, 'parts/block.dat');

// The output file the Linux build writes for `args` (options, then the
// input, the output's name last).
function linuxOutput(args) {
  const folder = mkdtempSync(path.join(tmpdir(), 'halvex-web-'));
  try {
    try {
      execFileSync(linux, args, { cwd: folder, input: '' });
    } catch (error) {
      if (error.status !== 0) throw error;
    }
    return readFileSync(path.join(folder, args[args.length - 1]));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
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

configure({ useWebWorkers: false });

// A zip archive (Buffer) of `files`, names to bytes or text; stored (not
// deflated) with `stored`.
async function zipOf(files, stored = false) {
  const writer = new ZipWriter(new Uint8ArrayWriter());
  for (const [name, content] of Object.entries(files)) {
    const reader = typeof content === 'string' ? new TextReader(content) : new Uint8ArrayReader(content);
    await writer.add(name, reader, { level: stored ? 0 : 6 });
  }
  return Buffer.from(await writer.close());
}

async function split(page) {
  await page.click('#run');
  await expect(page.locator('body')).toHaveAttribute('data-state', /done|failed/, { timeout: 60000 });
}

// The LDraw files the page asks its server for: the view must ask for none.
function fetchedLdrawFiles(page) {
  const fetched = [];
  page.on('request', (request) => {
    if (/\.(dat|ldr|mpd)$/i.test(new URL(request.url()).pathname)) fetched.push(request.url());
  });
  return fetched;
}

async function downloaded(page) {
  const download = page.waitForEvent('download');
  await page.click('#download');
  return { name: (await download).suggestedFilename(), bytes: readFileSync(await (await download).path()) };
}

// Whether `selector` is in sight without scrolling: inside the window, and
// the element under its centre.
async function inSight(page, selector) {
  return page.locator(selector).evaluate((element) => {
    const box = element.getBoundingClientRect();
    const x = box.left + box.width / 2;
    const y = box.top + box.height / 2;
    return box.bottom <= window.innerHeight && box.right <= window.innerWidth &&
           element.contains(document.elementFromPoint(x, y));
  });
}

test('splits a part with the library as a folder, and writes what the command line writes', async ({ page }) => {
  const fetched = fetchedLdrawFiles(page);
  await page.goto('./');
  // Split stays in sight at 1280 x 800, and so does Download once it shows.
  expect(await inSight(page, '#run')).toBe(true);
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await expect(page.locator('#library')).toHaveText('library: 3 parts, 26 files, no LDConfig.ldr (basic colours)');
  await page.setInputFiles('#input', part);
  // The default options: one plane x = 0, keep x > 0, cut (-ca), expand (-s);
  // the library's folder as -l, the output named after the input.
  await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca -s -l library block.dat block-cut.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  await expect(page.locator('#notice')).toBeEmpty();
  const report = page.locator('#report');
  await expect(report).toContainText('Cut elements by splitter plane');
  await expect(report).toContainText('Expanding subfiles');
  await expect(report).toContainText('Saving /out/block-cut.dat');
  await expect(report).not.toContainText('Press <Enter>');
  expect(await inSight(page, '#run')).toBe(true);
  expect(await inSight(page, '#download')).toBe(true);

  const saved = await downloaded(page);
  expect(saved.name).toBe('block-cut.dat');
  expect(saved.bytes.equals(linuxOutput(['-x+', '-ca', '-s', '-l', library, part, 'out.dat']))).toBe(true);

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

  // Without -s the view places the library's subfiles itself, named as the
  // part names them (S\BLOCKS01.DAT, s\blocks01.dat), and fetches none.
  await page.uncheck('#expand');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('shown after');
  await expect(page.locator('#notice')).toBeEmpty();
  await page.click('[data-view=front]');
  await page.uncheck('#showRemoved');
  expect((await pixelCounts(page)).right).toBeGreaterThan(2000);
  expect(fetched).toEqual([]);
});

test('reads the library from a zip file and keeps the other side', async ({ page }) => {
  const zip = await zipOf(Object.fromEntries(
    Object.entries(filesBelow(library)).map(([name, bytes]) => [`ldraw/${name}`, bytes])));
  await page.goto('./');
  await page.setInputFiles('#libraryZip', { name: 'complete.zip', mimeType: 'application/zip', buffer: zip });
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', part);
  await page.selectOption('.plane .keep', '-');
  await page.fill('.plane .value', '2.5');
  await page.selectOption('#deleteMode', '-di');
  await page.check('#verify');
  await expect(page.locator('#commandLine'))
    .toHaveText('halvex -x-- 2.5 -di -ca -v -s -l complete.zip block.dat block-cut.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  const saved = await downloaded(page);
  expect(saved.bytes.equals(linuxOutput(['-x--', '2.5', '-di', '-ca', '-v', '-s', '-l', library, part, 'out.dat'])))
    .toBe(true);
  await page.click('[data-view=front]');
  await page.uncheck('#showPlanes');
  await page.uncheck('#showRemoved');
  const kept = await pixelCounts(page);
  expect(kept.left).toBeGreaterThan(2 * kept.right);
});

test('an archive that is not one says so', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#libraryZip', { name: 'complete.zip', mimeType: 'application/zip',
                                            buffer: Buffer.from('not an archive') });
  await expect(page.locator('body')).toHaveAttribute('data-library', 'failed');
  await expect(page.locator('#library')).toHaveText('complete.zip cannot be read: it is not a zip archive');
});

// The archive's entries are checked when a run reads them: one whose data
// does not match its CRC-32, one compressed by a method other than stored
// and deflate, and an encrypted one are each refused, named; the good entry
// beside them is read.
test('an archive entry that is damaged, compressed otherwise or encrypted is refused, named', async ({ page }) => {
  const square = (marker) => `0 ${marker}\r\n4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10\r\n`;
  const zip = await zipOf({
    'ldraw/parts/fine.dat': square('Fine'),
    'ldraw/parts/crc.dat': square('Damaged'),
    'ldraw/parts/method.dat': square('Method'),
    'ldraw/parts/locked.dat': square('Locked'),
  }, true);
  // Stored, the data is the text itself: one letter changed breaks the CRC.
  zip[zip.indexOf('Damaged')] = 'd'.charCodeAt(0);
  // The central directory's headers (APPNOTE 4.3.12) name each entry and
  // give its local header (4.3.7); both hold the flags and the method.
  for (let at = zip.indexOf('PK\x01\x02'); at >= 0; at = zip.indexOf('PK\x01\x02', at + 4)) {
    const name = zip.toString('latin1', at + 46, at + 46 + zip.readUInt16LE(at + 28));
    const local = zip.readUInt32LE(at + 42);
    if (name.endsWith('method.dat')) {
      zip.writeUInt16LE(12, at + 10);
      zip.writeUInt16LE(12, local + 8);
    } else if (name.endsWith('locked.dat')) {
      zip.writeUInt16LE(zip.readUInt16LE(at + 8) | 1, at + 8);
      zip.writeUInt16LE(zip.readUInt16LE(local + 6) | 1, local + 6);
    }
  }
  await page.goto('./');
  await page.setInputFiles('#libraryZip', { name: 'complete.zip', mimeType: 'application/zip', buffer: zip });
  await expect(page.locator('#library')).toHaveText('complete.zip: 4 parts, 4 files, no LDConfig.ldr (basic colours)');
  for (const [file, outcome] of [
    ['crc.dat', 'complete.zip: the entry ldraw/parts/crc.dat cannot be read: its CRC-32 does not match its data'],
    ['method.dat', 'complete.zip: the entry ldraw/parts/method.dat cannot be read: it is compressed by method 12'],
    ['locked.dat', 'complete.zip: the entry ldraw/parts/locked.dat cannot be read: it is encrypted'],
    ['fine.dat', 'Exit code 0'],
  ]) {
    await page.setInputFiles('#input', { name: 'placing.dat', mimeType: 'text/plain',
                                         buffer: Buffer.from(`1 16 0 0 0 1 0 0 0 1 0 0 0 1 ${file}\r\n`) });
    await split(page);
    await expect(page.locator('#outcome')).toContainText(outcome);
  }
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

test.describe('in an en-US browser', () => {
  test.use({ locale: 'en-US' });

  // Each value goes to the program as typed, which refuses it in its own
  // words; none is replaced by another (a plane at 0, precision 1).
  test('a value the program cannot read gets its message', async ({ page }) => {
    await page.goto('./');
    await page.setInputFiles('#input', part);
    for (const [field, typed, option, message] of [
      ['.plane .value', '1e999', '-x++ 1e999', 'Invalid plane value 1e999'],
      ['.plane .value', '-', '-x++ -', 'Invalid plane value -'],
      ['#precision', '0,01', '-p 0,01', 'Invalid precision 0,01'],
    ]) {
      await page.fill('.plane .value', '');
      await page.fill('#precision', '');
      await page.locator(field).pressSequentially(typed);
      await expect(page.locator('#commandLine')).toContainText(` ${option} `);
      await split(page);
      await expect(page.locator('#outcome')).toContainText('Exit code 1');
      await expect(page.locator('#report')).toContainText(message);
    }
  });
});

test('the partial mode writes what the command line writes with -e', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', part);
  await page.check('#partial');
  await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca -e -l library block.dat block-cut.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  await expect(page.locator('#report')).toContainText('Subfiles kept whole');

  const saved = await downloaded(page);
  expect(saved.bytes.equals(linuxOutput(['-x+', '-ca', '-e', '-l', library, part, 'out.dat']))).toBe(true);
});

test('ready for an author, the page writes what the command line writes with -a', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', part);
  await page.check('#partial');
  await page.check('#author');
  await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca -e -a -l library block.dat block-cut.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  await expect(page.locator('#report')).toContainText('Outline edge lines added');

  const saved = await downloaded(page);
  expect(saved.bytes.equals(linuxOutput(['-x+', '-ca', '-e', '-a', '-l', library, part, 'block-cut.dat']))).toBe(true);
});

// The view turned to look at the model's centre along +x (from x < 0, the
// side -x+ removes), and the colour of the pixel in its middle.
async function colourSeenAlongX(page) {
  return page.evaluate(() => {
    const view = window.halvexView;
    const { camera, controls } = view;
    const distance = camera.position.distanceTo(controls.target);
    camera.position.set(controls.target.x - distance, controls.target.y, controls.target.z);
    controls.update();
    view.render();
    const source = view.canvas;
    const canvas = document.createElement('canvas');
    canvas.width = source.width;
    canvas.height = source.height;
    const context = canvas.getContext('2d');
    context.drawImage(source, 0, 0);
    const x = Math.floor(canvas.width / 2);
    const y = Math.floor(canvas.height / 2);
    return [...context.getImageData(x, y, 1, 1).data.slice(0, 3)];
  });
}

test('closing the cut, the cut side shows a solid section in the colour given', async ({ page }) => {
  const box = path.join(repo, 'tests/data/cases/caps_box/in/box.dat');
  await page.goto('./');
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', box);
  await page.uncheck('#showRemoved');
  await page.uncheck('#showPlanes');
  const background = [0x1d, 0x21, 0x27];
  const away = (colour) => colour.reduce((sum, value, k) => sum + Math.abs(value - background[k]), 0);

  // Open: looking into the cut, the walls are seen from behind, culled,
  // and the background shows through.
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  expect(away(await colourSeenAlongX(page))).toBeLessThan(30);

  await page.check('#caps');
  await page.fill('#capColour', '4');
  await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca -s -ff 4 -l library box.dat box-cut.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  await expect(page.locator('#report')).toContainText('1 Regions closed');
  const seen = await colourSeenAlongX(page);
  expect(away(seen)).toBeGreaterThan(60);
  expect(seen[0]).toBeGreaterThan(seen[1] + 40);  // red, the colour 4 of the faces
  expect(seen[0]).toBeGreaterThan(seen[2] + 40);

  const saved = await downloaded(page);
  expect(saved.bytes.equals(linuxOutput(['-x+', '-ca', '-s', '-ff', '4', '-l', library, box, 'box-cut.dat']))).toBe(true);
});

test('with a splitter file, the faint part is what the splitter file removes', async ({ page }) => {
  const folder = mkdtempSync(path.join(tmpdir(), 'halvex-web-'));
  const splitterFile = path.join(folder, 'plane.dat');
  // The plane x = 0 as a quadrilateral, and no axis plane.
  writeFileSync(splitterFile, '0 Splitter\r\n4 16 0 -100 -100 0 -100 100 0 100 100 0 100 -100\r\n');
  await page.goto('./');
  await page.setInputFiles('#libraryFolder', library);
  await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
  await page.setInputFiles('#input', part);
  await page.setInputFiles('#splitter', splitterFile);
  await page.click('.plane button');
  await expect(page.locator('#commandLine')).toHaveText('halvex -ca -s -l library block.dat plane.dat block-cut.dat');
  await split(page);
  await expect(page.locator('#outcome')).toContainText('shown after');
  const saved = await downloaded(page);
  expect(saved.bytes.equals(linuxOutput(['-ca', '-s', '-l', library, part, splitterFile, 'out.dat']))).toBe(true);
  rmSync(folder, { recursive: true });

  await page.click('[data-view=front]');
  await page.uncheck('#showPlanes');
  await page.uncheck('#showRemoved');
  const kept = await pixelCounts(page);
  const [keptSide, otherSide] = kept.left > kept.right ? ['left', 'right'] : ['right', 'left'];
  expect(kept[keptSide]).toBeGreaterThan(2000);
  expect(kept[keptSide]).toBeGreaterThan(4 * kept[otherSide]);
  await page.check('#showRemoved');
  const both = await pixelCounts(page);
  expect(both[otherSide]).toBeGreaterThan(kept[otherSide] + 1000);
});

test('an MPD shows its first file', async ({ page }) => {
  const fetched = fetchedLdrawFiles(page);
  const mpd = ['0 FILE main.ldr', '0 Main model', '1 4 0 0 0 1 0 0 0 1 0 0 0 1 sub.ldr',
               '1 14 40 0 0 1 0 0 0 1 0 0 0 1 sub.ldr', '0 NOFILE', '0 FILE sub.ldr', '0 A square',
               '4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10', '3 16 -10 0 -10 10 -20 -10 10 0 10',
               '0 NOFILE', ''].join('\r\n');
  await page.goto('./');
  await page.setInputFiles('#input', { name: 'cut.mpd', mimeType: 'text/plain', buffer: Buffer.from(mpd) });
  // Inlined where the plane crosses (-e), then as it is (the square at
  // x = 40 placed from the embedded file).
  await page.check('#partial');
  for (const expanded of [true, false]) {
    if (!expanded) {
      await page.uncheck('#partial');
      await page.uncheck('#expand');
    }
    await split(page);
    await expect(page.locator('#outcome')).toContainText('shown after');
    await expect(page.locator('#notice')).toBeEmpty();
    await page.click('[data-view=top]');
    await page.uncheck('#showPlanes');
    await page.uncheck('#showRemoved');
    expect((await pixelCounts(page)).right).toBeGreaterThan(2000);
    await page.check('#showRemoved');
    await page.check('#showPlanes');
  }
  expect(fetched).toEqual([]);
});

test('a textured part is cut as the command line cuts it, and the page says that textures are not shown', async ({ page }) => {
  const tile = ['0 A printed tile', '0 BFC CERTIFY CCW',
                '0 !TEXMAP START PLANAR -10 0 -10 10 0 -10 -10 0 10 tile.png',
                '0 !: 4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10', '0 !TEXMAP FALLBACK',
                '4 15 -10 0 -10 10 0 -10 10 0 10 -10 0 10', '0 !TEXMAP END', ''].join('\r\n');
  const folder = mkdtempSync(path.join(tmpdir(), 'halvex-web-'));
  try {
    writeFileSync(path.join(folder, 'tile.dat'), tile);
    await page.goto('./');
    await page.setInputFiles('#input', { name: 'tile.dat', mimeType: 'text/plain', buffer: Buffer.from(tile) });
    await page.uncheck('#expand');
    await expect(page.locator('#commandLine')).toHaveText('halvex -x+ -ca tile.dat tile-cut.dat');
    await split(page);
    await expect(page.locator('#outcome')).toContainText('shown after');
    await expect(page.locator('#notice')).toHaveText(
      'Textures are not shown: the view draws the geometry meant for programs without textures. ' +
      'The output file keeps both, cut alike.');
    const saved = await downloaded(page);
    expect(saved.bytes.equals(linuxOutput(['-x+', '-ca', path.join(folder, 'tile.dat'), 'out.dat']))).toBe(true);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});

test('without a library, the page says that subfiles were not found and how to give them', async ({ page }) => {
  const fetched = fetchedLdrawFiles(page);
  await page.goto('./');
  await page.setInputFiles('#input', part);
  await split(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0');
  const notice = page.locator('#notice');
  // The program's report says the same: 2 not found (S\BLOCKS01.DAT, STUD.DAT).
  await expect(notice).toContainText('2 subfiles were not found (S\\BLOCKS01.DAT, STUD.DAT)');
  await expect(notice).toContainText('complete.zip');
  await expect(page.locator('#outcome')).toContainText('shown after');
  expect(fetched).toEqual([]);
});

// A library folder of the full library's size: the fixture library among
// 28,000 small files, made here and removed after.
test.describe('a library folder of 28,000 files', () => {
  let root;
  let big;
  test.beforeAll(() => {
    root = mkdtempSync(path.join(tmpdir(), 'halvex-web-library-'));
    big = path.join(root, 'ldraw');
    for (const [name, bytes] of Object.entries(filesBelow(library))) {
      mkdirSync(path.dirname(path.join(big, name)), { recursive: true });
      writeFileSync(path.join(big, name), bytes);
    }
    for (const [folder, count] of [['parts', 18000], ['parts/s', 4000], ['p', 6000]]) {
      for (let k = 0; k < count; ++k) {
        writeFileSync(path.join(big, folder, `filler${k}.dat`), `0 Filler ${k}\r\n2 24 0 0 0 ${k} 0 0\r\n`);
      }
    }
  });
  test.afterAll(() => rmSync(root, { recursive: true, force: true }));

  test('is listed, read as a run needs it, and a file that cannot be read is named', async ({ page }) => {
    await page.goto('./');
    await page.setInputFiles('#libraryFolder', big);
    await expect(page.locator('body')).toHaveAttribute('data-library', 'ready', { timeout: 60000 });
    await expect(page.locator('#library'))
      .toHaveText('ldraw: 18003 parts, 28026 files, no LDConfig.ldr (basic colours)');
    await page.setInputFiles('#input', part);
    await split(page);
    await expect(page.locator('#outcome')).toContainText('shown after');
    await expect(page.locator('#notice')).toBeEmpty();
    const saved = await downloaded(page);
    expect(saved.bytes.equals(linuxOutput(['-x+', '-ca', '-s', '-l', big, part, 'out.dat']))).toBe(true);

    // A library file removed since the folder was picked stops the run that
    // reads it, named.
    rmSync(path.join(big, 'p/filler5.dat'));
    await page.setInputFiles('#input', { name: 'other.dat', mimeType: 'text/plain',
                                         buffer: Buffer.from('1 16 5 0 0 1 0 0 0 1 0 0 0 1 filler5.dat\r\n') });
    await split(page);
    await expect(page.locator('#outcome')).toContainText("The library's p/filler5.dat could not be read");
  });
});
