// Texture sampling: the one bilinear texture lookup, for diffuse textures and normal maps.
//
// Texel centres sit at half-integers. The texture repeats towards larger coordinates (only the
// right and upper neighbours wrap to column 0 and row 0) and is held at the first texel centre
// towards smaller ones, so every negative coordinate samples like column 0 or row 0.
#pragma once

#include "core/image.h"

// Opaque black when there is no image. NaN, infinite and huge (|c| >= 2^31) coordinates
// sample texel 0 on that axis.
Colour sampleTexture(const Image* image, float u, float v);
