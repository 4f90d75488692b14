// quelmar-make-bench: writes the benchmark scenes and their textures into a folder, so that
// scripts/bench.sh and scripts/compare-gl.sh measure the same work on any clone:
//
//     build/release/quelmar-make-bench FOLDER                 the whole set (about 80 MB)
//     build/release/quelmar-make-bench FOLDER --sphere S R    sphere-S-R.txt only, and the textures
//
// The set: brick.tga (texture), brickn.tga (its normal map), checker.tga; sphere-1k, -10k,
// -100k and -1m.txt, a UV sphere of S segments and R rings (2 S (R - 1) triangles) on a ground
// plane; knot.txt, a torus knot, a curved mesh that hides parts of itself; fill.txt, one quad
// that fills the viewport, every pixel shaded once with Phong, normal mapping and two lights.
// All share the materials, lights and cameras, with a 640 x 480 viewport; the scripts make
// full-HD copies. The output is deterministic: regenerating gives the same bytes.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "scene/tga.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kTextureSize = 256;
constexpr long long kMostTriangles = 1000000;

// ---- textures -------------------------------------------------------------------------------

struct Rgb {
    double r, g, b;
};

std::uint8_t toByte(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

bool writeTga(const std::filesystem::path& path, const std::vector<Rgb>& pixels, bool keepAlpha) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(pixels.size() * 4);
    for (const Rgb& p : pixels) rgba.insert(rgba.end(), {toByte(p.r), toByte(p.g), toByte(p.b), 255});
    std::vector<std::uint8_t> bytes = tgaEncode(kTextureSize, kTextureSize, rgba, RowOrder::bottomFirst, keepAlpha);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

// Distance in pixels from (x, y) to the nearest mortar joint of a wall of 8 rows of 4 bricks,
// every other row shifted by half a brick; negative inside the joint.
double distanceToMortar(int x, int y) {
    const int brickHeight = kTextureSize / 8, brickWidth = kTextureSize / 4, joint = 3;
    const int row = y / brickHeight;
    const int shifted = (x + (row % 2) * brickWidth / 2) % kTextureSize;
    const int inX = shifted % brickWidth, inY = y % brickHeight;
    const int edge = std::min({inX, brickWidth - 1 - inX, inY, brickHeight - 1 - inY});
    return edge - joint;
}

int brickNumber(int x, int y) {
    const int row = y / (kTextureSize / 8);
    return row * 5 + (x + (row % 2) * kTextureSize / 8) % kTextureSize / (kTextureSize / 4);
}

double brickHeight(int x, int y) {
    x = (x + kTextureSize) % kTextureSize;
    y = (y + kTextureSize) % kTextureSize;
    return std::clamp(distanceToMortar(x, y), 0.0, 4.0);  // faces flat, edges bevelled down 4 pixels
}

std::vector<Rgb> brickTexture() {
    std::vector<Rgb> pixels(kTextureSize * kTextureSize);
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x) {
            const double shade = 0.85 + 0.15 * std::sin(brickNumber(x, y) * 2.39996);
            const double grain = 0.04 * std::sin(x * 1.7 + y * 2.3) * std::cos(x * 0.61 - y * 1.3);
            pixels[y * kTextureSize + x] = distanceToMortar(x, y) < 0
                                               ? Rgb{0.62 + grain, 0.6 + grain, 0.57 + grain}
                                               : Rgb{0.66 * shade + grain, 0.3 * shade + grain, 0.22 * shade + grain};
        }
    return pixels;
}

// Tangent-space normals of the wall: red grows with u, green with v, blue is the surface
// normal, RGB = (n + 1) / 2.
std::vector<Rgb> brickNormalMap() {
    std::vector<Rgb> pixels(kTextureSize * kTextureSize);
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x) {
            const double nx = -(brickHeight(x + 1, y) - brickHeight(x - 1, y)) * 0.5;
            const double ny = -(brickHeight(x, y + 1) - brickHeight(x, y - 1)) * 0.5;
            const double length = std::sqrt(nx * nx + ny * ny + 1);
            pixels[y * kTextureSize + x] = {(nx / length + 1) / 2, (ny / length + 1) / 2, (1 / length + 1) / 2};
        }
    return pixels;
}

