// An LDraw library for the page's worker: the names of its files, by path
// relative to the library's folder ("parts/3001.dat", "p/stud.dat",
// "LDConfig.ldr"), and their contents read only when a run or the view asks
// for them. Built from the names of a picked folder's files or from a zip
// archive such as LDraw.org's complete.zip; only what a library holds for
// parts is kept (parts/, p/ and LDConfig.ldr, with their Unofficial/
// counterparts). Reading is synchronous (FileReaderSync, workers only): the
// program reads its files in the middle of a run.
import { inflateSync } from 'fflate';

// The path of `path` below the library's folder, or null when it is not a
// library file. The library's folder is the one that holds parts/ or p/ (or
// LDConfig.ldr), at any depth: "ldraw/parts/3001.dat" gives "parts/3001.dat".
export function libraryPath(path) {
  const parts = path.split(/[\\/]/).filter((part) => part !== '');
  for (let k = 0; k < parts.length; ++k) {
    const name = parts[k].toLowerCase();
    if (name === 'unofficial' && k + 1 < parts.length - 1) {
      const next = parts[k + 1].toLowerCase();
      if (next === 'parts' || next === 'p') return parts.slice(k).join('/');
    }
    if ((name === 'parts' || name === 'p') && k < parts.length - 1) {
      return parts.slice(k).join('/');
    }
    if (name === 'ldconfig.ldr' && k === parts.length - 1) return parts[k];
  }
  return null;
}

// The form of a subfile's name that the page matches names by: without
// regard to case, "\" and "/" alike. Names are matched here and nowhere
// else in the page.
export function subfileKey(name) {
  return name.replace(/\\/g, '/').toLowerCase();
}

// The folder of `path` that holds the library ("ldraw" for
// "ldraw/parts/3001.dat"), "" when the library is at the top.
function libraryRoot(path, inLibrary) {
  return path.replace(/\\/g, '/').slice(0, -inLibrary.length).replace(/\/$/, '');
}

function readSync(blob) {
  return new Uint8Array(new FileReaderSync().readAsArrayBuffer(blob));
}

// One file of the library: its size known from the start (or null when it
// is not), its bytes read on the first call of read() and kept. `blob()`
// answers what to read them from, or null when the page has not handed it
// over yet: read() then throws a NotHandedOver.
class LibraryFile {
  constructor(path, size, blob, load = readSync) {
    this.path = path;
    this.size = size;
    this.blob = blob;
    this.load = load;
    this.bytes = null;
  }

  // Whether read() can read the bytes now.
  atHand() {
    return this.bytes !== null || this.blob() !== null;
  }

  read() {
    if (this.bytes !== null) return this.bytes;
    const blob = this.blob();
    if (blob === null) throw new NotHandedOver(this);
    try {
      this.bytes = this.load(blob);
    } catch (error) {
      throw new Error(`The library's ${this.path} could not be read ` +
                      `(${error.name ?? 'Error'}: ${error.message ?? error}). ` +
                      'Pick the library again.');
    }
    return this.bytes;
  }
}

// A library file whose File object the page has not handed over.
export class NotHandedOver extends Error {
  constructor(file) {
    super(`The library's ${file.path} is not at hand yet`);
    this.file = file;
  }
}

export class Library {
  // `files`: a Map of library paths to LibraryFile; `name`: what the command
  // line would give as -l (the library's folder, or the zip file).
  constructor(files, name) {
    this.files = files;
    this.name = name;
    this.byLowerPath = new Map();
    for (const [path, file] of files) this.byLowerPath.set(subfileKey(path), file);
  }

  get size() {
    return this.files.size;
  }

  // Gives `file` the blob to read it from (a folder's library only).
  handOver(file) {
    throw new Error(`The library's ${file.path} cannot be handed over`);
  }

  // How many parts it holds: the files in parts/ and Unofficial/parts/
  // (not in their s/ folders).
  parts() {
    let parts = 0;
    for (const path of this.files.keys()) if (/^(unofficial\/)?parts\/[^/]+$/i.test(path)) ++parts;
    return parts;
  }

  // The library file that an LDraw file refers to as `name` (LibraryFile),
  // or null: by subfileKey, in the folders the program searches (p/, parts/,
  // parts/s/ and their Unofficial/ counterparts).
  find(name) {
    const lower = subfileKey(name);
    for (const folder of ['p/', 'parts/', 'parts/s/', 'unofficial/p/', 'unofficial/parts/',
                          'unofficial/parts/s/']) {
      const file = this.byLowerPath.get(folder + lower);
      if (file) return file;
    }
    return null;
  }

  hasColours() {
    return this.byLowerPath.has('ldconfig.ldr');
  }

  // LDConfig.ldr (LibraryFile), or null.
  coloursFile() {
    return this.byLowerPath.get('ldconfig.ldr') ?? null;
  }

  // LDConfig.ldr's bytes, or null.
  colours() {
    return this.coloursFile()?.read() ?? null;
  }
}

// The library among the files of a picked folder, from their `paths` (from
// the picked folder on). The page keeps the File objects: handing over a
// whole library's (28,000) takes seconds, and so does asking each its size.
// A file's own is asked for (see NotHandedOver) by its place in the list,
// and given to handOver().
export function libraryFromFolder(paths) {
  const found = new Map();
  const handed = new Map();
  let name = null;
  paths.forEach((path, k) => {
    const inLibrary = libraryPath(path);
    if (inLibrary === null) return;
    name ??= libraryRoot(path, inLibrary) || '.';
    const file = new LibraryFile(inLibrary, null, () => handed.get(file) ?? null);
    file.place = k;
    found.set(inLibrary, file);
  });
  // Without library files, the picked folder names it.
  const library = new Library(found, name ?? (paths.length > 0 ? paths[0].split('/')[0] : '.'));
  library.handOver = (file, blob) => handed.set(file, blob);
  return library;
}

