// Linked in front of the test programs and tools of the browser build. Run
// under node (scripts/test-web.sh), a program sees the machine as a desktop
// program does: the host's folders at their own paths (the data folder, the
// sources, the build folder), the working folder it was started in, and the
// caller's environment (KLICE_DATA_DIR). /tmp is the machine's too: the
// replay checks read the logs the play tester writes there. /dev, /proc and
// /home stay the program's own. In a page it does nothing.
if (typeof process === 'object' && process.versions && process.versions.node) {
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function () {
    var fs = require('fs');
    fs.readdirSync('/').forEach(function (name) {
      var path = '/' + name;
      var stat;
      try {
        stat = fs.lstatSync(path);
      } catch (e) {
        return;
      }
      if (!stat.isDirectory()) return;
      if (FS.analyzePath(path).exists) {
        if (path !== '/tmp') return;
      } else {
        FS.mkdir(path);
      }
      FS.mount(NODEFS, {root: path}, path);
    });
    try {
      FS.chdir(process.cwd());
    } catch (e) {
      // Started in a folder the program keeps to itself (/tmp): stay at /.
    }
    if (typeof ENV === 'object') Object.assign(ENV, process.env);
  });
}
