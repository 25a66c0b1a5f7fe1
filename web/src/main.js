// The page: collects the file, the library and the options, has the worker
// run Halvex, and shows the report, the 3D view and the output to download;
// or has the file checked and lists the findings, marked in the view.
import * as THREE from 'three';
import { FindingsList, parseFindings } from './findings.js';
import { markedModel } from './packed_model.js';
import { reversedSplitter, splitterPlane } from './splitter_file.js';
import { ModelView } from './view.js';

const $ = (id) => document.getElementById(id);
const worker = new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });
const view = new ModelView($('view'));

let input = null;  // {name, bytes}
let splitter = null;
let libraryName = null;  // As the command line's -l gives it.
let downloadUrl = null;
let runStart = 0;

async function readFile(file) {
  return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
}

function setState(state) {
  document.body.dataset.state = state;
}

// What the view and the panel below it show: a split's result or a
// check's.
function setMode(mode) {
  document.body.dataset.mode = mode;
  $('showRemovedText').textContent = mode === 'check' ? 'Show the whole file (faint)'
    : 'Show the removed part (faint)';
  if (mode !== 'check') findings.clear();
}

// --- Planes -----------------------------------------------------------------

function addPlane(axis = 'x', keep = '+', value = '') {
  const row = document.createElement('div');
  row.className = 'plane';
  row.innerHTML = `
    <select class="axis" title="Axis"><option>x</option><option>y</option><option>z</option></select>
    <select class="keep" title="Side kept">
      <option value="+">keep &gt;</option><option value="-">keep &lt;</option></select>
    <input class="value" type="text" spellcheck="false" autocomplete="off" placeholder="0"
           title="Where the plane crosses the axis">
    <button type="button" class="small" title="Remove this plane">×</button>`;
  row.querySelector('.axis').value = axis;
  row.querySelector('.keep').value = keep;
  row.querySelector('.value').value = value;
  row.querySelector('button').addEventListener('click', () => {
    row.remove();
    update();
  });
  row.addEventListener('input', update);
  $('planes').append(row);
  update();
}

function planeRows() {
  return [...document.querySelectorAll('.plane')].map((row) => ({
    axis: row.querySelector('.axis').value,
    keep: row.querySelector('.keep').value,
    value: row.querySelector('.value').value.trim(),
  }));
}

// The options of one plane: "-x+" without a value, "-x++ 3" with one, the
// value as typed: the program says what is wrong with one it cannot read.
// `flip` keeps the other side.
function planeOptions({ axis, keep, value }, flip) {
  const sign = (keep === '+') !== flip ? '+' : '-';
  if (value === '') return [`-${axis}${sign}`];
  return [`-${axis}${sign}${sign}`, value];
}

// The command line's options from the form, values as typed; `removed`
// gives those of the run that keeps what the chosen options remove: every
// axis plane's other side (with -i as chosen; the splitter file is turned
// round apart, by reversedSplitter, as -i does not turn it).
function options(removed = false) {
  const list = [];
  const precision = $('precision').value.trim();
  if (precision !== '') list.push('-p', precision);
  for (const plane of planeRows()) list.push(...planeOptions(plane, removed));
  if ($('deleteMode').value) list.push($('deleteMode').value);
  if ($('invert').checked) list.push('-i');
  if ($('across').value) list.push($('across').value);
  if ($('verify').checked) list.push('-v');
  if ($('partial').checked) list.push('-e');
  else if ($('expand').checked) list.push('-s');
  // The removed side is only drawn: it needs no outline and no header.
  if ($('author').checked && !removed) list.push('-a');
  // The removed side is drawn faint: only the kept side is closed. A colour
  // is passed on as typed: the program says what is wrong with it.
  if ($('caps').checked && !removed) {
    const colour = $('capColour').value.trim();
    list.push(...(colour === '' ? ['-f'] : ['-ff', colour]));
  }
  return list;
}

