// quelmar-tga: any picture the importer decodes (PNG, JPEG, BMP, TGA, ...) as a TGA file the
// scene loader reads the right way up, through the importer's own decoder and the one TGA
// encoder beside the reader.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "import/texture_files.h"

extern const char* const kTgaConvertHelp;

// How far a picture is from a tangent-space normal map; empty when it looks like one. A normal
// map stores (n + 1) / 2 of unit vectors pointing out of the surface: blue above the middle,
// red and green around it, and lengths near 1.
std::string normalMapProblems(const DecodedImage& image);

// Runs the command with its arguments (the program name left out): 0 when the file was
// written, 1 when the picture cannot be read, decoded or written (an existing output file is
// then left as it was), 2 for bad arguments. Messages go to `out` and `err`.
int runTgaConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
