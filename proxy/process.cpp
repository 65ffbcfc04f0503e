#include "process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorn::proxy {

namespace {

// What a child is given of our environment: where to find programs and the
// language, never the tokens and keys the proxy holds.
std::vector<std::string> childEnvironment() {
    const char* path = std::getenv("PATH");
    const char* lang = std::getenv("LANG");
    return {std::string("PATH=") + (path && *path ? path : "/usr/local/bin:/usr/bin:/bin"),
            std::string("LANG=") + (lang && *lang ? lang : "C.UTF-8")};
}

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

bool makePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    readEnd.fd = fds[0];
    writeEnd.fd = fds[1];
    return true;
}

} // namespace

PipelineResult runPipeline(const std::vector<std::vector<std::string>>& commands, const std::string& input,
                           std::chrono::milliseconds timeout) {
    // A child that exits before reading all its input must not take the server down.
    static const bool sigpipeIgnored = (::signal(SIGPIPE, SIG_IGN), true);
    (void)sigpipeIgnored;
    PipelineResult result;
    if (commands.empty()) {
        result.problem = "nothing to run";
        return result;
    }
    Fd inRead, inWrite, outRead, outWrite;
    if (!makePipe(inRead, inWrite) || !makePipe(outRead, outWrite)) {
        result.problem = "cannot create pipes";
        return result;
    }

    std::vector<std::string> environment = childEnvironment();
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    std::vector<pid_t> children;
    Fd stageInput(inRead.fd);
    inRead.fd = -1;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const bool last = i + 1 == commands.size();
        Fd nextRead, stageOutput;
        if (last) {
            stageOutput.fd = outWrite.fd;
            outWrite.fd = -1;
        } else if (!makePipe(nextRead, stageOutput)) {
            result.problem = "cannot create pipes";
            break;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, stageInput.fd, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, stageOutput.fd, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv;
        for (const std::string& arg : commands[i])
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            result.problem = "cannot start " + commands[i][0] + ": " + std::strerror(spawned);
            break;
        }
        children.push_back(pid);
        stageInput.reset();
        stageInput.fd = nextRead.fd;
        nextRead.fd = -1;
    }
    stageInput.reset();
    outWrite.reset();

    bool failed = children.size() != commands.size();
    if (failed)
        inWrite.reset();
    ::fcntl(inWrite.fd, F_SETFL, O_NONBLOCK);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t written = 0;
    if (input.empty())
        inWrite.reset();
    char buffer[16384];
    while (!failed && outRead.fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd fds[2] = {{outRead.fd, POLLIN, 0}, {inWrite.fd, POLLOUT, 0}};
        const int count = ::poll(fds, inWrite.fd >= 0 ? 2 : 1, static_cast<int>(left.count()));
        if (count < 0 && errno != EINTR)
            break;
        if (count <= 0)
            continue;
        if (inWrite.fd >= 0 && fds[1].revents) {
            const ssize_t n = ::write(inWrite.fd, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                inWrite.reset(); // the reader is gone; its exit status tells why
            else if (written == input.size())
                inWrite.reset();
        }
        if (fds[0].revents) {
            const ssize_t n = ::read(outRead.fd, buffer, sizeof buffer);
            if (n > 0)
                result.output.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                outRead.reset();
        }
    }
    inWrite.reset();
    outRead.reset();

    bool allExitedCleanly = !failed && !result.timedOut;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (result.timedOut || failed)
            ::kill(children[i], SIGKILL);
        int status = 0;
        while (::waitpid(children[i], &status, 0) < 0 && errno == EINTR) {
        }
        if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
            if (allExitedCleanly)
                result.problem = commands[i][0] + " failed";
            allExitedCleanly = false;
        }
    }
    if (result.timedOut)
        result.problem = "timed out";
    result.ok = allExitedCleanly;
    return result;
}

} // namespace vorn::proxy
