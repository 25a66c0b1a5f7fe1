// The page: collects the file, the library and the options, has the worker
// run Halvex, and shows the report, the 3D view and the output to download.
import * as THREE from 'three';
import { ModelView } from './view.js';

const $ = (id) => document.getElementById(id);
const worker = new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });
const view = new ModelView($('view'));

let input = null;  // {name, bytes}
let splitter = null;
let downloadUrl = null;
let runStart = 0;

async function readFile(file) {
  return { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
}

function setState(state) {
  document.body.dataset.state = state;
}

// --- Planes -----------------------------------------------------------------

function addPlane(axis = 'x', keep = '+', value = '') {
  const row = document.createElement('div');
  row.className = 'plane';
  row.innerHTML = `
    <select class="axis" title="Axis"><option>x</option><option>y</option><option>z</option></select>
    <select class="keep" title="Side kept">
      <option value="+">keep &gt;</option><option value="-">keep &lt;</option></select>
    <input class="value" type="number" step="any" placeholder="0" title="Where the plane crosses the axis">
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

// The options of one plane: "-x+" at 0, "-x++ 3" elsewhere; `flip` keeps the
// other side.
function planeOptions({ axis, keep, value }, flip) {
  const sign = (keep === '+') !== flip ? '+' : '-';
  if (value === '' || Number(value) === 0) return [`-${axis}${sign}`];
  return [`-${axis}${sign}${sign}`, value];
}

// The command line's options from the form; `removed` gives those of the
// run that keeps what the chosen options remove: every plane's other side,
// and the splitter file's.
function options(removed = false) {
  const list = [];
  const precision = $('precision').value.trim();
  if (precision !== '') list.push('-p', precision);
  for (const plane of planeRows()) list.push(...planeOptions(plane, removed));
  if ($('deleteMode').value) list.push($('deleteMode').value);
  if ($('invert').checked !== (removed && splitter !== null)) list.push('-i');
  if ($('across').value) list.push($('across').value);
  if ($('verify').checked) list.push('-v');
  if ($('partial').checked) list.push('-e');
  else if ($('expand').checked) list.push('-s');
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

// The plane of the first triangle or quad of a splitter file that spans one.
function splitterPlane(text) {
  for (const line of text.split(/\r\n|\r|\n/)) {
    const tokens = line.trim().split(/\s+/);
    if (tokens[0] !== '3' && tokens[0] !== '4') continue;
    const numbers = tokens.slice(2, 11).map(Number);
    if (numbers.length < 9 || numbers.some((n) => !Number.isFinite(n))) continue;
    const [a, b, c] = [0, 3, 6].map((k) => new THREE.Vector3(numbers[k], numbers[k + 1], numbers[k + 2]));
    const normal = b.clone().sub(a).cross(c.clone().sub(a));
    if (normal.lengthSq() > 0) return { point: a, normal: normal.normalize() };
  }
  return null;
}

function quoted(text) {
  return /[\s"]/.test(text) ? `"${text}"` : text;
}

function update() {
  $('run').disabled = input === null;
  const names = [input ? input.name : 'Infile'];
  if (splitter) names.push(splitter.name);
  names.push(input ? input.name : 'Outfile');
  $('commandLine').textContent = ['halvex', ...options(), ...names].map(quoted).join(' ');
  $('files').textContent = input
    ? `${input.name} (${input.bytes.length} bytes)` + (splitter ? `, splitter ${splitter.name}` : '')
    : 'No file chosen.';
}

// --- Files and library --------------------------------------------------------

async function chooseInput(file) {
  input = await readFile(file);
  update();
}

function sendZip(bytes) {
  $('library').textContent = 'Reading the zip file…';
  worker.postMessage({ type: 'libraryZip', bytes }, [bytes.buffer]);
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
$('libraryZip').addEventListener('change', async (e) => {
  const file = e.target.files[0];
  if (file) sendZip(new Uint8Array(await file.arrayBuffer()));
});
$('libraryFolder').addEventListener('change', async (e) => {
  const chosen = [...e.target.files].filter((f) => /\.(dat|ldr)$/i.test(f.name));
  $('library').textContent = `Reading ${chosen.length} files…`;
  const files = await Promise.all(chosen.map(async (f) =>
    [f.webkitRelativePath || f.name, new Uint8Array(await f.arrayBuffer())]));
  worker.postMessage({ type: 'libraryFiles', files });
});

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
    if (/\.zip$/i.test(file.name)) sendZip(new Uint8Array(await file.arrayBuffer()));
    else await chooseInput(file);
  }
});

// --- Running and showing --------------------------------------------------------

$('run').addEventListener('click', () => {
  if (!input) return;
  setState('running');
  $('run').disabled = true;
  $('outcome').className = 'status';
  $('outcome').textContent = 'Splitting…';
  runStart = performance.now();
  worker.postMessage({ type: 'split', options: options(), removedOptions: options(true), input, splitter });
});

$('showRemoved').addEventListener('change', (e) => view.setShowRemoved(e.target.checked));
for (const button of document.querySelectorAll('[data-view]')) {
  button.addEventListener('click', () => view.look(button.dataset.view));
}
$('showPlanes').addEventListener('change', (e) => view.setShowPlanes(e.target.checked));
$('addPlane').addEventListener('click', () => addPlane());
for (const id of ['precision', 'across', 'deleteMode', 'verify', 'expand', 'partial', 'invert']) {
  $(id).addEventListener('input', update);
}

function showDownload(result) {
  if (downloadUrl) URL.revokeObjectURL(downloadUrl);
  downloadUrl = null;
  $('download').hidden = !result.output;
  if (!result.output) return;
  downloadUrl = URL.createObjectURL(new Blob([result.output], { type: 'application/octet-stream' }));
  $('download').href = downloadUrl;
  $('download').download = input.name;
  $('download').textContent = `Download ${input.name} (${result.output.length} bytes)`;
}

async function showResult(result) {
  $('report').textContent = result.report + (result.error ? `\n${result.error}\n` : '');
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
  $('run').disabled = false;
  setState(failed ? 'failed' : 'done');
}

worker.onmessage = ({ data }) => {
  if (data.type === 'library') {
    $('library').textContent = `${data.parts} parts, ${data.files} files` +
      (data.colours ? ', with LDConfig.ldr' : ', no LDConfig.ldr (basic colours)');
    document.body.dataset.library = 'ready';
  } else if (data.type === 'result') {
    showResult(data);
  } else if (data.type === 'failure') {
    $('outcome').className = 'status failed';
    $('outcome').textContent = data.message;
    $('run').disabled = input === null;
    setState('failed');
  }
};
worker.onerror = (e) => {
  $('outcome').className = 'status failed';
  $('outcome').textContent = `The worker failed: ${e.message}`;
  $('run').disabled = input === null;
  setState('failed');
};

addPlane();
setState('idle');
// For the browser test.
window.halvexView = view;