// --- Zip archives ---------------------------------------------------------------
// The archive's central directory is read when it is picked, and an entry
// when it is asked for. Record layouts from PKWARE's APPNOTE.TXT (6.3.10):
// end of central directory 4.3.16, its zip64 forms 4.3.14 and 4.3.15, central
// directory header 4.3.12, local file header 4.3.7, zip64 extra field 4.5.3.

const kEndSignature = 0x06054b50;
const kZip64LocatorSignature = 0x07064b50;
const kZip64EndSignature = 0x06064b50;
const kCentralSignature = 0x02014b50;
const kLocalSignature = 0x04034b50;

class ZipError extends Error {}

function bytesAt(blob, start, length) {
  if (start < 0 || start + length > blob.size) throw new ZipError('it is truncated');
  return new DataView(readSync(blob.slice(start, start + length)).buffer);
}

function uint64(view, at) {
  return Number(view.getBigUint64(at, true));
}

// Where the central directory is and how many entries it holds.
function centralDirectory(blob) {
  const tailLength = Math.min(blob.size, 22 + 0xffff);
  const tail = bytesAt(blob, blob.size - tailLength, tailLength);
  let end = tailLength - 22;
  while (end >= 0 && tail.getUint32(end, true) !== kEndSignature) --end;
  if (end < 0) throw new ZipError('it is not a zip archive');
  let entries = tail.getUint16(end + 10, true);
  let size = tail.getUint32(end + 12, true);
  let offset = tail.getUint32(end + 16, true);
  if (entries === 0xffff || size === 0xffffffff || offset === 0xffffffff) {
    const locatorAt = blob.size - tailLength + end - 20;
    const locator = bytesAt(blob, locatorAt, 20);
    if (locator.getUint32(0, true) !== kZip64LocatorSignature) throw new ZipError('it is damaged');
    const record = bytesAt(blob, uint64(locator, 8), 56);
    if (record.getUint32(0, true) !== kZip64EndSignature) throw new ZipError('it is damaged');
    entries = uint64(record, 32);
    size = uint64(record, 40);
    offset = uint64(record, 48);
  }
  return { entries, size, offset };
}

// The sizes and offset of a central directory entry, with those its zip64
// extra field holds in place of the 32-bit ones that are all ones.
function entryPlace(view, at, nameLength, extraLength) {
  const place = {
    compressed: view.getUint32(at + 20, true),
    size: view.getUint32(at + 24, true),
    offset: view.getUint32(at + 42, true),
  };
  let extra = at + 46 + nameLength;
  const extraEnd = extra + extraLength;
  while (extra + 4 <= extraEnd) {
    const id = view.getUint16(extra, true);
    const length = view.getUint16(extra + 2, true);
    if (id === 0x0001) {
      let field = extra + 4;
      for (const key of ['size', 'compressed', 'offset']) {
        if (place[key] === 0xffffffff && field + 8 <= extra + 4 + length) {
          place[key] = uint64(view, field);
          field += 8;
        }
      }
    }
    extra += 4 + length;
  }
  return place;
}

// The bytes of one entry: its local header gives where its data starts.
function readEntry(blob, entry) {
  const local = bytesAt(blob, entry.offset, 30);
  if (local.getUint32(0, true) !== kLocalSignature) throw new ZipError('the archive is damaged');
  const start = entry.offset + 30 + local.getUint16(26, true) + local.getUint16(28, true);
  const data = readSync(blob.slice(start, start + entry.compressed));
  if (data.length !== entry.compressed) throw new ZipError('the archive is truncated');
  if (entry.method === 0) return data;
  if (entry.method !== 8) throw new ZipError(`compression method ${entry.method} is not read`);
  const bytes = inflateSync(data, { out: new Uint8Array(entry.size) });
  if (bytes.length !== entry.size) throw new ZipError('the archive is damaged');
  return bytes;
}

// The library in a zip archive (a File or Blob) named `name`. Throws an
// Error that says what is wrong with an archive that cannot be read.
export function libraryFromZip(blob, name) {
  try {
    const { entries, size, offset } = centralDirectory(blob);
    const view = bytesAt(blob, offset, size);
    const decoder = new TextDecoder();
    const found = new Map();
    let at = 0;
    for (let k = 0; k < entries; ++k) {
      if (at + 46 > size || view.getUint32(at, true) !== kCentralSignature) {
        throw new ZipError('it is damaged');
      }
      const flags = view.getUint16(at + 8, true);
      const method = view.getUint16(at + 10, true);
      const nameLength = view.getUint16(at + 28, true);
      const extraLength = view.getUint16(at + 30, true);
      const commentLength = view.getUint16(at + 32, true);
      const path = decoder.decode(new Uint8Array(view.buffer, at + 46, nameLength));
      const inLibrary = path.endsWith('/') ? null : libraryPath(path);
      if (inLibrary !== null) {
        const entry = { method, ...entryPlace(view, at, nameLength, extraLength) };
        found.set(inLibrary, new LibraryFile(inLibrary, entry.size, () => blob, () => {
          if (flags & 1) throw new ZipError('it is encrypted');
          return readEntry(blob, entry);
        }));
      }
      at += 46 + nameLength + extraLength + commentLength;
    }
    return new Library(found, name);
  } catch (error) {
    if (error instanceof ZipError) throw new Error(`${name} cannot be read: ${error.message}`);
    throw error;
  }
}
