// The page's worker: keeps the library, runs Halvex (halvex.wasm) on the
// chosen file, once with the options chosen and once keeping what those
// remove, and answers the report, the output file and the texts to show.
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

// A run of the program on `input` ({name, bytes}) and `splitter` (or null),
// writing `outName`.
function runOnce(module, options, input, splitter, outName) {
  const files = new Map([[`${kOutputFolder}/`, null]]);
  files.set(`${kInputFolder}/${input.name}`, input.bytes);
  if (splitter) files.set(`${kInputFolder}/splitter/${splitter.name}`, splitter.bytes);
  if (library) files.set(kLibraryFolder, libraryFolder);
  const args = [...options];
  if (library) args.push('-l', `/${kLibraryFolder}`);
  args.push(`/${kInputFolder}/${input.name}`);
  if (splitter) args.push(`/${kInputFolder}/splitter/${splitter.name}`);
  args.push(`/${kOutputFolder}/${outName}`);
  const result = runHalvex(module, args, folder(files).contents);
  return { ...result, output: fileAt(result.root, `${kOutputFolder}/${outName}`), args };
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
    const find = (name) => (library ? library.find(name)?.read() ?? null : null);
    const keptModel = packModel(texts[0], outName, find);
    answer.keptModel = keptModel.text;
    const missing = [...keptModel.missing];
    if (removed.output) {
      const removedModel = packModel(texts[1], outName, find);
      answer.removedModel = removedModel.text;
      missing.push(...removedModel.missing);
    }
    // Each file once, by the name it is first given.
    const byKey = new Map();
    for (const name of missing) if (!byKey.has(subfileKey(name))) byKey.set(subfileKey(name), name);
    answer.missing = [...byKey.values()];
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
    }
  } catch (error) {
    const message = String(error && error.message ? error.message : error);
    if (data.type === 'split') {
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
