#include "import/staged_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>

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

}  // namespace

StagedFiles::~StagedFiles() {
    for (const Staged& file : staged_) std::remove(file.temporary.c_str());
}

bool StagedFiles::stage(const std::string& target, const std::vector<std::uint8_t>& bytes, std::string& why) {
    return stage(target, std::string(bytes.begin(), bytes.end()), why);
}

bool StagedFiles::stage(const std::string& target, const std::string& bytes, std::string& why) {
    std::string name = target + ".XXXXXX";
    int descriptor = ::mkstemp(name.data());
    if (descriptor < 0) {
        why = "cannot write '" + target + "': " + std::strerror(errno);
        return false;
    }
    staged_.push_back({name, target});
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
    for (std::size_t i = 0; i < staged_.size(); ++i) {
        if (std::rename(staged_[i].temporary.c_str(), staged_[i].target.c_str()) == 0) continue;
        why = "cannot write '" + staged_[i].target + "': " + std::strerror(errno);
        for (std::size_t done = 0; done < i; ++done) std::remove(staged_[done].target.c_str());
        return false;
    }
    staged_.clear();
    return true;
}
