// The page matches library names by the program's own rule: every row of
// the program's table of names and keys gives the same key here.
import { readFileSync } from 'node:fs';
import path from 'node:path';
import { expect, test } from '@playwright/test';
import { subfileKey } from '../src/library_name.js';
import { repo } from './helpers.js';

test('library names are matched as the program matches them', () => {
  const table = readFileSync(path.join(repo, 'tests/data/library_name_keys.tsv'), 'utf8');
  const rows = table.split('\n').filter((line) => line !== '' && !line.startsWith('#'));
  expect(rows.length).toBeGreaterThan(10);
  for (const row of rows) {
    const [name, key] = row.split('\t');
    expect(subfileKey(name), name).toBe(key);
  }
});