// An 8 x 8 checker with three corner cells tinted, so that a flipped texture shows: (0, 0) red,
// (1, 0) green, (0, 1) blue.
std::vector<Rgb> checkerTexture() {
    std::vector<Rgb> pixels(kTextureSize * kTextureSize);
    const int cell = kTextureSize / 8;
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x) {
            const int cx = x / cell, cy = y / cell;
            const double v = (cx + cy) % 2 ? 0.85 : 0.35;
            Rgb c{v, v, v};
            if (cx == 0 && cy == 0) c = {0.9, 0.2, 0.2};
            if (cx == 7 && cy == 0) c = {0.2, 0.8, 0.25};
            if (cx == 0 && cy == 7) c = {0.2, 0.3, 0.9};
            pixels[y * kTextureSize + x] = c;
        }
    return pixels;
}

// ---- meshes ---------------------------------------------------------------------------------

struct Point {
    double x, y, z;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point operator*(Point a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double dot(Point a, Point b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point cross(Point a, Point b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Point unit(Point a) { return a * (1 / std::sqrt(dot(a, a))); }

struct MeshVertex {
    Point position, normal;
    double u, v;
};

struct Mesh {
    std::string name, material;
    Point place;
    std::vector<MeshVertex> vertices;
    std::vector<int> indices;
};

// Adds the triangle wound counter-clockwise as seen from the side its normals face.
void addTriangle(Mesh& mesh, int a, int b, int c) {
    const MeshVertex &p = mesh.vertices[a], &q = mesh.vertices[b], &r = mesh.vertices[c];
    const Point facing = cross(q.position - p.position, r.position - p.position);
    if (dot(facing, p.normal + q.normal + r.normal) < 0) std::swap(b, c);
    mesh.indices.insert(mesh.indices.end(), {a, b, c});
}

// A grid of (columns + 1) x (rows + 1) vertices from `at(i, j)`, two triangles per cell, none
// in the cells of a degenerate first or last row (the poles).
template <class At>
Mesh gridMesh(std::string name, std::string material, Point place, int columns, int rows, bool capped, At at) {
    Mesh mesh{std::move(name), std::move(material), place, {}, {}};
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) mesh.vertices.push_back(at(i, j));
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const int a = j * (columns + 1) + i, b = a + 1, c = a + columns + 1, d = c + 1;
            if (!capped || j > 0) addTriangle(mesh, a, b, d);
            if (!capped || j < rows - 1) addTriangle(mesh, a, d, c);
        }
    return mesh;
}

// Radius 1 at the origin; u runs 0..4 around and v 0..2 from pole to pole, so the bricks repeat
// 4 x 2 times. The seam column is doubled and each pole has a vertex per segment.
Mesh sphere(int segments, int rings) {
    return gridMesh("Sphere", "Brick", {0, 0, 0}, segments, rings, true, [&](int i, int j) {
        const double latitude = -kPi / 2 + kPi * j / rings, longitude = 2 * kPi * i / segments;
        const Point p{-std::cos(latitude) * std::sin(longitude), std::sin(latitude),
                      -std::cos(latitude) * std::cos(longitude)};
        return MeshVertex{p, p, 4.0 * i / segments, 2.0 * j / rings};
    });
}

// A (2, 3) torus knot: a tube around a curve that winds through itself, scaled to a radius of
// about 1 and facing the front camera.
Mesh torusKnot(int along, int around) {
    auto curve = [](double t) {
        const double r = 2 + std::cos(3 * t);
        return Point{r * std::cos(2 * t), r * std::sin(2 * t), std::sin(3 * t)} * (1 / 3.4);
    };
    return gridMesh("Knot", "Brick", {0, 0.1, 0}, along, around, false, [&](int i, int j) {
        const double t = 2 * kPi * i / along, h = 1e-4, tube = 0.4 / 3.4;
        const Point c = curve(t), tangent = unit(curve(t + h) - curve(t - h));
        const Point bend = curve(t + h) + curve(t - h) - c * 2;
        const Point binormal = unit(cross(tangent, bend)), normal = cross(binormal, tangent);
        const double angle = 2 * kPi * j / around;
        const Point n = normal * std::cos(angle) + binormal * std::sin(angle);
        return MeshVertex{c + n * tube, n, 8.0 * i / along, 1.0 * j / around};
    });
}

// 12 x 12 units at y = -1 in 8 x 8 quads, the checker 6 times each way; it reaches behind the
// cameras, so the near plane clips it in every frame.
Mesh ground() {
    return gridMesh("Ground", "Ground", {0, -1, 0}, 8, 8, false, [](int i, int j) {
        return MeshVertex{{-6 + 1.5 * i, 0, 6 - 1.5 * j}, {0, 1, 0}, 0.75 * i, 0.75 * j};
    });
}

Mesh fillQuad() {
    Mesh quad{"Quad", "Brick", {0, 0, 0}, {}, {}};
    for (auto [x, y, u, v] : {std::array<double, 4>{-3, -2, 0, 0}, {3, -2, 4, 0}, {3, 2, 4, 3}, {-3, 2, 0, 3}})
        quad.vertices.push_back({{x, y, 0}, {0, 0, 1}, u, v});
    addTriangle(quad, 0, 1, 2);
    addTriangle(quad, 0, 2, 3);
    return quad;
}

// ---- scene text -----------------------------------------------------------------------------

const char* const kMaterials = R"(VIEWPORT
MIN: 0 0
MAX: 640 480
MATERIAL "Brick"
	AMBIENT: 0.6 0.35 0.3 1
	DIFFUSE: 0.7 0.35 0.25 1
	SPECULAR: 0.5 0.5 0.5 1
	SHININESS: 24
	TEXTUREMAP: brick.tga
	NORMALMAP: brickn.tga
MATERIAL "Ground"
	AMBIENT: 0.5 0.5 0.5 1
	DIFFUSE: 0.7 0.7 0.7 1
	SPECULAR: 0.2 0.2 0.2 1
	SHININESS: 8
	TEXTUREMAP: checker.tga
	NORMALMAP: None
)";

const char* const kCameras = R"(CAMERA "Front"
	POSITION: 0 0.9 3.6
	ROTATION: -16.260205 0 0
	FIELDOFVIEW: 50
	NEARPLANE: 1
	FARPLANE: 100
CAMERA "Side"
	POSITION: 3.06 0.5 1.62
	ROTATION: -8.217264 -62.102729 0
	FIELDOFVIEW: 50
	NEARPLANE: 1
	FARPLANE: 100
CAMERA "Top"
	POSITION: 0 3.96 1.26
	ROTATION: -72.349876 0 0
	FIELDOFVIEW: 45
	NEARPLANE: 1
	FARPLANE: 100
)";

