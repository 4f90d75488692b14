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

void drawPolygons(const PolygonList& list, const MaterialList& materials, RenderContext& context, DrawList& triangles) {
    if (list.polygons.empty()) return;
    // The list's vertices join the queue once, whatever number of triangles share each.
    const int base = static_cast<int>(triangles.vertices.size());
    for (const Vertex& v : list.vertices) queueVertex(triangles, v, context);
    for (const Polygon& polygon : list.polygons) {
        int k = polygon.materialIndex;
        context.material = &materialAt(materials, k);
        context.textureMap = materialTextureImage(materials, k);
        context.normalMap = materialNormalImage(materials, k);
        // A fan around the first corner keeps the boundary's winding in every triangle.
        std::span<const int> corner = polygonCorners(list, polygon);
        for (size_t i = 1; i + 1 < corner.size(); ++i)
            queueTriangle(triangles, base + corner[0], base + corner[i], base + corner[i + 1], context);
    }
}
