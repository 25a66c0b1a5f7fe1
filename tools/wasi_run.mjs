// Runs halvex.wasm, the WASI build of Halvex, under Node's node:wasi as the
// native program runs:
//
//   node tools/wasi_run.mjs HALVEX_WASM [ARGUMENTS...]
//
// with this process's standard streams and its exit code. Or runs many
// invocations, a few hundred to a Node process and its compiled module, each
// with empty standard input and its output thrown away:
//
//   node tools/wasi_run.mjs --jobs JOB_FILE HALVEX_WASM
//
// where each line of JOB_FILE is a folder to run in, a file to write the exit
// code to, then the arguments, all separated by tabs.
//
// Files: WASI sees only the folders it is given. The current folder is given
// as ".", where relative names are found; every folder at the root of the
// file system is given as itself, so absolute names work too. (A relative
// name whose first folder is also a root folder's name, e.g. "tmp/x", is
// therefore taken from the root folder.)
import { spawnSync } from 'node:child_process';
import { openSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import v8 from 'node:v8';
import vm from 'node:vm';
import { WASI } from 'node:wasi';

// Node 20 calls WASI functions from a module through V8's fast API calls, in
// which no garbage collection may happen; but fd_write allocates, and may
// start one. Then Node aborted (SIGABRT, no message, in a finalizer of the
// running WASI object) or crashed, on about half the runs whose output is
// several megabytes (parts/22678.dat with -s). Without fast calls it does not.
v8.setFlagsFromString('--no-turbo-fast-api-calls');

function rootFolders() {
  const preopens = {};
  for (const entry of readdirSync('/', { withFileTypes: true })) {
    if (entry.isDirectory()) preopens[`/${entry.name}`] = `/${entry.name}`;
  }
  return preopens;
}

const roots = rootFolders();

// Runs the module once; answers its exit code.
function run(module, folder, args, stdio) {
  const wasi = new WASI({
    version: 'preview1',
    args: ['halvex', ...args],
    env: {},
    preopens: { '.': folder, ...roots },
    returnOnExit: true,
    ...stdio,
  });
  const instance = new WebAssembly.Instance(module, wasi.getImportObject());
  return wasi.start(instance);
}

const argv = process.argv.slice(2);
if (argv[0] === '--jobs') {
  // node:wasi never closes the descriptors of a run's folders and streams:
  // a process runs at most this many jobs, and hands the rest to the next.
  const kJobsPerProcess = 300;
  const [, jobFile, wasm, first = '0'] = argv;
  const lines = readFileSync(jobFile, 'utf8').split('\n').filter((line) => line !== '');
  const start = Number(first);
  const end = Math.min(lines.length, start + kJobsPerProcess);
  v8.setFlagsFromString('--expose-gc');
  const collectGarbage = vm.runInNewContext('gc');
  const kRunsBetweenCollections = 8;
  const module = new WebAssembly.Module(readFileSync(wasm));
  const nul = openSync('/dev/null', 'r+');
  for (let k = start; k < end; ++k) {
    const [folder, rcFile, ...args] = lines[k].split('\t');
    const code = run(module, folder, args, { stdin: nul, stdout: nul, stderr: nul });
    writeFileSync(rcFile, `${code}\n`);
    // Every instance holds gigabytes of address space for its memory until
    // it is collected, and Node aborts when a few dozen wait for that; a
    // collection after every run would cost more than the runs.
    if ((k + 1 - start) % kRunsBetweenCollections === 0) collectGarbage();
  }
  if (end < lines.length) {
    const next = spawnSync(process.execPath, [...process.execArgv, process.argv[1], '--jobs', jobFile,
                                              wasm, String(end)], { stdio: 'inherit' });
    process.exitCode = next.status ?? 1;
  }
} else {
  const module = new WebAssembly.Module(readFileSync(argv[0]));
  process.exitCode = run(module, process.cwd(), argv.slice(1), {});
}
