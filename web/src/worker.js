// The page's worker: keeps the library, runs Halvex (halvex.wasm) on the
// chosen file, once with the options chosen and once keeping what those
// remove, and answers the report, the output file and the texts to show;
// or checks the file (-k) and answers the report and the file to show.
// The page never waits on a run.
import wasmUrl from './halvex.wasm?url';
import { fileAt, folder, runHalvex } from './halvex_run.js';
import { NotAtHand, libraryFromFolder, libraryFromZip, subfileKey } from './library.js';
import { packModel, referencedNames } from './packed_model.js';

// Compiled from the bytes: a static server may not send the wasm MIME type.
const modulePromise = fetch(wasmUrl)
  .then((response) => response.arrayBuffer())
  .then((bytes) => WebAssembly.compile(bytes));
let library = null;
let libraryFolder = null;  // Its files as the program's folder, made once.
const decoder = new TextDecoder();

// Where the files go in the program's file system. Reports name them so.
const kInputFolder = 'in';
const kOutputFolder = 'out';
const kLibraryFolder = 'ldraw';

// `pick` numbers the page's choice of library.
function setLibrary(chosen, pick) {
  if (chosen.size === 0) {
    throw new Error(`No library files in ${chosen.name}: give the folder that holds parts and p ` +
                    "(or LDraw.org's complete.zip)");
  }
  library = chosen;
  libraryFolder = folder(library.files);
  return {
    type: 'library',
    pick,
    name: library.name,
    files: library.size,
    parts: library.parts(),
    colours: library.hasColours(),
  };
}

// --- Bringing the library's files ---------------------------------------------

const handOvers = new Map();  // Request number: its promise's resolve.
let lastHandOver = 0;

// The File objects of a folder's library at `places` of the page's list,
// asked of the page.
function askPageForFiles(pick, places) {
  const id = ++lastHandOver;
  return new Promise((resolve) => {
    handOvers.set(id, resolve);
    postMessage({ type: 'handOver', id, pick, places });
  });
}

// Brings those of `files` (LibraryFile) that are not at hand yet.
async function bringFiles(files) {
  const wanted = files.filter((file) => !file.atHand());
  if (wanted.length > 0) await library.bring(wanted);
}

// Brings the library's files that `texts` refer to, at any depth, and
// LDConfig.ldr: those a run with -s or -e or the view reads.
// Files that cannot be read are left for the run or the view to report.
async function askForReferenced(texts) {
  if (library === null) return;
  const seen = new Set();
  let found = [library.coloursFile(), ...texts.flatMap(referencedNames).map((name) => library.find(name))];
  while (found.length > 0) {
    const files = [];
    for (const file of found) {
      if (file === null || seen.has(file)) continue;
      seen.add(file);
      files.push(file);
    }
    await bringFiles(files);
    found = files.flatMap((file) => {
      try {
        return referencedNames(decoder.decode(file.read())).map((name) => library.find(name));
      } catch {
        return [];
      }
    });
  }
}

// --- Runs ----------------------------------------------------------------------------

// The path the program is given `input` by, and names it by in its report.
function inputPath(input) {
  return `/${kInputFolder}/${input.name}`;
}

// A run of the program on `input` ({name, bytes}) and `splitter` (or null),
// writing `outName` (none when null).
function runOnce(module, options, input, splitter, outName) {
  const files = new Map([[`${kOutputFolder}/`, null]]);
  files.set(`${kInputFolder}/${input.name}`, input.bytes);
  if (splitter) files.set(`${kInputFolder}/splitter/${splitter.name}`, splitter.bytes);
  if (library) files.set(kLibraryFolder, libraryFolder);
  const args = [...options];
  if (library) args.push('-l', `/${kLibraryFolder}`);
  args.push(inputPath(input));
  if (splitter) args.push(`/${kInputFolder}/splitter/${splitter.name}`);
  if (outName !== null) args.push(`/${kOutputFolder}/${outName}`);
  const result = runHalvex(module, args, folder(files).contents);
  const output = outName !== null ? fileAt(result.root, `${kOutputFolder}/${outName}`) : null;
  return { ...result, output, args };
}

