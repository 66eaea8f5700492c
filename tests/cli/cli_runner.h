#pragma once

// Runs the zorvex-cli program for end-to-end tests, against a simulated card.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zorvex::test {

struct CliResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out, err;
};

inline std::string CliPath() {
    return std::string(ZORVEX_BIN_DIR) + "/zorvex-cli";
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A started zorvex-cli, working in `scratch` (the commands that read ./roms or
// ./dizavo.gb look there); stdout and stderr go to files in it, or stderr to
// `stderrFd` when that is given (a terminal for the progress bar).
class CliProcess {
  public:
    CliProcess(const std::vector<std::string>& args, const std::string& simCard,
               const std::string& scratch, int stderrFd = -1)
        : outPath_(scratch + "/cli.out"), errPath_(scratch + "/cli.err") {
        pid_ = ::fork();
        if (pid_ == 0) {
            int out = ::open(outPath_.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            int err = stderrFd >= 0 ? stderrFd
                                    : ::open(errPath_.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            if (::chdir(scratch.c_str()) != 0) ::_exit(126);
            if (simCard.empty())
                ::unsetenv("ZORVEX_SIMULATED_CARD");
            else
                ::setenv("ZORVEX_SIMULATED_CARD", simCard.c_str(), 1);
            std::vector<char*> argv;
            std::string path = CliPath();
            argv.push_back(path.data());
            std::vector<std::string> copy = args;
            for (auto& a : copy) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(path.c_str(), argv.data());
            ::_exit(127);
        }
    }
    pid_t pid() const { return pid_; }

    // True once the program catches SIGINT (its handler is installed).
    bool CatchesInterrupt() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("SigCgt:", 0) == 0)
                return (std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGINT - 1))) != 0;
        }
        return false;
    }

    CliResult Wait() {
        CliResult r;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
        r.out = Slurp(outPath_);
        r.err = Slurp(errPath_);
        return r;
    }

  private:
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
};

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& simCard,
                        const std::string& scratch) {
    return CliProcess(args, simCard, scratch).Wait();
}

}  // namespace zorvex::test
