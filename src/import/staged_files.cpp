#include "import/staged_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool writeAll(int descriptor, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// A second name for `target`, so that it can be restored after being replaced: a hard link
// where the file system has them, else the file itself moved aside. Empty when the target
// does not exist (or on failure, with `why` set).
std::string keepAside(const std::string& target, std::string& why) {
    struct stat info;
    if (::lstat(target.c_str(), &info) != 0) return "";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + ".kept" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        if (::link(target.c_str(), name.c_str()) == 0) return name;
        if (errno == EEXIST) continue;
        if (::rename(target.c_str(), name.c_str()) == 0) return name;
        break;
    }
    why = "cannot write '" + target + "': " + std::strerror(errno);
    return "";
}

}  // namespace

bool writableTarget(const std::string& target, std::string& why) {
    struct stat info;
    if (::stat(target.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return true;
    why = "cannot write '" + target + "': it is " + kindOf(info.st_mode) + ", not a file; choose another name";
    return false;
}

StagedFiles::~StagedFiles() {
    for (const Staged& file : staged_) std::remove(file.temporary.c_str());
}

bool StagedFiles::stage(const std::string& target, const std::vector<std::uint8_t>& bytes, std::string& why) {
    return stage(target, std::string(bytes.begin(), bytes.end()), why);
}

bool StagedFiles::stage(const std::string& target, const std::string& bytes, std::string& why) {
    if (!writableTarget(target, why)) return false;
    std::string name = target + ".XXXXXX";
    int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        why = "cannot write '" + target + "': " + std::strerror(errno);
        return false;
    }
    staged_.push_back({name, target, ""});
    bool written = writeAll(descriptor, bytes.data(), bytes.size());
    int error = errno;
    // mkstemp makes the file readable by its owner only; give it the usual permissions.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor, 0666 & ~mask);
    if (::close(descriptor) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) why = "cannot write '" + target + "': " + std::strerror(error);
    return written;
}

bool StagedFiles::commit(std::string& why) {
    for (const Staged& file : staged_)
        if (!writableTarget(file.target, why)) return false;
    std::size_t renamed = 0;
    for (; renamed < staged_.size(); ++renamed) {
        Staged& file = staged_[renamed];
        std::string problem;
        file.backup = keepAside(file.target, problem);
        if (!problem.empty()) {
            why = problem;
            break;
        }
        if (std::rename(file.temporary.c_str(), file.target.c_str()) != 0) {
            why = "cannot write '" + file.target + "': " + std::strerror(errno);
            restore(file);
            break;
        }
    }
    bool failed = renamed < staged_.size();
    for (std::size_t i = 0; i < renamed; ++i) {
        if (failed) {
            std::remove(staged_[i].target.c_str());
            restore(staged_[i]);
        } else if (!staged_[i].backup.empty()) {
            std::remove(staged_[i].backup.c_str());
        }
    }
    if (!failed) staged_.clear();
    return !failed;
}

void StagedFiles::restore(const Staged& file) {
    if (file.backup.empty()) return;
    struct stat info;
    if (::lstat(file.target.c_str(), &info) == 0)
        std::remove(file.backup.c_str());  // a second link to the target, which is still there
    else
        std::rename(file.backup.c_str(), file.target.c_str());
}

InterruptGuard::InterruptGuard() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signal);
    sigprocmask(SIG_BLOCK, &held, &previous_);
}

InterruptGuard::~InterruptGuard() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

bool InterruptGuard::requested() const {
    sigset_t pending;
    sigpending(&pending);
    return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGHUP) == 1;
}
