// vorn-hosts-helper: writes the website block into the hosts file and takes it
// out again. It runs as root through a sudoers rule, so it trusts nothing it is
// given: the hosts path is fixed at build time, the environment is ignored and
// only valid host names from standard input reach the file.
//
//   vorn-hosts-helper enable    host names on standard input, one per line
//   vorn-hosts-helper disable
//
// Exit status 0 means the hosts file is as asked.
#include "hosts_block.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef VORN_HOSTS_PATH
#define VORN_HOSTS_PATH "/etc/hosts"
#endif
#ifndef VORN_FLUSH_RESOLVER
#define VORN_FLUSH_RESOLVER 1
#endif

namespace {

constexpr std::size_t kMaxInputBytes = 1 << 20;
constexpr std::size_t kMaxHosts = 10000;

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

int fail(const char* what) {
    std::cerr << "vorn-hosts-helper: " << what;
    if (errno != 0)
        std::cerr << ": " << std::strerror(errno);
    std::cerr << '\n';
    return kFailed;
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool readAll(int fd, std::string& out, std::size_t limit) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > limit)
            return false;
    }
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

struct HostsFile {
    std::string text;
    struct stat info {};
};

// Reads the hosts file; only a regular file is accepted, never a link. The
// open does not block, so a FIFO or a device in its place is refused instead
// of waiting for a writer while the lock is held.
bool readHostsFile(const std::string& path, HostsFile& file) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT)
            return false;
        file.info.st_mode = S_IFREG | 0644;
        file.info.st_uid = ::geteuid();
        file.info.st_gid = ::getegid();
        errno = 0;
        return true;
    }
    bool ok = ::fstat(fd, &file.info) == 0;
    if (ok && !S_ISREG(file.info.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    ok = ok && readAll(fd, file.text, static_cast<std::size_t>(-1));
    ::close(fd);
    return ok;
}

// Writes `text` to a new file beside `path`, with the owner and mode of the
// old one, flushes it and renames it into place.
bool replaceHostsFile(const std::string& path, const struct stat& info, std::string_view text) {
    const std::string folder = parentOf(path);
    std::string temporary = folder + "/.vorn-hosts-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, text) && ::fchown(fd, info.st_uid, info.st_gid) == 0 &&
              ::fchmod(fd, info.st_mode & 07777) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

#if VORN_FLUSH_RESOLVER
void runQuietly(const std::vector<const char*>& argv) {
    if (::access(argv[0], X_OK) != 0)
        return;
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        char* const environment[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
        ::execve(argv[0], const_cast<char* const*>(argv.data()), environment);
        ::_exit(127);
    }
    if (child > 0) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

#endif

// Asks the resolver caches that may hold the blocked names to forget them.
// Failures do not matter: the hosts file is already right.
void flushResolverCaches() {
#if VORN_FLUSH_RESOLVER
#ifdef __APPLE__
    runQuietly({"/usr/bin/dscacheutil", "-flushcache", nullptr});
    runQuietly({"/usr/bin/killall", "-HUP", "mDNSResponder", nullptr});
#else
    for (const char* resolvectl : {"/usr/bin/resolvectl", "/bin/resolvectl"}) {
        if (::access(resolvectl, X_OK) == 0) {
            runQuietly({resolvectl, "flush-caches", nullptr});
            break;
        }
    }
    runQuietly({"/usr/sbin/nscd", "-i", "hosts", nullptr});
#endif
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    ::umask(022);
    errno = 0;
    const std::string_view command = argc == 2 ? argv[1] : "";
    if (command != "enable" && command != "disable") {
        std::cerr << "usage: vorn-hosts-helper enable|disable\n";
        return kUsage;
    }

    std::vector<std::string> hosts;
    if (command == "enable") {
        std::string input;
        if (!readAll(STDIN_FILENO, input, kMaxInputBytes))
            return fail("cannot read the host names (at most 1 MiB)");
        hosts = vorn::hostsblock::parseHostNames(input);
        if (hosts.empty()) {
            errno = 0;
            return fail("no valid host name to block");
        }
        if (hosts.size() > kMaxHosts) {
            errno = 0;
            return fail("too many host names");
        }
    }

    const std::string path = VORN_HOSTS_PATH;
    // One helper at a time edits the file: the lock is on its folder, which
    // stays put while the file itself is replaced.
    const int folder = ::open(parentOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0 || ::flock(folder, LOCK_EX) != 0)
        return fail("cannot lock the hosts folder");

    HostsFile file;
    if (!readHostsFile(path, file))
        return fail("cannot read the hosts file");

    std::string why;
    const std::optional<std::string> updated = command == "enable"
                                                   ? vorn::hostsblock::withBlock(file.text, hosts, &why)
                                                   : vorn::hostsblock::withoutBlock(file.text, &why);
    if (!updated) {
        errno = 0;
        return fail(("the hosts file is left as it is: " + why).c_str());
    }
    if (*updated == file.text)
        return kOk;
    if (!replaceHostsFile(path, file.info, *updated))
        return fail("cannot write the hosts file");

    flushResolverCaches();
    return kOk;
}
