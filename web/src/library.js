// An LDraw library for the page's worker: the names of its files, by path
// relative to the library's folder ("parts/3001.dat", "p/stud.dat",
// "LDConfig.ldr"), and their contents read only when a run or the view asks
// for them. Built from the names of a picked folder's files or from a zip
// archive such as LDraw.org's complete.zip; only what a library holds for
// parts is kept (parts/, p/ and LDConfig.ldr, with their Unofficial/
// counterparts).
//
// The program reads its files in the middle of a run, synchronously, and
// getting them is not: the page hands over a folder's File objects on
// request, and a zip entry is inflated by a stream. So a file is first
// brought (Library.bring, awaited), then read (LibraryFile.read) during the
// run; one not brought yet throws a NotAtHand, and the worker brings it and
// runs again.
import { subfileKey } from './library_name.js';
import {
  BlobReader,
  ERR_INVALID_CRC32,
  ERR_INVALID_UNCOMPRESSED_SIZE,
  Uint8ArrayWriter,
  ZipReader,
  configure,
  isZipFile,
} from '@zip.js/zip.js/lib/zip-core-native.js';

// The path of `path` below the library's folder, or null when it is not a
// library file. The library's folder is the one that holds parts/ or p/ (or
// LDConfig.ldr), at any depth: "ldraw/parts/3001.dat" gives "parts/3001.dat".
export function libraryPath(path) {
  const parts = path.split(/[\\/]/).filter((part) => part !== '');
  const is = (part, name) => subfileKey(part) === subfileKey(name);
  for (let k = 0; k < parts.length; ++k) {
    if (is(parts[k], 'Unofficial') && k + 1 < parts.length - 1 &&
        (is(parts[k + 1], 'parts') || is(parts[k + 1], 'p'))) {
      return parts.slice(k).join('/');
    }
    if ((is(parts[k], 'parts') || is(parts[k], 'p')) && k < parts.length - 1) {
      return parts.slice(k).join('/');
    }
    if (is(parts[k], 'LDConfig.ldr') && k === parts.length - 1) return parts[k];
  }
  return null;
}

// Names are matched by subfileKey, the program's rule, and nowhere else in
// the page.
export { subfileKey };

// The folder of `path` that holds the library ("ldraw" for
// "ldraw/parts/3001.dat"), "" when the library is at the top.
function libraryRoot(path, inLibrary) {
  return path.replace(/\\/g, '/').slice(0, -inLibrary.length).replace(/\/$/, '');
}

function readSync(blob) {
  return new Uint8Array(new FileReaderSync().readAsArrayBuffer(blob));
}

// One file of the library: its size known from the start (or null when it
// is not), its bytes (or why they cannot be read) kept once they are.
class LibraryFile {
  constructor(path, size) {
    this.path = path;
    this.size = size;
    this.bytes = null;
    this.failure = null;
  }

  // Whether read() answers now, with the bytes or with the failure.
  atHand() {
    return this.bytes !== null || this.failure !== null;
  }

  // The bytes; throws the failure, or a NotAtHand when the file has not
  // been brought.
  read() {
    if (this.bytes !== null) return this.bytes;
    if (this.failure !== null) throw this.failure;
    throw new NotAtHand(this);
  }
}

// A library file that has to be brought before it is read.
export class NotAtHand extends Error {
  constructor(file) {
    super(`The library's ${file.path} is not at hand yet`);
    this.file = file;
  }
}

class Library {
  // `files`: a Map of library paths to LibraryFile; `name`: what the command
  // line would give as -l (the library's folder, or the zip file).
  constructor(files, name) {
    this.files = files;
    this.name = name;
    this.byKey = new Map();
    // Of two paths with one key (names that differ in case only), the
    // smallest, as the program picks among a folder's or an archive's.
    for (const path of [...files.keys()].sort().reverse()) {
      this.byKey.set(subfileKey(path), files.get(path));
    }
  }

  get size() {
    return this.files.size;
  }

  // Makes `files` (LibraryFile, not at hand) readable.
  async bring(files) {
    throw new Error(`The library cannot bring ${files.map((file) => file.path).join(', ')}`);
  }

  // How many parts it holds: the files in parts/ and Unofficial/parts/
  // (not in their s/ folders).
  parts() {
    const folders = ['parts', 'Unofficial/parts'].map((folder) => `${subfileKey(folder)}/`);
    let parts = 0;
    for (const path of this.files.keys()) {
      const key = subfileKey(path);
      if (folders.some((folder) => key.startsWith(folder) && !key.includes('/', folder.length))) ++parts;
    }
    return parts;
  }

  // The library file that an LDraw file refers to as `name` (LibraryFile),
  // or null: by subfileKey, in the folders the program searches (p/, parts/,
  // parts/s/ and their Unofficial/ counterparts).
  find(name) {
    for (const folder of ['p/', 'parts/', 'parts/s/', 'unofficial/p/', 'unofficial/parts/',
                          'unofficial/parts/s/']) {
      const file = this.byKey.get(subfileKey(folder + name));
      if (file) return file;
    }
    return null;
  }

  hasColours() {
    return this.coloursFile() !== null;
  }

