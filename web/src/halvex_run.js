// Runs halvex.wasm, the WASI build of Halvex, on files held in memory: the
// same program and the same bytes as the command line. Used by the page's
// worker; it needs nothing of the browser.
import {
  ConsoleStdout,
  Directory,
  File,
  OpenFile,
  PreopenDirectory,
  WASI,
} from '@bjorn3/browser_wasi_shim';

// A folder tree from a Map of slash-separated paths to bytes; a path that
// ends with "/" makes an empty folder.
export function folderTree(files) {
  const root = new Map();
  for (const [path, bytes] of files) {
    const parts = path.split('/').filter((part) => part !== '');
    if (path.endsWith('/')) parts.push('');
    let folder = root;
    for (const part of parts.slice(0, -1)) {
      let inode = folder.get(part);
      if (!(inode instanceof Directory)) {
        inode = new Directory(new Map());
        folder.set(part, inode);
      }
      folder = inode.contents;
    }
    const name = parts[parts.length - 1];
    if (name !== '') folder.set(name, new File(bytes));
  }
  return root;
}

// Runs the program with `args` (without the program's name) in a file system
// whose root holds the folders `tree` (from folderTree). Answers the exit
// code, the console text and the file system's root, where the outputs are;
// a module that traps gives the code null and the error's text.
export function runHalvex(module, args, tree) {
  let consoleText = '';
  const decoder = new TextDecoder();
  const toConsole = (bytes) => {
    consoleText += decoder.decode(bytes, { stream: true });
  };
  const root = new PreopenDirectory('/', tree);
  const fds = [
    new OpenFile(new File([])),  // The program reads one character at the end.
    new ConsoleStdout(toConsole),
    new ConsoleStdout(toConsole),
    root,
  ];
  const wasi = new WASI(['halvex', ...args], [], fds);
  const instance = new WebAssembly.Instance(module, {
    wasi_snapshot_preview1: wasi.wasiImport,
  });
  let code;
  let error = '';
  try {
    code = wasi.start(instance);
  } catch (e) {
    code = null;
    error = String(e);
  }
  return { code, console: consoleText + decoder.decode(), error, root: root.dir };
}

// The bytes of the file at `path` in `folder` (a Directory), or null.
export function fileAt(folder, path) {
  let inode = folder;
  for (const part of path.split('/').filter((p) => p !== '')) {
    if (!(inode instanceof Directory)) return null;
    inode = inode.contents.get(part);
  }
  return inode instanceof File ? inode.data : null;
}
