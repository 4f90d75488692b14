// Whole-file reads for loading: the scene file and every image file are read into memory in
// one go, in binary, and parsed from there.
#pragma once

#include <optional>
#include <string>

// The file's bytes, or nothing when it cannot be opened or read; `why` then says why, as
// "path: reason" (the system's reason where there is one). Only regular files of up to 1 GiB
// count: a folder, a device or a pipe is unreadable.
std::optional<std::string> readWholeFile(const std::string& path, std::string& why);
std::optional<std::string> readWholeFile(const std::string& path);
