// Noticing that a loaded scene changed on disk: the scene (or model) file itself and every
// place an image it names was looked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/scene.h"

// What a file looked like: whether it was there, its size and its modification time.
struct FileStamp {
    std::string path;
    bool exists = false;
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // nanoseconds, as the file system gives it

    bool operator==(const FileStamp&) const = default;
};

struct SceneWatch {
    std::vector<FileStamp> files;
    bool operator==(const SceneWatch&) const = default;
};

// The files `sceneFile`'s load depends on: the file, and each image the scene names both where
// the loader looks first (the working directory) and beside the scene file.
SceneWatch watchScene(const std::string& sceneFile, const Scene& scene);

// The same files as they are now.
SceneWatch restamp(const SceneWatch& watch);