  // LDConfig.ldr (LibraryFile), or null.
  coloursFile() {
    return this.byKey.get(subfileKey('LDConfig.ldr')) ?? null;
  }

  // LDConfig.ldr's bytes, or null.
  colours() {
    return this.coloursFile()?.read() ?? null;
  }
}

// --- A folder ---------------------------------------------------------------------

// A file of a picked folder: its size is not known (asking each of 28,000
// files takes seconds); brought, it has the File object to read it from.
class FolderFile extends LibraryFile {
  constructor(path, place) {
    super(path, null);
    this.place = place;
    this.blob = null;
  }

  atHand() {
    return super.atHand() || this.blob !== null;
  }

  read() {
    if (this.bytes === null && this.failure === null && this.blob !== null) {
      try {
        this.bytes = readSync(this.blob);
      } catch (error) {
        this.failure = new Error(`The library's ${this.path} could not be read ` +
                                 `(${error.name ?? 'Error'}: ${error.message ?? error}). ` +
                                 'Pick the library again.');
      }
    }
    return super.read();
  }
}

// The library among the files of a picked folder, from their `paths` (from
// the picked folder on). The page keeps the File objects: handing over a
// whole library's (28,000) takes seconds, and so does asking each its size.
// `askForBlobs(places)` answers the File objects at those places of the
// list (null for one the page no longer has).
export function libraryFromFolder(paths, askForBlobs) {
  const found = new Map();
  let name = null;
  paths.forEach((path, k) => {
    const inLibrary = libraryPath(path);
    if (inLibrary === null) return;
    name ??= libraryRoot(path, inLibrary) || '.';
    found.set(inLibrary, new FolderFile(inLibrary, k));
  });
  // Without library files, the picked folder names it.
  const library = new Library(found, name ?? (paths.length > 0 ? paths[0].split('/')[0] : '.'));
  library.bring = async (files) => {
    const blobs = await askForBlobs(files.map((file) => file.place));
    files.forEach((file, k) => {
      if (!blobs[k]) throw new Error(`The page no longer has the library's ${file.path}: pick the library again`);
      file.blob = blobs[k];
    });
  };
  return library;
}

// --- A zip archive ----------------------------------------------------------------
// Read by zip.js: the central directory when the archive is picked, an entry
// when it is brought, inflated by the browser's DecompressionStream and its
// CRC-32 checked against the directory's.

// Inflating in this worker: zip.js would otherwise start workers of its own.
configure({ useWebWorkers: false });

const kStored = 0;
const kDeflated = 8;

// Why an entry's bytes cannot be had: the checks' failures in the page's
// words, any other (inflating, reading the file) in zip.js's or the
// browser's.
function entryProblem(error) {
  const message = String(error?.message ?? error);
  if (message === ERR_INVALID_CRC32) return 'its CRC-32 does not match its data: the archive is damaged';
  if (message === ERR_INVALID_UNCOMPRESSED_SIZE) {
    return 'its size is not the one the archive gives: the archive is damaged';
  }
  return message;
}

// An entry of a zip archive named `zipName`, its size from the archive's
// directory.
class ZipEntryFile extends LibraryFile {
  constructor(path, entry, zipName) {
    super(path, entry.uncompressedSize);
    this.entry = entry;
    this.zipName = zipName;
  }

  fail(problem) {
    this.failure = new Error(`${this.zipName}: the entry ${this.entry.filename} cannot be read: ${problem}`);
  }

  // Reads the bytes, or keeps why they cannot be read: encrypted entries
  // and compression methods other than stored and deflate are refused.
  async bring() {
    const { entry } = this;
    if (entry.encrypted) {
      this.fail('it is encrypted');
    } else if (entry.compressionMethod !== kStored && entry.compressionMethod !== kDeflated) {
      this.fail(`it is compressed by method ${entry.compressionMethod}, and only stored and deflated ` +
                'entries are read');
    } else {
      try {
        // checkCrc32 (zip.js's checkSignature of before, which it still
        // takes) compares the CRC-32 of the bytes with the directory's.
        this.bytes = await entry.getData(new Uint8ArrayWriter(), { checkCrc32: true });
      } catch (error) {
        this.fail(entryProblem(error));
      }
    }
  }
}

// The library in a zip archive (a File or Blob) named `name`. Throws an
// Error that says what is wrong with an archive that cannot be read.
export async function libraryFromZip(blob, name) {
  let entries;
  try {
    entries = await new ZipReader(new BlobReader(blob)).getEntries();
  } catch (error) {
    const zip = await isZipFile(new BlobReader(blob)).catch(() => false);
    const problem = zip ? `it is damaged (${error?.message ?? error})` : 'it is not a zip archive';
    throw new Error(`${name} cannot be read: ${problem}`);
  }
  const found = new Map();
  for (const entry of entries) {
    const inLibrary = entry.directory ? null : libraryPath(entry.filename);
    if (inLibrary !== null) found.set(inLibrary, new ZipEntryFile(inLibrary, entry, name));
  }
  const library = new Library(found, name);
  library.bring = (files) => Promise.all(files.map((file) => file.bring()));
  return library;
}
