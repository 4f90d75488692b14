// Which files a model may make the importer read, and reading them with care. A model names
// other files (textures, buffers, material libraries); a downloaded one may name any file on
// the disk, so only those inside the model's own folder tree, or a tree the user allowed,
// are read, after every '..' and symbolic link is resolved.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct ReadableTrees {
    std::vector<std::filesystem::path> roots;  // resolved
};

// The model's folder tree (the working folder's for an empty name) and the search folders' trees.
ReadableTrees readableTrees(const std::string& modelFolder, const std::vector<std::string>& searchFolders);

// Whether `path` lies inside one of the trees once resolved. Decided from the name and the
// links on its way alone, so the answer is the same whether the file exists or not.
bool insideTrees(const ReadableTrees& trees, const std::filesystem::path& path);

// The warning for a referenced file outside the trees.
std::string outsideWarning(const std::string& kind, const std::string& name);

enum class FileRead { ok, unreadable, tooLarge };

// A regular file's bytes, when there are at most `limit` of them: `unreadable` when it is not
// there, not a regular file (a folder, a device, a FIFO), or cannot be read whole (the reason
// in `why`, for the user only where telling it gives nothing away). Never blocks on a FIFO
// and never throws.
FileRead readRegularFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes, std::string& why);
