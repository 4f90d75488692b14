#include "import/declared_up.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "import/imported_model.h"

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string metadataText(const aiScene& scene, const char* key) {
    aiString value;
    if (scene.mMetaData && scene.mMetaData->Get(key, value)) return value.C_Str();
    return "";
}

// COLLADA declares its up axis near the top of the file, in the asset block.
std::string colladaUpAxis(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string head(65536, '\0');
    file.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    std::size_t tag = head.find("<up_axis>");
    if (tag == std::string::npos) return "Y_UP";
    std::size_t start = head.find_first_not_of(" \t\r\n", tag + 9);
    if (start == std::string::npos) return "Y_UP";
    return head.substr(start, 4);
}

void declare(ImportedModel& model, const char* up, const std::string& source) {
    model.declaredUp = up;
    model.declaredUpSource = source;
}

}  // namespace

void noteDeclaredUp(const aiScene& scene, const std::string& path, ImportedModel& model) {
    const std::string format = lowerCase(metadataText(scene, "SourceAsset_Format"));
    const std::string extension = lowerCase(std::filesystem::path(path).extension().string());
    int axis = -1, sign = 1;
    if (scene.mMetaData && scene.mMetaData->Get("UpAxis", axis) && axis >= 0 && axis <= 2) {
        scene.mMetaData->Get("UpAxisSign", sign);
        static const char* const names[2][3] = {{"-x", "-y", "-z"}, {"+x", "+y", "+z"}};
        declare(model, names[sign < 0 ? 0 : 1][axis], "the file's UpAxis and UpAxisSign");
    } else if (format.find("gltf") != std::string::npos || extension == ".gltf" || extension == ".glb") {
        declare(model, "+y", "glTF is y-up");
    } else if (format.find("stl") != std::string::npos || extension == ".stl") {
        declare(model, "+z", "STL files are z-up");
    } else if (format.find("blender") != std::string::npos || extension == ".blend") {
        declare(model, "+z", "Blender files are z-up");
    } else if (format.find("collada") != std::string::npos || extension == ".dae") {
        declare(model, "+y", "the file's up_axis is " + colladaUpAxis(path) + ", turned as it was read");
    } else if (format.find("blitzbasic") != std::string::npos || extension == ".b3d") {
        declare(model, "+y", "B3D files are y-up");
    } else if (format.find("3ds") != std::string::npos || extension == ".3ds") {
        declare(model, "+y", "3DS files are z-up, turned as they are read");
    }
}
