// Takes a screenshot of the built page (web/dist, served at URL) splitting
// an LDraw file, with a library folder, in Debian's chromium; prints the
// time from the click to the view shown:
//
//   node screenshot.mjs URL LDRAW_FILE LIBRARY_FOLDER OUT.png [VIEW]
//
// VIEW is one of the page's preset views (angled, the default; front, top,
// side).
import { chromium } from '@playwright/test';

const [url, input, library, out, view = 'angle'] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.HALVEX_CHROMIUM ?? '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
await page.goto(url);
await page.setInputFiles('#libraryFolder', library);
await page.waitForSelector('body[data-library=ready]');
await page.setInputFiles('#input', input);
const start = Date.now();
await page.click('#run');
await page.waitForSelector('body[data-state=done], body[data-state=failed]', { timeout: 300000 });
const elapsed = Date.now() - start;
await page.click(`[data-view=${view}]`);
await page.evaluate(() => document.getElementById('panel').scrollTo(0, 0));
await page.screenshot({ path: out });
console.log(`${elapsed} ms from the click to the view; ${await page.textContent('#outcome')}`);
await browser.close();
