#include "import/vertex_colours.h"

#include <map>
#include <string>

namespace {

Colour faceColour(const ImportedMesh& mesh, std::size_t triangle) {
    Colour sum{0, 0, 0, 1};
    for (int k = 0; k < 3; ++k) {
        const Colour& c = mesh.colours[mesh.indices[triangle * 3 + k]];
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b, 1};
    }
    return {sum.r / 3, sum.g / 3, sum.b / 3, 1};
}

int level(float channel, int levels) {
    float clamped = channel > 0.0f ? (channel < 1.0f ? channel : 1.0f) : 0.0f;  // NaN: 0
    int step = static_cast<int>(clamped * static_cast<float>(levels - 1) + 0.5f);
    return step;
}

// The group of each face: faces whose quantised colours agree share one; the coarsest
// quantisation tried (three levels a channel) gives at most 27 groups.
std::vector<int> groupFaces(const std::vector<Colour>& faces, int& groups) {
    for (int levels : {16, 8, 6, 4, 3}) {
        std::map<int, int> groupOf;
        std::vector<int> group(faces.size());
        for (std::size_t t = 0; t < faces.size(); ++t) {
            int key = (level(faces[t].r, levels) * levels + level(faces[t].g, levels)) * levels + level(faces[t].b, levels);
            group[t] = groupOf.try_emplace(key, static_cast<int>(groupOf.size())).first->second;
        }
        groups = static_cast<int>(groupOf.size());
        if (groups <= kMostColourGroups || levels == 3) return group;
    }
    return {};
}

bool isWhite(const Colour& sum) {  // a sum of faces' colours, a counting them
    return sum.r >= 0.99f * sum.a && sum.g >= 0.99f * sum.a && sum.b >= 0.99f * sum.a;
}

// The faces of one group as a mesh of their own, with only the vertices they use.
ImportedMesh subMesh(const ImportedMesh& mesh, const std::vector<int>& group, int which) {
    ImportedMesh out;
    out.name = mesh.name;
    out.fileNormals = mesh.fileNormals;
    std::vector<int> newIndex(mesh.vertices.size(), -1);
    for (std::size_t t = 0; t < group.size(); ++t) {
        if (group[t] != which) continue;
        for (int k = 0; k < 3; ++k) {
            int& index = newIndex[mesh.indices[t * 3 + k]];
            if (index < 0) {
                index = static_cast<int>(out.vertices.size());
                out.vertices.push_back(mesh.vertices[mesh.indices[t * 3 + k]]);
            }
            out.indices.push_back(index);
        }
    }
    return out;
}

}  // namespace

ColourSplit splitByVertexColour(ImportedModel& model) {
    ColourSplit split;
    std::vector<ImportedMesh> meshes;
    for (ImportedMesh& mesh : model.meshes) {
        bool textured = mesh.material >= 0 && mesh.material < static_cast<int>(model.materials.size()) &&
                        model.materials[mesh.material].diffuseMap.present();
        if (mesh.colours.size() != mesh.vertices.size() || textured) {
            mesh.colours.clear();
            meshes.push_back(std::move(mesh));
            continue;
        }
        std::vector<Colour> faces(mesh.indices.size() / 3);
        for (std::size_t t = 0; t < faces.size(); ++t) faces[t] = faceColour(mesh, t);
        int groups = 0;
        std::vector<int> group = groupFaces(faces, groups);
        std::vector<Colour> sums(groups, Colour{0, 0, 0, 0});
        for (std::size_t t = 0; t < faces.size(); ++t) {
            Colour& s = sums[group[t]];
            s = {s.r + faces[t].r, s.g + faces[t].g, s.b + faces[t].b, s.a + 1};  // a counts the faces
        }
        if (groups == 1 && isWhite(sums[0])) {  // colours that change nothing
            mesh.colours.clear();
            meshes.push_back(std::move(mesh));
            continue;
        }
        ImportedMaterial base = mesh.material >= 0 && mesh.material < static_cast<int>(model.materials.size())
                                    ? model.materials[mesh.material]
                                    : ImportedMaterial{};
        // Vertex colours scale the material's colour, except in the material Assimp makes up
        // for files that have none (PLY, OFF, ...): there they are the colour.
        bool ownColour = base.name != "DefaultMaterial";
        for (int g = 0; g < groups; ++g) {
            ImportedMaterial material = base;
            material.name = (base.name.empty() ? std::string("colour") : base.name) + "-" + std::to_string(g + 1);
            Colour mean{sums[g].r / sums[g].a, sums[g].g / sums[g].a, sums[g].b / sums[g].a, 1};
            material.diffuse = ownColour ? Colour{base.diffuse.r * mean.r, base.diffuse.g * mean.g, base.diffuse.b * mean.b, 1}
                                         : mean;
            material.hasAmbient = false;  // the writer derives it from the diffuse colour
            ImportedMesh part = subMesh(mesh, group, g);
            part.material = static_cast<int>(model.materials.size());
            model.materials.push_back(material);
            meshes.push_back(std::move(part));
        }
        ++split.meshes;
        split.colours += groups;
    }
    model.meshes = std::move(meshes);
    return split;
}
