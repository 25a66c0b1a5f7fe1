// Runs halvex.wasm, the WASI build of Halvex, on files held in memory: the
// same program and the same bytes as the command line. Used by the page's
// worker; it needs nothing of the browser.
import {
  ConsoleStdout,
  Directory,
  File,
  OpenDirectory,
  OpenFile,
  PreopenDirectory,
  WASI,
  wasi,
} from '@bjorn3/browser_wasi_shim';

// A folder that lists its entries in one pass. The shim's own folder looks
// each entry up by copying its whole list, which makes a listing of the
// library's parts folder (18,000 names) take seconds.
class ListedDirectory extends Directory {
  path_open() {
    return { ret: wasi.ERRNO_SUCCESS, fd_obj: new ListedOpenDirectory(this) };
  }
}

class ListedOpenDirectory extends OpenDirectory {
  fd_readdir_single(cookie) {
    if (cookie < 2n) return super.fd_readdir_single(cookie);
    this.entries ??= [...this.dir.contents.entries()];
    const k = Number(cookie - 2n);
    if (k >= this.entries.length) return { ret: wasi.ERRNO_SUCCESS, dirent: null };
    const [name, entry] = this.entries[k];
    // Not entry.stat(): that would read a file whose size is not known.
    const type = entry instanceof Directory ? wasi.FILETYPE_DIRECTORY : wasi.FILETYPE_REGULAR_FILE;
    return { ret: wasi.ERRNO_SUCCESS, dirent: new wasi.Dirent(cookie + 1n, entry.ino, name, type) };
  }
}

// A file whose bytes are read when the program first reads it or asks its
// size: `source` has a size (null when not known) and a read() that answers
// the bytes (or throws, which stops the run with the error thrown). Listing
// the folder reads nothing.
class ReadOnDemandFile extends File {
  constructor(source) {
    super(new ArrayBuffer(0));
    this.source = source;
    this.bytes = null;
  }

  get data() {
    if (this.bytes === null) this.bytes = this.source.read();
    return this.bytes;
  }

  set data(bytes) {
    // The shim's constructor sets the data before `source` exists.
    if (this.source !== undefined) this.bytes = bytes;
  }

  get size() {
    if (this.bytes === null && this.source.size !== null) return BigInt(this.source.size);
    return BigInt(this.data.byteLength);
  }
}

// A folder tree from a Map of slash-separated paths to bytes, to a source
// of bytes read on demand ({size, read()}) or to a folder made by
// folderTree; a path that ends with "/" makes an empty folder.
export function folderTree(files) {
  const root = new Map();
  for (const [path, content] of files) {
    const parts = path.split('/').filter((part) => part !== '');
    if (path.endsWith('/')) parts.push('');
    let folder = root;
    for (const part of parts.slice(0, -1)) {
      let inode = folder.get(part);
      if (!(inode instanceof Directory)) {
        inode = new ListedDirectory(new Map());
        folder.set(part, inode);
      }
      folder = inode.contents;
    }
    const name = parts[parts.length - 1];
    if (name === '') continue;
    if (content instanceof Directory) folder.set(name, content);
    else if (content instanceof Uint8Array) folder.set(name, new File(content));
    else folder.set(name, new ReadOnDemandFile(content));
  }
  return root;
}

// A folder holding the tree of `files` (see folderTree).
export function folder(files) {
  return new ListedDirectory(folderTree(files));
}

// Runs the program with `args` (without the program's name) in a file system
// whose root holds the folders `tree` (from folderTree). Answers the exit
// code, the console text and the file system's root, where the outputs are;
// a module that traps, or a file that throws when it is read, gives the code
// null, the error's text and the error thrown.
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
  // Without debug: false the shim logs every file the program looks up.
  const shim = new WASI(['halvex', ...args], [], fds, { debug: false });
  const instance = new WebAssembly.Instance(module, {
    wasi_snapshot_preview1: shim.wasiImport,
  });
  let code;
  let thrown = null;
  try {
    code = shim.start(instance);
  } catch (e) {
    code = null;
    thrown = e;
  }
  return {
    code,
    console: consoleText + decoder.decode(),
    error: thrown === null ? '' : String(thrown),
    thrown,
    root: root.dir,
  };
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
