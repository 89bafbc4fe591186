// The runner's wasm is read from beside the script. Node has a fetch of its
// own now, which this Emscripten would otherwise try on a plain file path.
Module['wasmBinary'] = require('fs').readFileSync(
  require('path').join(__dirname, 'tessalune-headless.wasm'));
