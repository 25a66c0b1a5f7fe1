// Takes a screenshot of the built page (web/dist, served at URL) splitting
// or checking an LDraw file with a library, in Debian's chromium, and times
// what a person waits for:
//
//   node screenshot.mjs URL LDRAW_FILE LIBRARY OUT.png [VIEW [BUTTON]]
//
// LIBRARY is a folder (picked as the page's library folder) or a zip file
// such as complete.zip. VIEW is one of the page's preset views (angle, the
// default; front, top, side); BUTTON is run (Split, the default) or check.
// HALVEX_CHECK, the ids of the page's check boxes separated by commas
// ("partial,author"), ticks them before the button is pressed; see below
// for HALVEX_UNCHECK and HALVEX_TURN. HALVEX_FILL, "id=value" pairs
// separated by commas ("capColour=4"), types values into text boxes.
// The times are taken in the page: from the browser's handing over the
// picked library (its change event) to the page's "ready", and from the
// click on the button (the event's time stamp) to the second frame after
// the view is drawn, when it is on the screen. The time from the pick
// includes the browser's own listing of a folder.
import { statSync } from 'node:fs';
import { chromium } from '@playwright/test';

const [url, input, library, out, view = 'angle', button = 'run'] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.HALVEX_CHROMIUM ?? '/usr/bin/chromium',
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
         '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const page = await browser.newPage({ viewport: { width: 1280, height: 800 } });
await page.goto(url);
await page.evaluate((clicked) => {
  const timing = {};
  window.timing = timing;
  for (const id of ['libraryFolder', 'libraryZip']) {
    document.getElementById(id).addEventListener('change', (e) => {
      timing.picked = e.timeStamp;
    }, { capture: true });
  }
  document.getElementById(clicked).addEventListener('click', (e) => {
    timing.clicked = e.timeStamp;
  }, { capture: true });
  new MutationObserver(() => {
    const { library: libraryState, state } = document.body.dataset;
    if (libraryState === 'ready' && timing.picked !== undefined) timing.ready ??= performance.now();
    if (/done|failed/.test(state) && timing.clicked !== undefined && timing.drawn === undefined) {
      timing.drawn = null;
      requestAnimationFrame(() => requestAnimationFrame((time) => {
        timing.drawn = time;
      }));
    }
  }).observe(document.body, { attributes: true });
}, button);
const start = Date.now();
await page.setInputFiles(statSync(library).isDirectory() ? '#libraryFolder' : '#libraryZip', library);
await page.waitForSelector('body[data-library=ready]', { timeout: 600000 });
const fromPick = Date.now() - start;
await page.setInputFiles('#input', input);
for (const box of (process.env.HALVEX_CHECK ?? '').split(',').filter(Boolean)) {
  await page.check(`#${box}`);
}
for (const pair of (process.env.HALVEX_FILL ?? '').split(',').filter(Boolean)) {
  const [id, value] = pair.split('=');
  await page.fill(`#${id}`, value);
}
await page.click(`#${button}`);
await page.waitForFunction(() => window.timing.drawn, null, { timeout: 600000 });
const timing = await page.evaluate(() => window.timing);
await page.click(`[data-view=${view}]`);
// HALVEX_UNCHECK unticks check boxes of the view the same way, and
// HALVEX_TURN turns the camera round the vertical by that many degrees, to
// look at the other side.
for (const box of (process.env.HALVEX_UNCHECK ?? '').split(',').filter(Boolean)) {
  await page.uncheck(`#${box}`);
}
if (process.env.HALVEX_TURN) {
  await page.evaluate((degrees) => {
    const view = window.halvexView;
    const { camera, controls } = view;
    const offset = camera.position.clone().sub(controls.target);
    offset.applyAxisAngle({ x: 0, y: 1, z: 0 }, (degrees * Math.PI) / 180);
    camera.position.copy(controls.target).add(offset);
    controls.update();
    view.render();
  }, Number(process.env.HALVEX_TURN));
}
await page.evaluate(() => document.getElementById('panel').scrollTo(0, 0));
await page.screenshot({ path: out });
console.log(`library: ${Math.round(timing.ready - timing.picked)} ms from the change event to ready ` +
            `(${fromPick} ms from the pick); ${await page.textContent('#library')}`);
console.log(`${button === 'check' ? 'check' : 'split'}: ` +
            `${Math.round(timing.drawn - timing.clicked)} ms from the click to the view on the screen; ` +
            `${await page.textContent('#outcome')}`);
await browser.close();
