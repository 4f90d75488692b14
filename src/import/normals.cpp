#include "import/normals.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
constexpr std::size_t kExactGroup = 64;  // positions shared by more corners are clustered
constexpr std::size_t kMaxFans = 32;     // at most this many normals at one clustered position

struct Position {
    float x, y, z;
    bool operator==(const Position& p) const { return x == p.x && y == p.y && z == p.z; }
};

struct PositionHash {
    std::size_t operator()(const Position& p) const {
        std::size_t hash = 0;
        for (float c : {p.x, p.y, p.z}) {
            std::uint32_t bits;
            float positiveZero = c + 0.0f;  // -0 and 0 are one position
            std::memcpy(&bits, &positiveZero, sizeof bits);
            hash = hash * 0x9E3779B97F4A7C15ull + bits;
        }
        return hash;
    }
};

struct DVec {
    double x = 0, y = 0, z = 0;
    void add(const DVec& v) { x += v.x, y += v.y, z += v.z; }
    double dot(const DVec& v) const { return x * v.x + y * v.y + z * v.z; }
    double length() const { return std::sqrt(dot(*this)); }
};

DVec faceNormal(const ImportedMesh& mesh, std::size_t triangle) {
    const Vec3& a = mesh.vertices[mesh.indices[triangle * 3]].position;
    const Vec3& b = mesh.vertices[mesh.indices[triangle * 3 + 1]].position;
    const Vec3& c = mesh.vertices[mesh.indices[triangle * 3 + 2]].position;
    DVec u{double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    DVec v{double(c.x) - a.x, double(c.y) - a.y, double(c.z) - a.z};
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

DVec unit(const DVec& v) {
    double length = v.length();
    return length > 0 && std::isfinite(length) ? DVec{v.x / length, v.y / length, v.z / length} : DVec{};
}

// The corners of the mesh grouped by position: `order` lists corner numbers group by group,
// group g spanning order[start[g]] .. order[start[g + 1]] - 1.
struct CornerGroups {
    std::vector<std::size_t> order;
    std::vector<std::size_t> start;
};

// Numbers the distinct positions of the mesh's corners in an open-addressed table (a node
// per entry, as a standard map makes, costs more than the rest of the work together).
std::vector<std::size_t> positionNumbers(const ImportedMesh& mesh, std::size_t& count) {
    std::size_t size = 16;
    while (size < mesh.vertices.size() * 2) size *= 2;
    std::vector<std::size_t> slots(size, SIZE_MAX);  // a vertex index, or empty
    std::vector<std::size_t> numberOf(size);
    std::vector<std::size_t> number(mesh.indices.size());
    count = 0;
    PositionHash hash;
    for (std::size_t corner = 0; corner < mesh.indices.size(); ++corner) {
        const Vec3& p = mesh.vertices[mesh.indices[corner]].position;
        Position key{p.x, p.y, p.z};
        std::size_t slot = hash(key) & (size - 1);
        while (slots[slot] != SIZE_MAX) {
            const Vec3& q = mesh.vertices[slots[slot]].position;
            if (key == Position{q.x, q.y, q.z}) break;
            slot = (slot + 1) & (size - 1);
        }
        if (slots[slot] == SIZE_MAX) {
            slots[slot] = static_cast<std::size_t>(mesh.indices[corner]);
            numberOf[slot] = count++;
        }
        number[corner] = numberOf[slot];
    }
    return number;
}

CornerGroups groupCorners(const ImportedMesh& mesh) {
    std::size_t count = 0;
    std::vector<std::size_t> group = positionNumbers(mesh, count);
    CornerGroups groups;
    groups.start.assign(count + 1, 0);
    for (std::size_t g : group) ++groups.start[g + 1];
    for (std::size_t g = 1; g < groups.start.size(); ++g) groups.start[g] += groups.start[g - 1];
    std::vector<std::size_t> next(groups.start.begin(), groups.start.end() - 1);
    groups.order.resize(mesh.indices.size());
    for (std::size_t corner = 0; corner < group.size(); ++corner) groups.order[next[group[corner]]++] = corner;
    return groups;
}

// The normals of the corners of one position. Few corners: each sums every face within the
// crease angle of its own. Many: faces are gathered into at most kMaxFans fans, each face
// joining the first fan whose first face is within the crease angle (or the closest, when all
// are taken), and every corner gets its fan's sum.
void normalsAt(const std::size_t* corners, std::size_t count, const std::vector<DVec>& faces,
               const std::vector<DVec>& units, double cosCrease, std::vector<DVec>& out) {
    if (count <= kExactGroup) {
        for (std::size_t i = 0; i < count; ++i) {
            const DVec& own = units[corners[i] / 3];
            DVec sum;
            for (std::size_t j = 0; j < count; ++j)
                if (own.dot(units[corners[j] / 3]) >= cosCrease) sum.add(faces[corners[j] / 3]);
            out[corners[i]] = sum;
        }
        return;
    }
    std::vector<DVec> leaders, sums;
    std::vector<std::size_t> fanOf(count);
    for (std::size_t i = 0; i < count; ++i) {
        const DVec& own = units[corners[i] / 3];
        std::size_t fan = leaders.size(), closest = 0;
        double closestDot = -2;
        for (std::size_t f = 0; f < leaders.size(); ++f) {
            double d = own.dot(leaders[f]);
            if (d >= cosCrease) {
                fan = f;
                break;
            }
            if (d > closestDot) closestDot = d, closest = f;
        }
        if (fan == leaders.size() && leaders.size() == kMaxFans) fan = closest;
        if (fan == leaders.size()) {
            leaders.push_back(own);
            sums.push_back({});
        }
        sums[fan].add(faces[corners[i] / 3]);
        fanOf[i] = fan;
    }
    for (std::size_t i = 0; i < count; ++i) out[corners[i]] = sums[fanOf[i]];
}

}  // namespace

void generateNormals(ImportedMesh& mesh, float creaseDegrees) {
    const std::size_t triangles = mesh.indices.size() / 3;
    std::vector<DVec> faces(triangles), units(triangles);
    for (std::size_t t = 0; t < triangles; ++t) {
        faces[t] = faceNormal(mesh, t);
        units[t] = unit(faces[t]);
    }
    // A small allowance, so that faces exactly at the crease angle (or both flat) still meet.
    const double cosCrease = std::cos(creaseDegrees * kRadiansPerDegree) - 1e-9;
    CornerGroups groups = groupCorners(mesh);
    std::vector<DVec> cornerNormals(mesh.indices.size());
    for (std::size_t g = 0; g + 1 < groups.start.size(); ++g)
        normalsAt(groups.order.data() + groups.start[g], groups.start[g + 1] - groups.start[g], faces, units,
                  cosCrease, cornerNormals);

    // One vertex per original vertex and normal: corners that agree keep sharing. The copies
    // of one original vertex are chained; a vertex seldom has more than a few.
    std::vector<ImportedVertex> vertices;
    vertices.reserve(mesh.vertices.size());
    std::vector<int> firstCopy(mesh.vertices.size(), -1), nextCopy;
    nextCopy.reserve(mesh.vertices.size());
    for (std::size_t corner = 0; corner < mesh.indices.size(); ++corner) {
        DVec n = unit(cornerNormals[corner]);
        if (n.dot(n) == 0) n = units[corner / 3];
        if (n.dot(n) == 0) n = {0, 0, 1};
        const Vec3 normal{static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.z)};
        const int original = mesh.indices[corner];
        int copy = firstCopy[original];
        while (copy >= 0 && !(vertices[copy].normal.x == normal.x && vertices[copy].normal.y == normal.y &&
                              vertices[copy].normal.z == normal.z))
            copy = nextCopy[copy];
        if (copy < 0) {
            copy = static_cast<int>(vertices.size());
            vertices.push_back(mesh.vertices[original]);
            vertices.back().normal = normal;
            nextCopy.push_back(firstCopy[original]);
            firstCopy[original] = copy;
        }
        mesh.indices[corner] = copy;
    }
    mesh.vertices = std::move(vertices);
}

double shareAgainstFaces(const ImportedMesh& mesh) {
    std::size_t against = 0;
    for (std::size_t corner = 0; corner < mesh.indices.size(); ++corner) {
        DVec face = faceNormal(mesh, corner / 3);
        const Vec3& n = mesh.vertices[mesh.indices[corner]].normal;
        if (face.dot({n.x, n.y, n.z}) < 0) ++against;
    }
    return mesh.indices.empty() ? 0 : static_cast<double>(against) / static_cast<double>(mesh.indices.size());
}
