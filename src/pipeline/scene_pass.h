// The scene pass: every mesh from object space to pixels, then the light-blue background.
#pragma once

#include "core/math.h"
#include "core/render_context.h"
#include "scene/scene.h"

// Draws the whole scene into the context's buffers from the current camera, with the given
// projection, rasterizing with up to `threadCount` threads (the picture is the same for any
// count). Updates the current camera's folded angles and basis and the eye position.
void renderScene(Scene& scene, RenderContext& context, const Matrix4& projection, int threadCount);
