#pragma once
// Runs vornell-cli through the shell and captures what it printed.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "library/Scratch_dir.h"

struct CliRun {
    int code; // exit status, -1 when the program did not exit normally
    std::string out;
    std::string err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// stdout and stderr go to files in dir; stdin is empty so nothing can wait on it.
inline CliRun run_cli(const ScratchDir& dir, const std::string& args) {
    const std::string out = dir.file("stdout"), err = dir.file("stderr");
    const std::string command =
        "'" VORNELL_CLI "' " + args + " >'" + out + "' 2>'" + err + "' </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}
