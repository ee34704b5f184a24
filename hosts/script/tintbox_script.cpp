// tintbox-script [FILE]: runs a script against one headless Tintbox control and prints
// what it reads. Reads standard input when FILE is absent or "-".
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "script_runner.hpp"

int main(int argc, char** argv) {
    using namespace tintbox::script;
    if (argc > 2) {
        std::cerr << "usage: tintbox-script [FILE]\n";
        return kExitScriptError;
    }
    ScriptRunner runner(std::cout, std::cerr);
    if (argc < 2 || std::strcmp(argv[1], "-") == 0)
        return runner.run(std::cin);

    const char* path = argv[1];
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        std::cerr << "tintbox-script: " << path << " is a directory\n";
        return kExitUnreadable;
    }
    std::ifstream script(path, std::ios::binary);
    if (!script) {
        std::cerr << "tintbox-script: cannot read " << path << ": " << std::strerror(errno) << '\n';
        return kExitUnreadable;
    }
    return runner.run(script);
}
