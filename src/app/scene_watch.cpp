#include "app/scene_watch.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

FileStamp stampOf(const std::string& path) {
    FileStamp stamp{path};
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) return stamp;
    stamp.exists = true;
    if (fs::is_regular_file(status)) stamp.size = fs::file_size(path, error);
    fs::file_time_type modified = fs::last_write_time(path, error);
    if (!error)
        stamp.modified = std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch()).count();
    return stamp;
}

}  // namespace

SceneWatch watchScene(const std::string& sceneFile, const Scene& scene) {
    SceneWatch watch;
    watch.files.push_back(stampOf(sceneFile));
    const std::string folder = fs::path(sceneFile).parent_path().string();
    // Every map a material names, loaded or not: one that failed may appear later.
    std::vector<std::string> names;
    for (const Material& material : scene.materials.items)
        for (const std::string* name : {&material.textureMapName, &material.normalMapName})
            if (!name->empty() && *name != "None" && std::find(names.begin(), names.end(), *name) == names.end())
                names.push_back(*name);
    for (const std::string& name : names) {
        watch.files.push_back(stampOf(name));
        if (!folder.empty() && !fs::path(name).is_absolute())
            watch.files.push_back(stampOf((fs::path(folder) / name).string()));
    }
    return watch;
}

SceneWatch restamp(const SceneWatch& watch) {
    SceneWatch now;
    for (const FileStamp& file : watch.files) now.files.push_back(stampOf(file.path));
    return now;
}
