// Temporary folders and whole-file reads and writes for the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A fresh, empty folder under the system's temporary folder, removed when the object dies.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void writeTextFile(const std::string& path, const std::string& text);
void writeBinaryFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::string readTextFile(const std::string& path);

// The project's source folder, for the bundled scenes and reference images.
std::filesystem::path sourceFolder();
