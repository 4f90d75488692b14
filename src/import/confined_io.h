// The file access Assimp is given while reading a model: only for reading, and only inside
// the readable trees (see file_access.h). Assimp opens the files a model refers to (glTF
// buffers and images, OBJ material libraries, ...) through it.
#pragma once

#include <assimp/DefaultIOSystem.h>

#include <string>
#include <vector>

#include "import/file_access.h"

class ConfinedIOSystem : public Assimp::DefaultIOSystem {
public:
    ConfinedIOSystem(ReadableTrees trees, const std::string& model);

    bool Exists(const char* file) const override;
    Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
    bool CreateDirectory(const std::string&) override { return false; }
    bool ChangeDirectory(const std::string&) override { return false; }
    bool DeleteFile(const std::string&) override { return false; }

    // The files opened besides the model, resolved, and the names refused for lying outside
    // the trees, as the model gave them, each once.
    const std::vector<std::string>& opened() const { return opened_; }
    const std::vector<std::string>& refused() const { return refused_; }

private:
    bool allowed(const char* file) const;

    ReadableTrees trees_;
    std::string model_;  // resolved: the model itself may be a link to anywhere
    std::vector<std::string> opened_;
    mutable std::vector<std::string> refused_;
};
