// What the loader promises the renderer, whatever the file held: a scene with meshes has a
// camera and materials, every surface names an existing material, and its triangles name
// only vertices that exist.
#pragma once

#include <gtest/gtest.h>

#include "scene/scene.h"

inline void expectDrawable(const Scene& scene) {
    const std::size_t materials = scene.materials.items.size();
    ASSERT_EQ(scene.meshes.items.size(), scene.meshes.geometry.size());
    if (!scene.meshes.items.empty()) {
        EXPECT_FALSE(scene.cameras.items.empty());
        EXPECT_GT(materials, 0u);
    }
    for (const MeshGeometry& geometry : scene.meshes.geometry)
        for (const Surface& surface : geometry.surfaces) {
            EXPECT_LT(static_cast<std::size_t>(surface.materialIndex), materials);
            EXPECT_EQ(surface.indices.size() % 3, 0u);
            for (int index : surface.indices)
                EXPECT_TRUE(index >= 0 && static_cast<std::size_t>(index) < geometry.vertices.size());
        }
}
