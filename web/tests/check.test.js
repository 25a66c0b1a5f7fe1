// The page's check in a real browser: a file with known findings lists
// them as the Linux build's "halvex -k" prints them, with their lines, and
// marks their elements in the view (a decimals warning when its group is
// opened, a placed finding by its whole reference); a clean file shows none.
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { expect, test } from '@playwright/test';
import { linux, pixelCounts, repo } from './helpers.js';

const cases = path.join(repo, 'tests/data/cases');
const kMark = [0xff, 0x2d, 0x95];  // The view's kMarkColour.

// The findings the Linux build prints for "halvex ARGS NAME", run in
// `folder`: {line, severity, rule, message} each.
function linuxFindings(folder, args, name) {
  let stdout;
  try {
    stdout = execFileSync(linux, [...args, name], { cwd: folder, input: '' }).toString();
  } catch (error) {
    if (error.status !== 3) throw error;
    stdout = error.stdout.toString();
  }
  return stdout.split('\n').filter((line) => line.startsWith(`${name}:`)).map((line) => {
    const [, number, severity, rule, message] = /^[^:]+:(\d+): (\w+): ([a-z-]+): (.*)$/.exec(line);
    return { line: `line ${number}`, severity, rule, message };
  });
}

// The findings the page lists one by one, as linuxFindings gives them.
async function listedFindings(page) {
  return page.locator('#findings > li > button.finding').evaluateAll((buttons) => buttons.map((button) => ({
    line: button.querySelector('.line').textContent,
    severity: button.querySelector('.severity').textContent,
    rule: button.querySelector('.rule').textContent,
    message: button.querySelector('.message').textContent,
  })));
}

async function check(page) {
  await page.click('#check');
  await expect(page.locator('body')).toHaveAttribute('data-state', /done|failed/, { timeout: 60000 });
}

test('a file with findings lists each with its line, as the command line does, and marks them', async ({ page }) => {
  const folder = path.join(cases, 'check_only_findings/in');
  await page.goto('./');
  await page.setInputFiles('#input', path.join(folder, 'bad.dat'));
  await expect(page.locator('#checkLine')).toHaveText('halvex -k bad.dat');
  await check(page);
  // Exit code 3 is the findings: the check went well.
  await expect(page.locator('body')).toHaveAttribute('data-state', 'done');
  await expect(page.locator('#outcome')).not.toHaveClass(/failed/);
  await expect(page.locator('#outcome')).toContainText('Exit code 3: 3 errors, 3 warnings');
  await expect(page.locator('#outcome')).toContainText('shown after');
  expect(await listedFindings(page)).toEqual(linuxFindings(folder, ['-k'], 'bad.dat'));
  await expect(page.locator('#report')).toContainText('Checked /in/bad.dat: 3 errors, 3 warnings');
  await expect(page.locator('#download')).toBeHidden();
  const marked = await pixelCounts(page, kMark);
  expect(marked.left + marked.right).toBeGreaterThan(1000);

  // A split afterwards shows its own result, without the findings.
  await page.click('#run');
  await expect(page.locator('body')).toHaveAttribute('data-state', 'done', { timeout: 60000 });
  await expect(page.locator('#findings')).toBeHidden();
  expect((await pixelCounts(page, kMark)).left).toBe(0);
});

