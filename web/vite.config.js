// The page is built into dist/, with relative paths, so that any static file
// server (python3 -m http.server) serves it from any folder.
import { defineConfig } from 'vite';

export default defineConfig({
  base: './',
  worker: { format: 'es' },
  build: { outDir: 'dist', emptyOutDir: true, chunkSizeWarningLimit: 1500 },
});
