#pragma once
// Running the tools and drivers the hostile-input tests put to work.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace hostile {

struct Run {
    int status = -1;     // exit code, or -1 when the program did not exit normally
    std::string output;  // stdout and stderr together
};

inline Run run(std::vector<std::string> args) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], 1);
        dup2(pipeEnds[1], 2);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    Run result;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, std::size_t(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs a helper the tests cannot do without; ends the test program when it fails.
inline void runChecked(std::vector<std::string> args) {
    Run r = run(args);
    if (r.status != 0) {
        std::fprintf(stderr, "%s failed (%d):\n%s\n", args[0].c_str(), r.status, r.output.c_str());
        std::exit(1);
    }
}

}  // namespace hostile
