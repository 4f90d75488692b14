// Output files that appear all together or not at all: each is written to a temporary file
// beside its target, and only when every one was written are they renamed into place. Whatever
// has not been committed is removed when the object goes away.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class StagedFiles {
public:
    StagedFiles() = default;
    ~StagedFiles();
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;

    // Writes the bytes to a temporary file beside `target`. False, with the file name and the
    // system's reason in `why`, when that fails.
    bool stage(const std::string& target, const std::string& bytes, std::string& why);
    bool stage(const std::string& target, const std::vector<std::uint8_t>& bytes, std::string& why);

    // Renames every staged file onto its target. On a failure the targets already renamed are
    // removed again and the rest are discarded.
    bool commit(std::string& why);

private:
    struct Staged {
        std::string temporary;
        std::string target;
    };
    std::vector<Staged> staged_;
};
