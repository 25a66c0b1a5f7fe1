// The page's worker: keeps the library, runs Halvex (halvex.wasm) on the
// chosen file, once with the options chosen and once with the other side
// kept, to show what the first run removed, and answers the report, the
// output file and the texts to show. The page never waits on a run.
import wasmUrl from './halvex.wasm?url';
import { fileAt, folderTree, runHalvex } from './halvex_run.js';
import { LibraryIndex, libraryFromZip, libraryPath } from './library.js';
import { packModel } from './packed_model.js';

// Compiled from the bytes: a static server may not send the wasm MIME type.
const modulePromise = fetch(wasmUrl)
  .then((response) => response.arrayBuffer())
  .then((bytes) => WebAssembly.compile(bytes));
let library = new Map();
let index = new LibraryIndex(library);

// Where the files go in the program's file system. Reports name them so.
const kInputFolder = 'in';
const kOutputFolder = 'out';
const kLibraryFolder = 'ldraw';

function setLibrary(files) {
  library = files;
  index = new LibraryIndex(files);
  let parts = 0;
  for (const path of files.keys()) if (path.toLowerCase().startsWith('parts/')) ++parts;
  return { files: files.size, parts, colours: index.colours() !== null };
}

// A run of the program on `input` ({name, bytes}) and `splitter` (or null).
function run(module, options, input, splitter) {
  const files = new Map([[`${kOutputFolder}/`, null]]);
  files.set(`${kInputFolder}/${input.name}`, input.bytes);
  if (splitter) files.set(`${kInputFolder}/splitter/${splitter.name}`, splitter.bytes);
  for (const [path, bytes] of library) files.set(`${kLibraryFolder}/${path}`, bytes);
  const args = [...options];
  if (library.size > 0) args.push('-l', `/${kLibraryFolder}`);
  args.push(`/${kInputFolder}/${input.name}`);
  if (splitter) args.push(`/${kInputFolder}/splitter/${splitter.name}`);
  args.push(`/${kOutputFolder}/${input.name}`);
  const result = runHalvex(module, args, folderTree(files));
  return { ...result, output: fileAt(result.root, `${kOutputFolder}/${input.name}`), args };
}

// Finds a subfile for the view: beside the input, then in the library.
function finder(input, splitter) {
  const beside = new Map([[input.name.toLowerCase(), input.bytes]]);
  if (splitter) beside.set(splitter.name.toLowerCase(), splitter.bytes);
  return (name) => beside.get(name.replace(/\\/g, '/').toLowerCase()) ?? index.find(name);
}

// `removedOptions` are those of a run that keeps what `options` remove.
async function split({ options, removedOptions, input, splitter }) {
  const module = await modulePromise;
  const start = performance.now();
  const kept = run(module, options, input, splitter);
  const milliseconds = performance.now() - start;
  const answer = {
    type: 'result',
    code: kept.code,
    report: kept.console,
    error: kept.error,
    output: kept.output,
    args: kept.args,
    milliseconds,
    colours: index.colours(),
  };
  if (kept.output) {
    const find = finder(input, splitter);
    const decoder = new TextDecoder();
    answer.keptModel = packModel(decoder.decode(kept.output), input.name, find);
    const removed = run(module, removedOptions, input, splitter);
    if (removed.output) {
      answer.removedModel = packModel(decoder.decode(removed.output), input.name, find);
    }
  }
  postMessage(answer);
}

onmessage = async ({ data }) => {
  try {
    if (data.type === 'libraryZip') {
      postMessage({ type: 'library', ...setLibrary(libraryFromZip(data.bytes)) });
    } else if (data.type === 'libraryFiles') {
      const files = new Map();
      for (const [path, bytes] of data.files) {
        const inLibrary = libraryPath(path);
        if (inLibrary !== null) files.set(inLibrary, bytes);
      }
      postMessage({ type: 'library', ...setLibrary(files) });
    } else if (data.type === 'split') {
      await split(data);
    }
  } catch (error) {
    postMessage({ type: 'failure', message: String(error && error.message ? error.message : error) });
  }
};
