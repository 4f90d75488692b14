// Whole-file reads for loading: the scene file and every image file are read into memory in
// one go, in binary, and parsed from there.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The file's bytes, or nothing when it cannot be opened or read; `why` then says why, as
// "path: reason" (the system's reason where there is one). Only regular files of up to 1 GiB
// count: a folder, a device or a pipe is unreadable.
std::optional<std::string> readWholeFile(const std::string& path, std::string& why);
std::optional<std::string> readWholeFile(const std::string& path);

// A whole file read for parsing, in memory the system may back with large pages: a scene file
// of tens of megabytes then costs a few dozen page faults instead of tens of thousands.
struct FileText {
    std::unique_ptr<char[]> bytes;
    std::size_t size = 0;
    std::string_view view() const { return {bytes.get(), size}; }
};
std::optional<FileText> readWholeFileText(const std::string& path, std::string& why);

// Asks the system to back a large block of memory with large pages from here on (before it is
// first written). A hint only: where it is not taken nothing changes but the speed.
void adviseLargePages(void* data, std::size_t bytes);
