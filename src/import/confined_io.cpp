#include "import/confined_io.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string resolvedName(const std::string& file) {
    std::error_code error;
    fs::path path = fs::weakly_canonical(fs::absolute(file, error), error);
    return error ? std::string() : path.string();
}

void addOnce(std::vector<std::string>& names, const std::string& name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
}

}  // namespace

ConfinedIOSystem::ConfinedIOSystem(ReadableTrees trees, const std::string& model)
    : trees_(std::move(trees)), model_(resolvedName(model)) {}

bool ConfinedIOSystem::allowed(const char* file) const {
    if (!file) return false;
    if (!model_.empty() && resolvedName(file) == model_) return true;
    if (insideTrees(trees_, file)) return true;
    addOnce(refused_, file);
    return false;
}

bool ConfinedIOSystem::Exists(const char* file) const { return allowed(file) && DefaultIOSystem::Exists(file); }

Assimp::IOStream* ConfinedIOSystem::Open(const char* file, const char* mode) {
    if (!mode || std::strpbrk(mode, "wa+") || !allowed(file)) return nullptr;
    Assimp::IOStream* stream = DefaultIOSystem::Open(file, mode);
    std::string name = resolvedName(file);
    if (stream && name != model_) addOnce(opened_, name);
    return stream;
}
