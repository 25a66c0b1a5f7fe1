// A splitter file as the page reads it: for the plane it draws, and turned
// round for the run that keeps what the splitter file removes. The program
// splits by every triangle and quadrilateral of the file, each through its
// first three corners, and removes what lies on the side its normal points
// to (see AxisCorners and Polygon::SplitterPlane in the program).
import * as THREE from 'three';

function lines(text) {
  return text.split(/\r\n|\r|\n/);
}

// The plane of the first triangle or quad of a splitter file that spans one.
export function splitterPlane(text) {
  for (const line of lines(text)) {
    const tokens = line.trim().split(/\s+/);
    if (tokens[0] !== '3' && tokens[0] !== '4') continue;
    const numbers = tokens.slice(2, 11).map(Number);
    if (numbers.length < 9 || numbers.some((n) => !Number.isFinite(n))) continue;
    const [a, b, c] = [0, 3, 6].map((k) => new THREE.Vector3(numbers[k], numbers[k + 1], numbers[k + 2]));
    const normal = b.clone().sub(a).cross(c.clone().sub(a));
    if (normal.lengthSq() > 0) return { point: a, normal: normal.normalize() };
  }
  return null;
}

// The splitter file with every triangle and quadrilateral turned round: its
// first and third corners swapped, as the program's -i turns the planes of
// the command line round. The same planes then remove the other side.
export function reversedSplitter(bytes) {
  const text = new TextDecoder().decode(bytes);
  const turned = lines(text).map((line) => {
    const tokens = line.trim().split(/\s+/);
    const corners = tokens[0] === '3' ? 3 : tokens[0] === '4' ? 4 : 0;
    if (corners === 0 || tokens.length < 2 + 3 * corners) return line;
    const first = tokens.slice(2, 5);
    tokens.splice(2, 3, ...tokens.slice(8, 11));
    tokens.splice(8, 3, ...first);
    return tokens.join(' ');
  });
  return new TextEncoder().encode(turned.join('\r\n'));
}
