// rhtool: a command-line host for raster handler plug-ins. It loads a plug-in and drives it in
// the host application's calling order: identify, test a file, open, draw, take the picture,
// close; what it changes is the style document and the settings the plug-in reads. The program's
// main() is a thin wrapper; tests call RunRhtool in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace Tarn::Tools {

// Exit codes.
enum RhtoolExit : int {
    kExitOk = 0,
    kExitUsage = 1,
    kExitPluginUnusable = 2,
    kExitFileNotTaken = 3,
    kExitOpenFailed = 4,
    kExitDrawFailed = 5,
    kExitOutputUnwritable = 6,
};

// `args` are the command-line arguments without the program name; `err_is_terminal` lets a
// long draw show a progress bar on `err`.
int RunRhtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool err_is_terminal = false);

}  // namespace Tarn::Tools
