#include "import/up_axis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "import/framing.h"

bool operator==(UpAxis a, UpAxis b) { return a.axis == b.axis && a.sign == b.sign; }

std::optional<UpAxis> parseUpAxis(const std::string& text) {
    std::string rest = text;
    int sign = 1;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        sign = rest[0] == '-' ? -1 : 1;
        rest.erase(0, 1);
    }
    if (rest == "x" || rest == "X") return UpAxis{0, sign};
    if (rest == "y" || rest == "Y") return UpAxis{1, sign};
    if (rest == "z" || rest == "Z") return UpAxis{2, sign};
    return std::nullopt;
}

std::string upAxisName(UpAxis up) { return std::string(up.sign < 0 ? "-" : "+") + "xyz"[up.axis]; }

namespace {

// The extents of the model's box along x, y and z.
std::array<double, 3> extents(const std::vector<ImportedMesh>& meshes) {
    const ModelBox box = modelBox(meshes);
    std::array<double, 3> size{};
    for (int k = 0; k < 3; ++k) size[k] = box.high[k] >= box.low[k] ? box.high[k] - box.low[k] : 0;
    return size;
}

// The quarter or half turn (never a mirror) that takes `up` to +y.
Vec3 turned(Vec3 p, UpAxis up) {
    if (up.axis == 0) return up.sign > 0 ? Vec3{-p.y, p.x, p.z} : Vec3{p.y, -p.x, p.z};
    if (up.axis == 2) return up.sign > 0 ? Vec3{p.x, p.z, -p.y} : Vec3{p.x, -p.z, p.y};
    return up.sign > 0 ? p : Vec3{p.x, -p.y, -p.z};
}

}  // namespace

UpChoice chooseUpAxis(const std::optional<UpAxis>& requested, const ImportedModel& model) {
    if (requested) return {*requested, "as asked (--up)"};
    if (std::optional<UpAxis> declared = parseUpAxis(model.declaredUp))
        return {*declared, model.declaredUpSource};
    std::array<double, 3> size = extents(model.meshes);
    std::array<int, 3> order{0, 1, 2};
    std::sort(order.begin(), order.end(), [&size](int a, int b) { return size[a] < size[b]; });
    if (size[order[0]] < size[order[1]] / 3)
        return {UpAxis{order[0], 1}, std::string("the model is flat, thinnest along ") + "xyz"[order[0]]};
    return {UpAxis{1, 1}, "the file declares none, and the model is not flat"};
}

void turnToYUp(std::vector<ImportedMesh>& meshes, UpAxis up) {
    if (up == UpAxis{1, 1}) return;
    for (ImportedMesh& mesh : meshes)
        for (ImportedVertex& v : mesh.vertices) {
            v.position = turned(v.position, up);
            v.normal = turned(v.normal, up);
        }
}
