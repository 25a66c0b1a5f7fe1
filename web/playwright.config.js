// The browser test: Debian's chromium (no browser download), headless, on the
// built page (dist/) served by a plain static file server.
import { defineConfig } from '@playwright/test';

const port = Number(process.env.HALVEX_WEB_PORT ?? 8721);

export default defineConfig({
  testDir: 'tests',
  timeout: 120000,
  workers: 1,
  reporter: 'list',
  use: {
    baseURL: `http://127.0.0.1:${port}/`,
    viewport: { width: 1280, height: 800 },
    launchOptions: {
      executablePath: process.env.HALVEX_CHROMIUM ?? '/usr/bin/chromium',
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
             '--disable-component-update', '--disable-sync', '--no-first-run'],
    },
  },
  webServer: {
    command: `python3 -m http.server ${port} --bind 127.0.0.1 --directory dist`,
    url: `http://127.0.0.1:${port}/`,
    reuseExistingServer: false,
    stdout: 'ignore',
    stderr: 'ignore',
  },
});
