// rhtool's entry point.
#include <iostream>

#include "platform/terminal.h"
#include "tools/rhtool.h"

int main(int argc, char** argv) {
    return Tarn::Tools::RunRhtool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                  std::cerr, Tarn::Platform::StandardErrorIsTerminal());
}
