// rhtool: a command-line host for raster handler plug-ins. It loads a plug-in and drives it in
// the host application's calling order: identify, test a file, open, draw, take the picture,
// close. The program's main() is a thin wrapper; tests call RunRhtool in-process.
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

// `args` are the command-line arguments without the program name.
int RunRhtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace Tarn::Tools
