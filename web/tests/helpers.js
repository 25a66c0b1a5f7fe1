// What the browser tests share: where the repository and the Linux build
// are, and pixel counts of the page's view.
import path from 'node:path';

export const repo = path.resolve(import.meta.dirname, '../..');
export const linux = path.resolve(repo, process.env.HALVEX_LINUX ?? 'build/halvex');

// The view's pixels in its left and right halves: those that differ from
// the background, or with `colour` ([r, g, b]) those near it.
export async function pixelCounts(page, colour = null) {
  return page.evaluate((wanted) => {
    const view = window.halvexView;
    view.render();
    const source = view.canvas;
    const canvas = document.createElement('canvas');
    canvas.width = source.width;
    canvas.height = source.height;
    const context = canvas.getContext('2d');
    context.drawImage(source, 0, 0);
    const { data } = context.getImageData(0, 0, canvas.width, canvas.height);
    const [reference, near] = wanted ? [wanted, true] : [[0x1d, 0x21, 0x27], false];
    const counts = { left: 0, right: 0 };
    for (let y = 0; y < canvas.height; ++y) {
      for (let x = 0; x < canvas.width; ++x) {
        const k = 4 * (y * canvas.width + x);
        const distance = Math.abs(data[k] - reference[0]) + Math.abs(data[k + 1] - reference[1]) +
                         Math.abs(data[k + 2] - reference[2]);
        if (near ? distance < 60 : distance > 30) counts[x < canvas.width / 2 ? 'left' : 'right'] += 1;
      }
    }
    return counts;
  }, colour);
}