// The planes to draw, in LDraw coordinates.
function planesToDraw() {
  const planes = planeRows().map(({ axis, value }) => {
    const normal = new THREE.Vector3(axis === 'x' ? 1 : 0, axis === 'y' ? 1 : 0, axis === 'z' ? 1 : 0);
    return { normal, point: normal.clone().multiplyScalar(Number(value) || 0) };
  });
  if (splitter) {
    const plane = splitterPlane(new TextDecoder().decode(splitter.bytes));
    if (plane) planes.push(plane);
  }
  return planes;
}

function quoted(text) {
  return /[\s"]/.test(text) ? `"${text}"` : text;
}

// The output's name: the input's with "-cut" before its extension.
function outputName(name) {
  const dot = name.lastIndexOf('.');
  return dot > 0 ? `${name.slice(0, dot)}-cut${name.slice(dot)}` : `${name}-cut`;
}

// The check's options: the placed geometry too (-s) when there is a library.
function checkOptions() {
  return libraryName !== null ? ['-k', '-s', '-l', libraryName] : ['-k'];
}

function update() {
  const running = document.body.dataset.state === 'running';
  $('run').disabled = input === null || running;
  $('check').disabled = input === null || running;
  const words = ['halvex', ...options()];
  if (libraryName !== null) words.push('-l', libraryName);
  words.push(input ? input.name : 'Infile');
  if (splitter) words.push(splitter.name);
  words.push(input ? outputName(input.name) : 'Outfile');
  $('commandLine').textContent = words.map(quoted).join(' ');
  $('checkLine').textContent = ['halvex', ...checkOptions(), input ? input.name : 'Infile'].map(quoted).join(' ');
  $('files').textContent = input
    ? `${input.name} (${input.bytes.length} bytes)` + (splitter ? `, splitter ${splitter.name}` : '')
    : 'No file chosen.';
}

// --- Files and library --------------------------------------------------------

async function chooseInput(file) {
  input = await readFile(file);
  update();
}

function libraryStatus(text, state) {
  $('library').textContent = text;
  $('library').className = state === 'failed' ? 'status failed' : 'status';
  document.body.dataset.library = state;
}

// The libraries picked, numbered, with the File objects of a folder's: the
// worker asks for those of the files a run or the view reads (handOver).
// Those of a library the worker has replaced are let go.
let lastPick = 0;
const folderPicks = new Map();

// The worker reads the archive's directory now and an entry when a run or
// the view asks for it.
function sendZip(file) {
  libraryStatus(`Reading the directory of ${file.name}…`, 'reading');
  worker.postMessage({ type: 'libraryZip', file, pick: ++lastPick });
}

$('input').addEventListener('change', async (e) => {
  if (e.target.files[0]) await chooseInput(e.target.files[0]);
});
$('splitter').addEventListener('change', async (e) => {
  splitter = e.target.files[0] ? await readFile(e.target.files[0]) : null;
  update();
});
$('clearSplitter').addEventListener('click', () => {
  splitter = null;
  $('splitter').value = '';
  update();
});
$('libraryZip').addEventListener('change', (e) => {
  if (e.target.files[0]) sendZip(e.target.files[0]);
});
// The folder's files go to the worker by name. Reading all 28,000 files of
// a full library up front takes half a minute one at a time and fails all at
// once; handing all their File objects to the worker, or asking each its
// size, takes seconds.
$('libraryFolder').addEventListener('change', (e) => {
  const files = [...e.target.files];
  if (files.length === 0) return;
  libraryStatus(`Listing ${files.length} files…`, 'reading');
  folderPicks.set(++lastPick, files);
  worker.postMessage({
    type: 'libraryFolder',
    paths: files.map((file) => file.webkitRelativePath || file.name),
    pick: lastPick,
  });
});

function forgetPicksBefore(pick) {
  for (const earlier of folderPicks.keys()) if (earlier < pick) folderPicks.delete(earlier);
}

window.addEventListener('dragover', (e) => {
  e.preventDefault();
  document.body.classList.add('dragging');
});
window.addEventListener('dragleave', (e) => {
  if (e.relatedTarget === null) document.body.classList.remove('dragging');
});
window.addEventListener('drop', async (e) => {
  e.preventDefault();
  document.body.classList.remove('dragging');
  for (const file of e.dataTransfer.files) {
    if (/\.zip$/i.test(file.name)) sendZip(file);
    else await chooseInput(file);
  }
});

// --- Running and showing --------------------------------------------------------

function startRun(what) {
  setState('running');
  update();
  $('outcome').className = 'status';
  $('outcome').textContent = what;
  $('notice').textContent = '';
  runStart = performance.now();
}

// The end of a run: the buttons back, the state for the browser test.
function endRun(state) {
  setState(state);
  update();
}

$('run').addEventListener('click', () => {
  if (!input) return;
  startRun('Splitting…');
  worker.postMessage({
    type: 'split',
    options: options(),
    removedOptions: options(true),
    input,
    splitter,
    removedSplitter: splitter && { name: splitter.name, bytes: reversedSplitter(splitter.bytes) },
    outName: outputName(input.name),
  });
});

$('showRemoved').addEventListener('change', (e) => view.setShowRemoved(e.target.checked));
for (const button of document.querySelectorAll('[data-view]')) {
  button.addEventListener('click', () => view.look(button.dataset.view));
}
$('showPlanes').addEventListener('change', (e) => view.setShowPlanes(e.target.checked));
$('addPlane').addEventListener('click', () => addPlane());
for (const id of ['precision', 'across', 'deleteMode', 'verify', 'expand', 'partial', 'invert', 'author', 'caps', 'capColour']) {
  $(id).addEventListener('input', update);
}

function showDownload(result) {
  if (downloadUrl) URL.revokeObjectURL(downloadUrl);
  downloadUrl = null;
  $('download').hidden = !result.output;
  if (!result.output) return;
  downloadUrl = URL.createObjectURL(new Blob([result.output], { type: 'application/octet-stream' }));
  $('download').href = downloadUrl;
  const name = outputName(input.name);
  $('download').download = name;
  $('download').textContent = `Download ${name} (${result.output.length} bytes)`;
}

// What the view leaves out: the subfiles found neither in the output nor in
// the library, and where to give the library.
function missingNotice(result) {
  const missing = result.missing ?? [];
  if (missing.length === 0) return '';
  const names = missing.slice(0, 5).join(', ') + (missing.length > 5 ? ', …' : '');
  const count = missing.length === 1 ? '1 subfile was' : `${missing.length} subfiles were`;
  if (result.library) {
    return `${count} not found in the library (${names}): the view leaves them out.`;
  }
  return `${count} not found (${names}): no library was given. Give the LDraw library under ` +
         '"Library (for subfiles)", as its folder (the one that holds parts and p) or as ' +
         "LDraw.org's complete.zip, to show them and to expand them (-s).";
}

// three.js's LDrawLoader reads no texture statements (LDraw.org's Texture
// Mapping extension): it shows the geometry meant for programs without
// textures, and the page says so where the model holds any.
function textureNotice(model) {
  if (!model || !/^[ \t]*0[ \t]+!TEXMAP[ \t]/m.test(model)) return '';
  return 'Textures are not shown: the view draws the geometry meant for programs without ' +
         'textures. The output file keeps both, cut alike.';
}

async function showResult(result) {
  setMode('split');
  $('report').textContent = result.report + (result.error ? `\n${result.error}\n` : '');
  $('notice').textContent = [missingNotice(result), textureNotice(result.keptModel)]
    .filter((text) => text).join(' ');
  showDownload(result);
  const failed = result.code !== 0;
  $('outcome').className = failed ? 'status failed' : 'status';
  if (result.code === null) {
    $('outcome').textContent = `The program stopped: ${result.error}`;
  } else {
    $('outcome').textContent = `Exit code ${result.code}` +
      (failed ? ' (nothing written)' : `, split in ${Math.round(result.milliseconds)} ms`);
  }
  try {
    if (result.keptModel) {
      await view.show(result.keptModel, result.removedModel ?? null, planesToDraw(), result.colours);
    } else {
      view.clear();
    }
    const total = Math.round(performance.now() - runStart);
    if (!failed) $('outcome').textContent += `, shown after ${total} ms`;
  } catch (error) {
    $('outcome').textContent += `; the view could not show it: ${error.message ?? error}`;
  }
  endRun(failed ? 'failed' : 'done');
}

// --- Checking -----------------------------------------------------------------------

// The file checked last: {input, text, files}. `text` is the page's own
// copy of what the program read, so that line N of the findings is its
// line N; `files` are those of the view's model, which the marks place.
let checked = null;
const findings = new FindingsList($('findings'), (lines) => {
  if (!checked) return;
  view.setMarks(markedModel(checked.text, checked.input.name, lines, checked.files)).catch((error) => {
    $('outcome').textContent += `; the view could not mark the lines: ${error.message ?? error}`;
  });
});

$('check').addEventListener('click', () => {
  if (!input) return;
  checked = { input, text: new TextDecoder().decode(input.bytes), files: null };
  startRun('Checking…');
  worker.postMessage({ type: 'check', input });
});

function plural(count, what) {
  return `${count} ${what}${count === 1 ? '' : 's'}`;
}

async function showChecked(result) {
  setMode('check');
  $('report').textContent = result.report + (result.error ? `\n${result.error}\n` : '');
  $('notice').textContent = missingNotice(result);
  showDownload({});
  // Exit code 3 says that the file has errors: the check itself went well.
  const failed = result.code !== 0 && result.code !== 3;
  $('outcome').className = failed ? 'status failed' : 'status';
  if (result.code === null) {
    $('outcome').textContent = `The program stopped: ${result.error}`;
  } else if (failed) {
    $('outcome').textContent = `Exit code ${result.code}`;
  }
  if (failed) {
    findings.clear();
    view.clear();
    endRun('failed');
    return;
  }
  const found = parseFindings(result.report, result.file);
  const errors = found.filter((finding) => finding.severity === 'error').length;
  $('outcome').textContent = `Exit code ${result.code}: ${plural(errors, 'error')}, ` +
    `${plural(found.length - errors, 'warning')}, checked in ${Math.round(result.milliseconds)} ms`;
  checked.files = result.files;
  const marked = findings.show(found);
  try {
    await view.showChecked(result.model, markedModel(checked.text, checked.input.name, marked, checked.files),
                           result.colours);
    $('outcome').textContent += `, shown after ${Math.round(performance.now() - runStart)} ms`;
  } catch (error) {
    $('outcome').textContent += `; the view could not show it: ${error.message ?? error}`;
  }
  endRun('done');
}

worker.onmessage = ({ data }) => {
  if (data.type === 'handOver') {
    const files = folderPicks.get(data.pick) ?? [];
    worker.postMessage({ type: 'handOver', id: data.id, files: data.places.map((k) => files[k] ?? null) });
  } else if (data.type === 'library') {
    forgetPicksBefore(data.pick);
    libraryName = data.name;
    const count = (n, what) => `${n} ${what}${n === 1 ? '' : 's'}`;
    libraryStatus(`${data.name}: ${count(data.parts, 'part')}, ${count(data.files, 'file')}` +
      (data.colours ? ', with LDConfig.ldr' : ', no LDConfig.ldr (basic colours)'), 'ready');
    update();
  } else if (data.type === 'libraryFailure') {
    forgetPicksBefore(data.pick + 1);
    libraryName = null;
    libraryStatus(data.message, 'failed');
    update();
  } else if (data.type === 'result') {
    showResult(data);
  } else if (data.type === 'checked') {
    showChecked(data);
  } else if (data.type === 'failure') {
    $('outcome').className = 'status failed';
    $('outcome').textContent = data.message;
    endRun('failed');
  }
};
worker.onerror = (e) => {
  $('outcome').className = 'status failed';
  $('outcome').textContent = `The worker failed: ${e.message}`;
  endRun('failed');
};

addPlane();
setState('idle');
setMode('split');
// For the browser test.
window.halvexView = view;
