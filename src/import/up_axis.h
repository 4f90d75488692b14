// Which way is up in the model file, and turning the model so that it is +y, the way the
// scene's cameras stand.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "import/imported_model.h"

// One of the six axis directions: axis 0, 1, 2 for x, y, z; sign +1 or -1.
struct UpAxis {
    int axis = 1;
    int sign = 1;
};

bool operator==(UpAxis a, UpAxis b);

// "x", "+x", "-x", ... "-z"; nothing for anything else.
std::optional<UpAxis> parseUpAxis(const std::string& text);
std::string upAxisName(UpAxis up);  // "+y", "-z", ...

// The up axis the importer uses and the reason, for the summary.
struct UpChoice {
    UpAxis up;
    std::string why;
};

// The user's choice first, then what the file declares or its format implies (the reader's
// `declaredUp`, written as upAxisName gives it), then for a clearly flat model (its thinnest
// extent under a third of the next) that thinnest axis, and otherwise +y.
UpChoice chooseUpAxis(const std::optional<UpAxis>& requested, const ImportedModel& model);

// Turns positions and normals by the quarter or half turn that takes `up` to +y. A z-up model
// turns about x, so that its -y (the front of a z-up model) faces +z, the scene's front.
void turnToYUp(std::vector<ImportedMesh>& meshes, UpAxis up);
