// What a file named on the command line holds: a scene file, or a model file that the importer
// turns into a scene in memory.
#pragma once

#include <string>

enum class SourceKind { scene, model };

// A regular file whose text starts, after blanks, with "VIEWPORT" holds a scene whatever its
// name. Otherwise the name decides: "-" (standard input), a name ending in ".txt" (any case) or
// without an extension means a scene; any other extension a model.
SourceKind sourceKind(const std::string& path);
