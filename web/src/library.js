// An LDraw library held in memory: its files by path relative to the
// library's folder ("parts/3001.dat", "p/stud.dat", "LDConfig.ldr"). Built
// from LDraw.org's complete.zip or from the files of a picked folder; only
// what a library holds for parts is kept (parts/, p/ and LDConfig.ldr, with
// their Unofficial/ counterparts).
import { unzipSync } from 'fflate';

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

// The library files of a zip archive, as a Map of library paths to bytes.
export function libraryFromZip(bytes) {
  const files = new Map();
  const unzipped = unzipSync(bytes, {
    filter: (entry) => !entry.name.endsWith('/') && libraryPath(entry.name) !== null,
  });
  for (const [name, data] of Object.entries(unzipped)) files.set(libraryPath(name), data);
  return files;
}

// Finds files of the library by the names LDraw files refer to them by:
// without regard to case, "\" and "/" alike, in the folders the program
// searches (p/, parts/, parts/s/ and their Unofficial/ counterparts).
export class LibraryIndex {
  constructor(files) {
    this.byLowerPath = new Map();
    for (const [path, bytes] of files) this.byLowerPath.set(path.toLowerCase(), bytes);
  }

  find(name) {
    const lower = name.replace(/\\/g, '/').toLowerCase();
    for (const folder of ['p/', 'parts/', 'parts/s/', 'unofficial/p/', 'unofficial/parts/',
                          'unofficial/parts/s/']) {
      const bytes = this.byLowerPath.get(folder + lower);
      if (bytes) return bytes;
    }
    return null;
  }

  colours() {
    return this.byLowerPath.get('ldconfig.ldr') ?? null;
  }
}
