// Output files that appear all together or not at all: each is written to a temporary file
// beside its target, and only when every one was written are they renamed into place. Whatever
// has not been committed is removed when the object goes away, and a commit that fails part
// way puts back the files it had replaced.
#pragma once

#include <signal.h>

#include <cstdint>
#include <string>
#include <vector>

// Whether `target` may be written: it does not exist yet or is a regular file (a folder, a
// device or a FIFO would be replaced, or written into). When not, `why` says so.
bool writableTarget(const std::string& target, std::string& why);

class StagedFiles {
public:
    StagedFiles() = default;
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Writes the bytes to a temporary file beside `target`. False, with the file name and the
    // system's reason in `why`, when that fails or the target is not writableTarget.
    bool stage(const std::string& target, const std::string& bytes, std::string& why);
    bool stage(const std::string& target, const std::vector<std::uint8_t>& bytes, std::string& why);

    // Renames every staged file onto its target. On a failure every target is left as it was
    // before: the files already renamed are taken back, and those they replaced restored.
    bool commit(std::string& why);

private:
    struct Staged {
        std::string temporary;
        std::string target;
        std::string backup;  // a second name of the file the target replaced, while committing
    };
    // Puts back the file a target replaced, if any.
    static void restore(const Staged& file);
    std::vector<Staged> staged_;
};

// Holds back SIGINT, SIGTERM and SIGHUP while output is being staged, so that the staged files
// can be removed before the program ends: `requested` tells whether one arrived, and when the
// guard goes away (after the staged files' owner, when declared before it) the signal takes
// its usual effect.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    bool requested() const;

private:
    sigset_t previous_;
};
