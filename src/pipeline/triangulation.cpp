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

void queuePolygons(const ClipPart& clipped, const MaterialList& materials, RenderContext context,
                   std::span<const float> heights, int meshBase, DrawList& part) {
    drawListClear(part);
    for (Vertex v : clipped.made) {
        vec4Homogenize(v.position);
        queueVertex(part, v, context);
    }
    const int vertexCount = static_cast<int>(heights.size());
    auto queueIndex = [&](int corner) { return meshBase + corner; };
    // Only the corners' heights, which say the rows a triangle covers: the mesh's own are read
    // from a short array rather than from the large queued vertices.
    auto heightAt = [&](int corner) {
        return corner < vertexCount ? heights[static_cast<size_t>(corner)]
                                    : part.vertices[static_cast<size_t>(corner - vertexCount)].position.y;
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
            const RowBand rows = triangleRows(heightAt(corner[0]), heightAt(corner[i]), heightAt(corner[i + 1]));
            queueTriangle(part, fan, rows, context);
        }
    }
}
