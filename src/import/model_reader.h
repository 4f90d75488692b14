// Reading a model file of any format Assimp knows into an ImportedModel.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/imported_model.h"
#include "import/reader_process.h"

// The model with every mesh use placed by its node transforms, triangulated, indexed, with
// normals (smooth ones made where the file has none) and one texture coordinate set. Points,
// lines, triangles without area or with a corner at no finite place, and vertices that no
// triangle uses are left out. Nothing (and Assimp's reason in `why`) when the file cannot be
// read or holds no triangles that can be drawn. Notes for the user go to `warnings`.
// The reading runs in a child process under the settings' limits (see reader_process.h);
// what comes back has passed checkModel.
std::optional<ImportedModel> readModel(const std::string& path, std::vector<std::string>& warnings,
                                       std::string& why, const ReaderSettings& settings = {});

// The same, in this process and without limits: what the child process runs. The files the
// model refers to are read only inside the model's folder tree and the `searchFolders` trees.
std::optional<ImportedModel> readModelInThisProcess(const std::string& path, std::vector<std::string>& warnings,
                                                    std::string& why, const std::vector<std::string>& searchFolders);
