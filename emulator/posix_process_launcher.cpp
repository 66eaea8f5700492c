#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "emulator/command_line.h"
#include "emulator/process_launcher.h"

namespace zorvex {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The file to execute, found before forking: between fork and exec only
// async-signal-safe calls are allowed, which rules out a PATH search there.
std::string ResolveProgram(const std::string& program, const std::string& workingDirectory) {
    if (program.find('/') != std::string::npos) {
        if (program.front() == '/' || workingDirectory.empty()) return program;
        return workingDirectory + "/" + program;
    }
    const char* env = std::getenv("PATH");
    std::string path = env && *env ? env : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    for (;;) {
        size_t end = path.find(':', start);
        // An empty entry stands for the current directory.
        std::string candidate(path, start, end == std::string::npos ? end : end - start);
        candidate.append(candidate.empty() ? "./" : "/").append(program);
        if (IsExecutableFile(candidate)) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

void CloseAllBut(int keep) {
    if (keep > 3) ::close_range(3, static_cast<unsigned>(keep - 1), 0);
    ::close_range(static_cast<unsigned>(keep + 1), ~0u, 0);
}

void ReportAndExit(int fd, int error) {
    ssize_t ignored = ::write(fd, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

}  // namespace

bool PosixProcessLauncher::Start(const std::string& commandLine,
                                 const std::string& workingDirectory) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || args.front().empty()) {
        errno = ENOENT;
        return false;
    }
    std::string program = ResolveProgram(args.front(), workingDirectory);
    if (program.empty()) {
        errno = ENOENT;
        return false;
    }
    // The child changes directory before exec, so a relative name must not
    // depend on the directory it was found from.
    if (program.front() != '/') {
        std::error_code ec;
        program = std::filesystem::absolute(program, ec).string();
        if (ec) {
            errno = ec.value();
            return false;
        }
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const char* directory = workingDirectory.empty() ? nullptr : workingDirectory.c_str();

    // The grandchild reports a failed exec through this pipe; a successful exec
    // closes it unread.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;

    pid_t child = ::fork();
    if (child < 0) {
        int error = errno;
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        errno = error;
        return false;
    }
    if (child == 0) {
        // The middle process only forks again and ends, so the emulator is
        // adopted by init and reaped there.
        ::close(pipeFds[0]);
        ::setsid();
        pid_t grandchild = ::fork();
        if (grandchild < 0) ReportAndExit(pipeFds[1], errno);
        if (grandchild > 0) ::_exit(0);
        if (directory && ::chdir(directory) != 0) ReportAndExit(pipeFds[1], errno);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction dfl {};
        dfl.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &dfl, nullptr);
        ::sigaction(SIGCHLD, &dfl, nullptr);
        CloseAllBut(pipeFds[1]);
        ::execv(program.c_str(), argv.data());
        ReportAndExit(pipeFds[1], errno);
    }

    ::close(pipeFds[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = ::read(pipeFds[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    if (got == static_cast<ssize_t>(sizeof error)) {
        errno = error;
        return false;
    }
    return true;
}

}  // namespace zorvex
