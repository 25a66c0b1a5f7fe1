// When two names in LDraw files name the same library file, by the
// program's own rule (src/model/library_name.h): "\" and "/" alike, empty
// and "." components dropped, each ".." taking back the component before it
// (one with nothing before it stays at the start), and ASCII letters without
// regard to case; other bytes are kept as they are. tests/data/
// library_name_keys.tsv lists names and their keys, and the page's test
// checks this function against it.
export function subfileKey(name) {
  const kept = [];
  for (const component of name.split(/[\\/]/)) {
    if (component === '' || component === '.') continue;
    if (component === '..' && kept.length > 0 && kept[kept.length - 1] !== '..') {
      kept.pop();
    } else {
      kept.push(component);
    }
  }
  return kept.join('/').replace(/[A-Z]/g, (c) => c.toLowerCase());
}
