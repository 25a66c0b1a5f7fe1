// Turns an LDraw file and the subfiles it refers to into one multi-part text
// ("0 FILE" sections), so that three.js's LDrawLoader shows it without
// fetching anything.

const decoder = new TextDecoder();

// The file names of the subfile references (type 1 lines) of `text`.
function referencedNames(text) {
  const names = [];
  for (const line of text.split(/\r\n|\r|\n/)) {
    const tokens = line.trim().split(/\s+/);
    if (tokens[0] !== '1' || tokens.length < 15) continue;
    // The name is the rest of the line after 14 tokens, spaces and all.
    const match = line.match(/^\s*(?:\S+\s+){14}(.+?)\s*$/);
    if (match) names.push(match[1]);
  }
  return names;
}

// The key LDrawLoader looks a subfile up by.
function loaderName(name) {
  return name.replace(/\\/g, '/').toLowerCase();
}

// The packed text of `mainText` named `mainName`, with every subfile that
// `findFile(name)` (bytes or null) finds, at any depth. Subfiles not found
// are left out, and LDrawLoader leaves them out of the view.
export function packModel(mainText, mainName, findFile) {
  const sections = [`0 FILE ${loaderName(mainName)}\n${mainText}\n`];
  const done = new Set([loaderName(mainName)]);
  const pending = referencedNames(mainText);
  while (pending.length > 0) {
    const name = pending.pop();
    const key = loaderName(name);
    if (done.has(key)) continue;
    done.add(key);
    const bytes = findFile(name);
    if (!bytes) continue;
    const text = decoder.decode(bytes);
    sections.push(`0 FILE ${key}\n${text}\n`);
    pending.push(...referencedNames(text));
  }
  return sections.join('');
}
