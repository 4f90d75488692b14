#include "import/two_sided.h"

void addBackFaces(ImportedMesh& mesh) {
    const int front = static_cast<int>(mesh.vertices.size());
    mesh.vertices.reserve(mesh.vertices.size() * 2);
    for (int i = 0; i < front; ++i) {
        ImportedVertex back = mesh.vertices[i];
        back.normal = {-back.normal.x, -back.normal.y, -back.normal.z};
        mesh.vertices.push_back(back);
    }
    const std::size_t triangles = mesh.indices.size();
    mesh.indices.reserve(triangles * 2);
    for (std::size_t i = 0; i + 2 < triangles; i += 3)
        mesh.indices.insert(mesh.indices.end(), {mesh.indices[i] + front, mesh.indices[i + 2] + front,
                                                 mesh.indices[i + 1] + front});
}

int addBackFacesOfTwoSided(std::vector<ImportedMesh>& meshes, const std::vector<ImportedMaterial>& materials) {
    int count = 0;
    for (ImportedMesh& mesh : meshes)
        if (mesh.material >= 0 && mesh.material < static_cast<int>(materials.size()) && materials[mesh.material].twoSided) {
            addBackFaces(mesh);
            ++count;
        }
    return count;
}
