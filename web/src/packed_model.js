// Turns an LDraw file and the subfiles it refers to into one multi-part text
// ("0 FILE" sections), so that three.js's LDrawLoader shows it without
// fetching anything; and marks lines of a file, for the view of a check.

const decoder = new TextDecoder();

// The lines of `text`, split as the program counts them: at CR LF, LF or a
// lone CR (LineCursor in the program), so that line N here is its line N.
export function lines(text) {
  return text.split(/\r\n|\r|\n/);
}

// The file name of a subfile reference (a type 1 line), or null for any
// other line: the rest of the line after 14 tokens, spaces and all.
function referencedName(line) {
  const match = line.match(/^\s*1\s+(?:\S+\s+){13}(\S.*?)\s*$/);
  return match ? match[1] : null;
}

function namesIn(textLines) {
  return textLines.map(referencedName).filter((name) => name !== null);
}

// The file names of the subfile references (type 1 lines) of `text`.
export function referencedNames(text) {
  return namesIn(lines(text));
}

// The key LDrawLoader looks a referenced file up by: "\" as "/", "s/" in
// "parts/" and "48/" in "p/" (as the loader puts them), without regard to
// case. An embedded file's name gets the same key, so that references find
// it as they name it.
function loaderName(name) {
  let path = name.trim().replace(/\\/g, '/');
  if (path.startsWith('s/')) path = `parts/${path}`;
  else if (path.startsWith('48/')) path = `p/${path}`;
  return path.toLowerCase();
}

const kFileLine = /^0 FILE /;

// The files of `textLines` (the text of a file named `name`) as the view
// reads them: [{key, from, to}], the lines [from, to) of each (indexes from
// 0). A text without "0 FILE" lines is one file; of an MPD, each "0 FILE"
// line starts one (without that line), and the lines before the first are
// not shown: LDrawLoader reads a "0 FILE" line as the model's own name only
// on the text's first line. The first file is the model shown.
function textFiles(textLines, name) {
  const starts = [];
  textLines.forEach((line, k) => {
    if (kFileLine.test(line.trimStart())) starts.push(k);
  });
  if (starts.length === 0) return [{ key: loaderName(name), from: 0, to: textLines.length }];
  return starts.map((start, k) => ({
    key: loaderName(textLines[start].trimStart().slice(7)),
    from: start + 1,
    to: starts[k + 1] ?? textLines.length,
  }));
}

// The packed text of `files`, [key, lines] each, the first the model shown
// (of files with the same key, the first counts). A reference that closes a
// loop (a file placing itself, at any depth) is left out: LDrawLoader would
// follow it for ever.
function joined(files) {
  const byKey = new Map();
  for (const [key, fileLines] of files) if (!byKey.has(key)) byKey.set(key, fileLines);
  const open = new Set();
  const done = new Set();
  const stack = [{ key: files[0][0], next: 0 }];
  open.add(files[0][0]);
  while (stack.length > 0) {
    const top = stack[stack.length - 1];
    let fileLines = byKey.get(top.key);
    if (top.next >= fileLines.length) {
      stack.pop();
      open.delete(top.key);
      done.add(top.key);
      continue;
    }
    const k = top.next++;
    const name = referencedName(fileLines[k]);
    if (name === null) continue;
    const target = loaderName(name);
    if (open.has(target)) {
      fileLines = [...fileLines];
      fileLines[k] = '';
      byKey.set(top.key, fileLines);
    } else if (byKey.has(target) && !done.has(target)) {
      open.add(target);
      stack.push({ key: target, next: 0 });
    }
  }
  return [...byKey].map(([key, fileLines]) => `0 FILE ${key}\n${fileLines.join('\n')}\n`).join('');
}

// The packed text of `mainText` named `mainName`, with every subfile that
// `findFile(name)` (bytes or null) finds, at any depth; the names of those
// it does not find; and its files ([key, lines], for markedModel). An MPD's
// own files are found by name before `findFile` is asked. A file not found
// gets an empty section, so that the loader leaves it out instead of
// fetching it.
export function packModel(mainText, mainName, findFile) {
  const mainLines = lines(mainText);
  const files = textFiles(mainLines, mainName).map(({ key, from, to }) => [key, mainLines.slice(from, to)]);
  const known = new Set(files.map(([key]) => key));
  const missing = [];
  // In the order the files name them, as the program reports them.
  const pending = files.flatMap(([, fileLines]) => namesIn(fileLines));
  for (let k = 0; k < pending.length; ++k) {
    const name = pending[k];
    const key = loaderName(name);
    if (known.has(key)) continue;
    known.add(key);
    const bytes = findFile(name);
    if (!bytes) {
      missing.push(name);
      files.push([key, []]);
      continue;
    }
    const fileLines = lines(decoder.decode(bytes));
    files.push([key, fileLines]);
    pending.push(...namesIn(fileLines));
  }
  return { text: joined(files), missing, files };
}

// An edge line along a conditional line's two ends: a conditional line is
// drawn only where it is an outline, and a marked one must show.
function asEdgeLine(line) {
  const tokens = line.trim().split(/\s+/);
  return tokens.length >= 8 ? ['2', ...tokens.slice(1, 8)].join(' ') : '';
}

// The packed text of the elements of the `marked` lines (a Set of line
// numbers, from 1, as the program numbers them) of `text`, named `name`,
// placed where the model shows them; `files` are those packModel gave for
// the same text. A marked reference places its whole subfile. The other
// lines are left out, but an MPD's references to its own files are kept,
// to copies of those files with only their marked lines.
export function markedModel(text, name, marked, files) {
  const textLines = lines(text);
  const sections = textFiles(textLines, name);
  const markedKey = new Map();
  sections.forEach(({ key }, k) => {
    if (!markedKey.has(key)) markedKey.set(key, `halvex:marked/${k}`);
  });
  const markedFiles = sections.map(({ from, to }, k) => {
    const kept = [];
    for (let n = from; n < to; ++n) {
      const line = textLines[n];
      const type = line.trim().split(/\s+/)[0];
      if (marked.has(n + 1)) {
        if (type === '5') kept.push(asEdgeLine(line));
        else if (['1', '2', '3', '4'].includes(type)) kept.push(line);
      } else if (type === '1') {
        const own = markedKey.get(loaderName(referencedName(line) ?? ''));
        if (own) kept.push(line.replace(/^(\s*(?:\S+\s+){14}).*$/, `$1${own}`));
      }
    }
    return [`halvex:marked/${k}`, kept];
  });
  return joined([...markedFiles, ...files]);
}
