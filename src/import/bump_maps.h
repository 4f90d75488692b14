// Telling a tangent-space normal map from a height map by its colours: files put either in
// their bump slots (OBJ map_bump and bump, FBX bump).
#pragma once

#include "import/texture_files.h"

// Mostly bluish, with red and green centred near 0.5: the mean red and green within 0.15 of
// 0.5, the mean blue above 0.7, and blue the strongest channel in at least 80% of the pixels.
// A height map is grey, or at least not blue like that.
bool looksLikeNormalMap(const DecodedImage& image);
