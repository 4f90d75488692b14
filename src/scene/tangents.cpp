#include "scene/tangents.h"

// Placeholder until tangent generation lands.
void generateTangents(MeshGeometry& geometry) {
    for (Vertex& v : geometry.vertices) v.tangent = {1, 0, 0, 0};
}
