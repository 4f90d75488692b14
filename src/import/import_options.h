// The importer's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/up_axis.h"

struct ImportOptions {
    std::string model;
    std::string output;  // empty: the model's base name with .txt, in the working directory
    int width = 800;
    int height = 600;
    int maxTexture = 2048;
    bool keepUnits = false;
    std::uint64_t memoryLimit = 0;  // the reader's, in bytes; 0: its default
    int timeLimit = 120;            // the reader's, in seconds
    std::vector<std::string> searchFolders;
    std::optional<UpAxis> up;  // nothing: from the file, its format or its shape
    float creaseAngle = 40;    // degrees; generated normals keep edges sharper than this
    bool help = false;
};

extern const char* const kImportUsage;
extern const char* const kImportHelp;

// The options, or nothing with the problem in `why` (to be shown with the usage line).
std::optional<ImportOptions> parseImportOptions(const std::vector<std::string>& arguments, std::string& why);

// Where the scene goes when no -o is given.
std::string defaultSceneFile(const std::string& model);