test('the marks are on the lines the findings name, counted as the program counts them', async ({ page }) => {
  // A quadrilateral at x < 0 with a decimals warning (line 8, after a line
  // that ends with a lone CR) and one at x > 0 with an error (line 9).
  const text = ['0 Marks test', '0 Name: marks.dat', '0 Author: Test Author [tester]',
                '0 !LDRAW_ORG Part UPDATE 2024-01', '0 !LICENSE Licensed under CC BY 4.0 : see CAreadme.txt',
                '', '0 BFC CERTIFY CCW\r4 16 -30 0 -10 -10 0 -10 -10 0 10 -30 0 10.1234\n' +
                '4 16 10 0 -10 30 0 -10 30 0 10 10 0 10.50', ''].join('\r\n');
  await page.goto('./');
  await page.setInputFiles('#input', { name: 'marks.dat', mimeType: 'text/plain', buffer: Buffer.from(text) });
  await check(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 3: 1 error, 1 warning');
  expect(await listedFindings(page)).toEqual([
    { line: 'line 9', severity: 'error', rule: 'trailing-zero', message: '10.50' }]);
  const group = page.locator('#findings details.group');
  await expect(group.locator('summary')).toContainText('decimals: 1 warning on 1 line');

  // At first the finding listed is marked, not the decimals warning.
  await page.click('[data-view=top]');
  await page.uncheck('#showRemoved');
  const first = await pixelCounts(page, kMark);
  expect(first.right).toBeGreaterThan(2000);
  expect(first.left).toBe(0);
  // The group opened marks its lines instead, and lists its findings.
  await group.locator('summary').click();
  await expect(group.locator('button.finding .message')).toHaveText('4 places in 10.1234 > 3 recommended');
  await expect.poll(async () => (await pixelCounts(page, kMark)).right).toBe(0);
  expect((await pixelCounts(page, kMark)).left).toBeGreaterThan(2000);
  // Closed, the findings listed are marked again.
  await group.locator('summary').click();
  await expect.poll(async () => (await pixelCounts(page, kMark)).left).toBe(0);
  expect((await pixelCounts(page, kMark)).right).toBeGreaterThan(2000);
});

test('a finding in an MPD\'s own subfile is marked wherever the file is placed', async ({ page }) => {
  const mpd = ['0 FILE main.ldr', '0 Main', '1 16 -40 0 0 1 0 0 0 1 0 0 0 1 sub.ldr',
               '1 16 40 0 0 1 0 0 0 1 0 0 0 1 sub.ldr', '0 NOFILE', '0 FILE sub.ldr', '0 Sub',
               '4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10.50', '0 NOFILE', ''].join('\r\n');
  await page.goto('./');
  await page.setInputFiles('#input', { name: 'model.mpd', mimeType: 'text/plain', buffer: Buffer.from(mpd) });
  await check(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 3: 11 errors, 0 warnings');
  await expect(page.locator('#findings button.finding[data-line="8"] .message')).toHaveText('10.50');
  await page.click('[data-view=top]');
  await page.uncheck('#showRemoved');
  const marked = await pixelCounts(page, kMark);
  expect(marked.left).toBeGreaterThan(1000);
  expect(marked.right).toBeGreaterThan(1000);
});

// A file that places itself is shown without the loop: the view would
// follow it for ever.
test('a file that places itself is listed and shown', async ({ page }) => {
  const text = ['0 Self', '0 Name: self.dat', '0 Author: Test Author [tester]', '0 !LDRAW_ORG Part UPDATE 2024-01',
                '0 !LICENSE Licensed under CC BY 4.0 : see CAreadme.txt', '', '0 BFC CERTIFY CCW', '',
                '4 16 -10 0 -10 10 0 -10 10 0 10 -10 0 10', '1 16 0 -20 0 1 0 0 0 1 0 0 0 1 SELF.DAT', ''];
  await page.goto('./');
  await page.setInputFiles('#input', { name: 'self.dat', mimeType: 'text/plain',
                                       buffer: Buffer.from(text.join('\r\n')) });
  await check(page);
  await expect(page.locator('#outcome')).toContainText('shown after');
  expect(await listedFindings(page)).toEqual([
    { line: 'line 10', severity: 'error', rule: 'self-reference', message: 'SELF.DAT is the file itself' }]);
});

test('a clean file shows no findings and nothing marked', async ({ page }) => {
  await page.goto('./');
  await page.setInputFiles('#input', path.join(cases, 'check_only_clean/in/clean.dat'));
  await check(page);
  await expect(page.locator('#outcome')).toContainText('Exit code 0: 0 errors, 0 warnings');
  await expect(page.locator('#outcome')).toContainText('shown after');
  await expect(page.locator('#findings')).toHaveText('No findings.');
  const marked = await pixelCounts(page, kMark);
  expect(marked.left + marked.right).toBe(0);
  const shown = await pixelCounts(page);
  expect(shown.left + shown.right).toBeGreaterThan(1000);
});

// With a library the check covers the geometry as placed (-s): a finding
// there sits on the reference that places it, which is marked whole.
test.describe('with a library', () => {
  let root;
  test.beforeAll(() => {
    root = mkdtempSync(path.join(tmpdir(), 'halvex-web-check-'));
    mkdirSync(path.join(root, 'ldraw/parts/s'), { recursive: true });
    copyFileSync(path.join(cases, 'check_placed_names_the_subfile/in/s/parts01.dat'),
                 path.join(root, 'ldraw/parts/s/parts01.dat'));
  });
  test.afterAll(() => rmSync(root, { recursive: true, force: true }));

  test('a placed finding marks the whole reference', async ({ page }) => {
    const folder = path.join(cases, 'check_placed_names_the_subfile/in');
    await page.goto('./');
    await page.setInputFiles('#libraryFolder', path.join(root, 'ldraw'));
    await expect(page.locator('body')).toHaveAttribute('data-library', 'ready');
    await page.setInputFiles('#input', path.join(folder, 'part.dat'));
    await expect(page.locator('#checkLine')).toHaveText('halvex -k -s -l ldraw part.dat');
    await check(page);
    await expect(page.locator('#outcome')).toContainText('Exit code 3: 1 error, 2 warnings');
    expect(await listedFindings(page))
      .toEqual(linuxFindings(folder, ['-k', '-s', '-l', path.join(root, 'ldraw')], 'part.dat'));

    // Line 10 places the subpart's square stretched, line 11 is an edge
    // line: chosen alone, the first marks the square, the second a line.
    await page.click('[data-view=front]');
    await page.uncheck('#showRemoved');
    const marks = async () => {
      const counts = await pixelCounts(page, kMark);
      return counts.left + counts.right;
    };
    await page.locator('#findings button.finding[data-line="10"]').first().click();
    await expect(page.locator('#findings button.chosen')).toHaveCount(1);
    await expect.poll(marks).toBeGreaterThan(5000);
    const square = await marks();
    await page.click('#findings button.finding[data-line="11"]');
    await expect.poll(marks).toBeLessThan(square / 5);
    expect(await marks()).toBeGreaterThan(0);
    // Chosen again, every finding listed is marked.
    await page.click('#findings button.finding[data-line="11"]');
    await expect(page.locator('#findings button.chosen')).toHaveCount(0);
    await expect.poll(marks).toBeGreaterThanOrEqual(square);
  });
});
