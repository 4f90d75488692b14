#include "pipeline/triangulation.h"

const Material& materialAt(const MaterialList& materials, int index) {
    if (materials.items.empty()) return defaultMaterial();
    if (index < 0 || index >= static_cast<int>(materials.items.size())) index = 0;
    return materials.items[static_cast<size_t>(index)];
}

const Image* materialTextureImage(const MaterialList& materials, int index) {
    return imageAt(materials.images, materialAt(materials, index).textureMap);
}

const Image* materialNormalImage(const MaterialList& materials, int index) {
    return imageAt(materials.images, materialAt(materials, index).normalMap);
}

void makeMaterialCurrent(RenderContext& context, const MaterialList& materials, int index) {
    context.material = &materialAt(materials, index);
    context.textureMap = materialTextureImage(materials, index);
    context.normalMap = materialNormalImage(materials, index);
}

void queuePolygons(const ClipPart& clipped, int vertexCount, const MaterialList& materials, RenderContext context,
                   std::span<const Vertex> queued, int meshBase, DrawList& part) {
    drawListClear(part);
    for (Vertex v : clipped.made) {
        vec4Homogenize(v.position);
        queueVertex(part, v, context);
    }
    auto queueIndex = [&](int corner) { return meshBase + corner; };
    auto vertexAt = [&](int corner) {
        return corner < vertexCount ? &queued[static_cast<size_t>(meshBase + corner)]
                                    : &part.vertices[static_cast<size_t>(corner - vertexCount)];
    };
    int current = 0;
    bool set = false;
    for (const Polygon& polygon : clipped.polygons) {
        if (!set || polygon.materialIndex != current) {  // the same index makes the same state current
            makeMaterialCurrent(context, materials, polygon.materialIndex);
            current = polygon.materialIndex;
            set = true;
        }
        // A fan around the first corner keeps the boundary's winding in every triangle.
        std::span<const int> corner{clipped.corners.data() + polygon.first, static_cast<size_t>(polygon.count)};
        for (size_t i = 1; i + 1 < corner.size(); ++i) {
            const int fan[3] = {queueIndex(corner[0]), queueIndex(corner[i]), queueIndex(corner[i + 1])};
            const Vertex* const vertices[3] = {vertexAt(corner[0]), vertexAt(corner[i]), vertexAt(corner[i + 1])};
            queueTriangle(part, fan, vertices, context);
        }
    }
}