const char* const kFillCamera = R"(CAMERA "Fill"
	POSITION: 0 0 3
	ROTATION: 0 0 0
	FIELDOFVIEW: 50
	NEARPLANE: 1
	FARPLANE: 100
)";

const char* const kLights = R"(LIGHT "Key"
	POSITION: 4 5 5
	COLOUR: 1 0.95 0.9 1
LIGHT "Fill"
	POSITION: -4 1.5 3
	COLOUR: 0.3 0.35 0.5 1
SCENEAMBIENCE: 0.2 0.2 0.2 1
SCENEATTENUATION: 1 0 0
)";

void writeMesh(std::FILE* out, const Mesh& mesh) {
    std::fprintf(out, "TRIMESH \"%s\"\n\tPOSITION: %g %g %g\n\tROTATION: 0 0 1 0\n", mesh.name.c_str(), mesh.place.x,
                 mesh.place.y, mesh.place.z);
    std::fprintf(out, "\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n\tVERTEXCOUNT %zu\n", mesh.vertices.size());
    for (const MeshVertex& v : mesh.vertices)
        std::fprintf(out, "\t\tPOSITION: %.6f %.6f %.6f NORMAL: %.6f %.6f %.6f TEXCOORD: %.6f %.6f\n", v.position.x,
                     v.position.y, v.position.z, v.normal.x, v.normal.y, v.normal.z, v.u, v.v);
    std::fprintf(out, "\tMATERIALCOUNT 1\n\t\tMATERIAL \"%s\"\n\t\tTRIANGLECOUNT %zu\n", mesh.material.c_str(),
                 mesh.indices.size() / 3);
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3)
        std::fprintf(out, "\t\t%d %d %d\n", mesh.indices[i], mesh.indices[i + 1], mesh.indices[i + 2]);
}

