// A scene file holds one still pose: what moves a model is dropped before Assimp checks it.
#pragma once

struct aiScene;

// Removes the scene's animations and every mesh's bones (skin) and morph targets, so that a
// model whose motion data is broken (a key past its animation's end, say) is still read.
// True when there was any.
bool dropMotion(aiScene& scene);