// A run that the library's files are brought for: one that stops at a
// library file not at hand yet is run again once it is. (The files brought
// beforehand are those the page finds; the program may look for more.)
async function run(module, options, input, splitter, outName) {
  for (;;) {
    const result = runOnce(module, options, input, splitter, outName);
    if (!(result.thrown instanceof NotAtHand)) return result;
    await bringFiles([result.thrown.file]);
  }
}

// The program's report without the line that asks for <Enter>: the page
// gives it no keyboard.
function report(text) {
  return text.replace(/Press <Enter> to quit\r?\n?$/, '');
}

// Each of `names` once, by the name it is first given.
function once(names) {
  const byKey = new Map();
  for (const name of names) if (!byKey.has(subfileKey(name))) byKey.set(subfileKey(name), name);
  return [...byKey.values()];
}

// A library file's bytes for the view, or null.
function findForView(name) {
  return library ? library.find(name)?.read() ?? null : null;
}

// `removedOptions` and `removedSplitter` make a run that keeps what
// `options` and `splitter` remove.
async function split({ options, removedOptions, input, splitter, removedSplitter, outName }) {
  const module = await modulePromise;
  const start = performance.now();
  await askForReferenced([decoder.decode(input.bytes)]);
  const kept = await run(module, options, input, splitter, outName);
  const milliseconds = performance.now() - start;
  const answer = {
    type: 'result',
    code: kept.code,
    report: report(kept.console),
    error: kept.error,
    output: kept.output,
    args: kept.args,
    milliseconds,
  };
  if (kept.output) {
    const removed = await run(module, removedOptions, input, removedSplitter, outName);
    const texts = [kept.output, removed.output].filter((bytes) => bytes).map((bytes) => decoder.decode(bytes));
    await askForReferenced(texts);
    const keptModel = packModel(texts[0], outName, findForView);
    answer.keptModel = keptModel.text;
    const missing = [...keptModel.missing];
    if (removed.output) {
      const removedModel = packModel(texts[1], outName, findForView);
      answer.removedModel = removedModel.text;
      missing.push(...removedModel.missing);
    }
    answer.missing = once(missing);
    answer.library = library !== null;
    answer.colours = library ? library.colours() : null;
  }
  postMessage(answer);
}

// Checks `input` as the command line's "halvex -k" does, with the library
// (when there is one) as placed through it (-s); answers the report and the
// file packed for the view, with its files (for the page's marks).
// Findings (exit code 3) make no failed run: the page tells them apart.
async function check({ input }) {
  const module = await modulePromise;
  const start = performance.now();
  const text = decoder.decode(input.bytes);
  await askForReferenced([text]);
  const result = await run(module, library ? ['-k', '-s'] : ['-k'], input, null, null);
  const milliseconds = performance.now() - start;
  const answer = {
    type: 'checked',
    code: result.code,
    report: report(result.console),
    error: result.error,
    args: result.args,
    file: inputPath(input),
    milliseconds,
  };
  if (result.code === 0 || result.code === 3) {
    const model = packModel(text, input.name, findForView);
    answer.model = model.text;
    answer.files = model.files;
    answer.missing = once(model.missing);
    answer.library = library !== null;
    answer.colours = library ? library.colours() : null;
  }
  postMessage(answer);
}

// The page's requests, one after the other: a library picked during a run
// replaces the run's only when the run is over. The files handed over for a
// run come in during the run.
async function handle(data) {
  try {
    if (data.type === 'libraryZip') {
      postMessage(setLibrary(await libraryFromZip(data.file, data.file.name), data.pick));
    } else if (data.type === 'libraryFolder') {
      const ask = (places) => askPageForFiles(data.pick, places);
      postMessage(setLibrary(libraryFromFolder(data.paths, ask), data.pick));
    } else if (data.type === 'split') {
      await split(data);
    } else if (data.type === 'check') {
      await check(data);
    }
  } catch (error) {
    const message = String(error && error.message ? error.message : error);
    if (data.type === 'split' || data.type === 'check') {
      postMessage({ type: 'failure', message });
    } else {
      // A library that could not be read replaces the one before: the page
      // then shows no library.
      library = null;
      libraryFolder = null;
      postMessage({ type: 'libraryFailure', pick: data.pick, message });
    }
  }
}

let queue = Promise.resolve();
onmessage = ({ data }) => {
  if (data.type === 'handOver') {
    handOvers.get(data.id)(data.files);
    handOvers.delete(data.id);
  } else {
    queue = queue.then(() => handle(data));
  }
};
