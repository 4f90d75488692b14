// The whole import: model file in, scene file and its textures out, summary and warnings on
// `out`, failures on `err`.
#pragma once

#include <iostream>

#include "import/import_options.h"

// Exit status: 0 on success (with or without warnings), 1 when the model cannot be read or
// the output cannot be written; on a failure no output file is left behind.
int runImport(const ImportOptions& options, std::ostream& out, std::ostream& err);
