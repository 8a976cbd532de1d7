// The browser build's emulator (CMAKE_CROSSCOMPILING_EMULATOR): runs
// PROGRAM.js ARGS... under node as if node had been given PROGRAM.js itself,
// except that the program's .wasm and preloaded .data are found beside it
// whatever the working folder (the replay checks start the play tester from
// folders of their own). The program reads its settings from a `Module` it
// finds in scope, so it runs inside a function that hands it one.
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');
const program = path.resolve(process.argv[2]);
process.argv.splice(1, 2, program);
const Module = {locateFile: (file) => path.join(path.dirname(program), file)};
const source = fs.readFileSync(program, 'utf8');
const run = vm.runInThisContext(
    '(function (Module, require, module, exports, __filename, __dirname) {' + source + '\n})', {filename: program});
const module_ = {exports: {}};
run(Module, require, module_, module_.exports, program, path.dirname(program));
