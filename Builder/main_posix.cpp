// setup-builder on Linux: makes installer executables from a setup script and a folder of files.
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "BuilderCommand.h"

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::absolute(argv[0]);
    return BuilderMain(args, exe, std::cout, std::cerr);
}
