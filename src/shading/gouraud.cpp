#include "shading/gouraud.h"

#include "shading/lighting.h"

void lightVertex(Vertex& vertex, const Material& material, const SceneLighting& lighting, const RenderContext& context) {
    Vec3 normal = xyz(vertex.normal);  // a normalised copy; the stored normal keeps its length
    vec3Normalize(normal);
    vertex.colour =
        shadePoint(xyz(vertex.position), normal, vertex.texCoord.x, vertex.texCoord.y, material, lighting, context);
}

void lightMeshVertices(std::vector<Vertex>& vertices, const Material& material, const SceneLighting& lighting,
                       const RenderContext& context) {
    for (Vertex& vertex : vertices) lightVertex(vertex, material, lighting, context);
}
