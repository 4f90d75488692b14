// The lighting equation, shared by per-vertex (Gouraud) and per-pixel (Phong) shading.
//
// ambience * ambient, plus for every light that faces the point (n.l > 0): the diffuse base
// colour scaled by n.l, plus the Phong specular term (reflection vector, not the half vector),
// times the light's colour and the attenuation 1 / (c + l d + q d^2). Nothing is clamped but
// alpha, which every colour addition limits to 1. All in world space.
#pragma once

#include "core/math.h"
#include "core/render_context.h"
#include "scene/scene.h"

// P and N in world space, N of unit length; (u, v) picks the texel of the diffuse texture when
// the context has one and texturing is on, otherwise the material's diffuse colour is used.
Colour shadePoint(Vec3 point, Vec3 normal, float u, float v, const Material& material, const SceneLighting& lighting,
                  const RenderContext& context);
