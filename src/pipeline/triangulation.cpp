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
    for (const Polygon& polygon : list.polygons) {
        int k = polygon.materialIndex;
        context.material = &materialAt(materials, k);
        context.textureMap = materialTextureImage(materials, k);
        context.normalMap = materialNormalImage(materials, k);
        // A fan around the first vertex keeps the boundary's winding in every triangle.
        std::span<const Vertex> v = polygonVertices(list, polygon);
        for (size_t i = 1; i + 1 < v.size(); ++i) queueTriangle(triangles, v[0], v[i], v[i + 1], context);
    }
}