bool writeScene(const std::filesystem::path& path, const std::vector<Mesh>& meshes, const char* cameras) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    std::fputs(kMaterials, out);
    std::fputs(cameras, out);
    std::fputs(kLights, out);
    for (const Mesh& mesh : meshes) writeMesh(out, mesh);
    const bool written = !std::ferror(out);
    return std::fclose(out) == 0 && written;
}

bool writeTextures(const std::filesystem::path& folder) {
    return writeTga(folder / "brick.tga", brickTexture(), false) &&
           writeTga(folder / "brickn.tga", brickNormalMap(), false) &&
           writeTga(folder / "checker.tga", checkerTexture(), true);
}

bool writeSphere(const std::filesystem::path& path, int segments, int rings) {
    return writeScene(path, {sphere(segments, rings), ground()}, kCameras);
}

int usage() {
    std::cerr << "Usage: quelmar-make-bench FOLDER [--sphere SEGMENTS RINGS]\n"
                 "Writes the benchmark scenes and their textures into FOLDER; with --sphere only\n"
                 "sphere-SEGMENTS-RINGS.txt (2 x SEGMENTS x (RINGS - 1) triangles, at most 1,000,000)\n"
                 "and the textures.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 5) return usage();
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !writeTextures(folder)) {
        std::cerr << "quelmar-make-bench: cannot write into " << folder << "\n";
        return 1;
    }
    if (argc == 5) {
        if (std::string(argv[2]) != "--sphere") return usage();
        const long long segments = std::atoll(argv[3]), rings = std::atoll(argv[4]);
        if (segments < 3 || rings < 2 || 2 * segments * (rings - 1) > kMostTriangles) return usage();
        const std::string name = "sphere-" + std::to_string(segments) + "-" + std::to_string(rings) + ".txt";
        return writeSphere(folder / name, static_cast<int>(segments), static_cast<int>(rings)) ? 0 : 1;
    }
    // The sizes of the figures in the README: 960, 9,800, 99,224 and 998,000 sphere triangles.
    const struct {
        const char* name;
        int segments, rings;
    } spheres[] = {{"sphere-1k.txt", 32, 16}, {"sphere-10k.txt", 100, 50}, {"sphere-100k.txt", 316, 158},
                   {"sphere-1m.txt", 1000, 500}};
    bool written = true;
    for (const auto& s : spheres) written = written && writeSphere(folder / s.name, s.segments, s.rings);
    written = written && writeScene(folder / "knot.txt", {torusKnot(128, 8), ground()}, kCameras);
    written = written && writeScene(folder / "fill.txt", {fillQuad()}, kFillCamera);
    if (!written) {
        std::cerr << "quelmar-make-bench: cannot write into " << folder << "\n";
        return 1;
    }
    return 0;
}
