// Turns an LDraw file and the subfiles it refers to into one multi-part text
// ("0 FILE" sections), so that three.js's LDrawLoader shows it without
// fetching anything.

const decoder = new TextDecoder();

function lines(text) {
  return text.split(/\r\n|\r|\n/);
}

// The file names of the subfile references (type 1 lines) of `text`.
export function referencedNames(text) {
  const names = [];
  for (const line of lines(text)) {
    const tokens = line.trim().split(/\s+/);
    if (tokens[0] !== '1' || tokens.length < 15) continue;
    // The name is the rest of the line after 14 tokens, spaces and all.
    const match = line.match(/^\s*(?:\S+\s+){14}(.+?)\s*$/);
    if (match) names.push(match[1]);
  }
  return names;
}

// The key LDrawLoader looks a referenced file up by: "\" as "/", "s/" in
// "parts/" and "48/" in "p/" (as the loader puts them), without regard to
// case.
function loaderName(name) {
  let path = name.trim().replace(/\\/g, '/');
  if (path.startsWith('s/')) path = `parts/${path}`;
  else if (path.startsWith('48/')) path = `p/${path}`;
  return path.toLowerCase();
}

const kFileLine = /^0 FILE /;

// The packed text of `mainText` named `mainName`, with every subfile that
// `findFile(name)` (bytes or null) finds, at any depth, and the names of
// those it does not find. A main text with "0 FILE" lines (an MPD) keeps
// them: its first file is the model shown, and its other files are found
// by name before `findFile` is asked. A file not found gets an empty
// section, so that the loader leaves it out instead of fetching it.
export function packModel(mainText, mainName, findFile) {
  const mainLines = lines(mainText);
  const first = mainLines.findIndex((line) => kFileLine.test(line.trimStart()));
  const sections = [];
  const done = new Set([loaderName(mainName)]);
  if (first >= 0) {
    // LDrawLoader reads a "0 FILE" line as the model's own name only on the
    // text's first line: the lines before it are left out of the view.
    const own = mainLines.slice(first);
    sections.push(`${own.join('\n')}\n`);
    for (const line of own) {
      if (kFileLine.test(line.trimStart())) done.add(line.trimStart().slice(7).trim().toLowerCase());
    }
  } else {
    sections.push(`0 FILE ${loaderName(mainName)}\n${mainText}\n`);
  }
  const missing = [];
  // In the order the files name them, as the program reports them.
  const pending = referencedNames(mainText);
  for (let k = 0; k < pending.length; ++k) {
    const name = pending[k];
    const key = loaderName(name);
    if (done.has(key)) continue;
    done.add(key);
    const bytes = findFile(name);
    if (!bytes) {
      missing.push(name);
      sections.push(`0 FILE ${key}\n`);
      continue;
    }
    const text = decoder.decode(bytes);
    sections.push(`0 FILE ${key}\n${text}\n`);
    pending.push(...referencedNames(text));
  }
  return { text: sections.join(''), missing };
}
