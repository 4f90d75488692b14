// quelmar-make-demo: writes the bundled demo scene (scene.txt) and the TGA images it names
// into a folder, so that assets/demo can be regenerated after a change here:
//
//     build/release/quelmar-make-demo assets/demo
//
// The demo is meant to show the renderer's features at a glance: a tiled, normal-mapped floor
// and a brick wall behind it; a glossy ball, tessellated coarsely enough that its highlight
// differs visibly between Phong and Gouraud shading; a standing gold ring with a dimpled normal
// map and no texture; a warm and a cool light; three cameras. The output is deterministic (no
// random generator, no clock), so regenerating gives the same bytes.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "scene/tga.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Images
// ---------------------------------------------------------------------------------------------

struct Rgb {
    double r, g, b;
};

// Row 0 is the lowest row, as the renderer and a lower-left-origin TGA file keep it.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

Picture makePicture(int width, int height) { return {width, height, std::vector<Rgb>(width * height)}; }

std::uint8_t toByte(double value) { return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); }

// The TGA layout the scene loader reads, 24 or 32 bits per pixel with alpha 255; the picture's
// rows are stored bottom first, as its pixels are.
bool writeTga(const std::filesystem::path& path, const Picture& picture, int bitsPerPixel) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(picture.pixels.size() * 4);
    for (const Rgb& p : picture.pixels) rgba.insert(rgba.end(), {toByte(p.r), toByte(p.g), toByte(p.b), 255});
    std::vector<std::uint8_t> bytes =
        tgaEncode(picture.width, picture.height, rgba, RowOrder::bottomFirst, bitsPerPixel == 32);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return static_cast<bool>(out);
}

// Deterministic hash of a lattice point to 0..1.
double hash01(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u ^
                      static_cast<std::uint32_t>(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffff) / double(0xffffff);
}

int wrap(int i, int period) { return ((i % period) + period) % period; }

// Smooth value noise on a lattice of `period` x `period` cells over the unit square. It repeats
// with the square, so textures built from it tile without seams.
double tilingNoise(double u, double v, int period, int seed) {
    double x = u * period, y = v * period;
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    double fx = x - ix, fy = y - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int dx, int dy) { return hash01(wrap(ix + dx, period), wrap(iy + dy, period), seed); };
    double bottom = at(0, 0) + (at(1, 0) - at(0, 0)) * fx;
    double top = at(0, 1) + (at(1, 1) - at(0, 1)) * fx;
    return bottom + (top - bottom) * fy;
}

// A few octaves of tilingNoise, centred on 0, roughly -0.5 .. 0.5.
double tilingTurbulence(double u, double v, int basePeriod, int seed) {
    double sum = 0, weight = 0.5;
    for (int octave = 0; octave < 4; ++octave, weight *= 0.5)
        sum += weight * (tilingNoise(u, v, basePeriod << octave, seed + octave) - 0.5);
    return sum;
}

// Tangent-space normal map of a height field that repeats with the picture. Red grows with
// the column (u), green with the row (v), blue is the surface normal: RGB = (n + 1) / 2.
Picture normalMapFromHeights(const std::vector<double>& height, int width, int rows, double strength) {
    Picture map = makePicture(width, rows);
    auto h = [&](int x, int y) { return height[wrap(x, width) + wrap(y, rows) * width]; };
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x) {
            double nx = -strength * (h(x + 1, y) - h(x - 1, y)) * 0.5;
            double ny = -strength * (h(x, y + 1) - h(x, y - 1)) * 0.5;
            double length = std::sqrt(nx * nx + ny * ny + 1);
            map.pixels[x + y * width] = {(nx / length + 1) / 2, (ny / length + 1) / 2, (1 / length + 1) / 2};
        }
    return map;
}

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb scaled(Rgb c, double s) { return {c.r * s, c.g * s, c.b * s}; }
double smoothStep(double edge0, double edge1, double x) {
    double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// A texture and its normal map drawn from one layout of rectangular blocks (tiles, bricks)
// separated by grout: `distanceToGrout` gives, for a pixel, the distance in pixels to the
// nearest joint (negative inside the joint) and the block's id for its colour variation.
struct BlockSample {
    double distance;
    int block;
};

struct BlockStyle {
    int size;
    double bevel;  // pixels over which a block's edge slopes down into the joint
    std::function<BlockSample(double x, double y)> distanceToGrout;
    std::function<Rgb(int block, double u, double v)> blockColour;
    Rgb grout;
    int seed;
};

double blockHeight(const BlockStyle& style, BlockSample s, double u, double v) {
    double face = smoothStep(0, style.bevel, s.distance);
    double roughness = tilingTurbulence(u, v, 8, style.seed + 17);
    return style.bevel * face + 1.5 * roughness * face + 0.6 * roughness;
}

Picture blockTexture(const BlockStyle& style) {
    Picture picture = makePicture(style.size, style.size);
    for (int y = 0; y < style.size; ++y)
        for (int x = 0; x < style.size; ++x) {
            double u = (x + 0.5) / style.size, v = (y + 0.5) / style.size;
            BlockSample s = style.distanceToGrout(x + 0.5, y + 0.5);
            double mottle = 1 + 0.35 * tilingTurbulence(u, v, 16, style.seed);
            Rgb face = scaled(style.blockColour(s.block, u, v), mottle);
            // The bevel darkens a little towards the joint, as worn edges do.
            double edge = smoothStep(0, style.bevel, s.distance);
            Rgb grout = scaled(style.grout, 1 + 0.3 * tilingTurbulence(u, v, 32, style.seed + 5));
            picture.pixels[x + y * style.size] = mix(grout, scaled(face, 0.85 + 0.15 * edge), smoothStep(-1, 0.5, s.distance));
        }
    return picture;
}

Picture blockNormalMap(const BlockStyle& style, double strength) {
    std::vector<double> heights(style.size * style.size);
    for (int y = 0; y < style.size; ++y)
        for (int x = 0; x < style.size; ++x) {
            double u = (x + 0.5) / style.size, v = (y + 0.5) / style.size;
            heights[x + y * style.size] = blockHeight(style, style.distanceToGrout(x + 0.5, y + 0.5), u, v);
        }
    return normalMapFromHeights(heights, style.size, style.size, strength);
}

// Floor tiles: a 4 x 4 checker of cream and slate tiles with narrow joints.
BlockStyle tileStyle() {
    constexpr int kSize = 256, kCell = 64;
    constexpr double kHalfJoint = 2.0;
    BlockStyle style;
    style.size = kSize;
    style.bevel = 5;
    style.seed = 11;
    style.grout = {0.42, 0.40, 0.37};
    style.distanceToGrout = [=](double x, double y) {
        double cx = std::fmod(x, kCell), cy = std::fmod(y, kCell);
        double toEdge = std::min({cx, kCell - cx, cy, kCell - cy});
        int block = static_cast<int>(x / kCell) + 4 * static_cast<int>(y / kCell);
        return BlockSample{toEdge - kHalfJoint, block};
    };
    style.blockColour = [](int block, double, double) {
        bool light = (block % 4 + block / 4) % 2 == 0;
        double shade = 0.93 + 0.14 * hash01(block, 3, 7);
        Rgb base = light ? Rgb{0.86, 0.80, 0.68} : Rgb{0.36, 0.40, 0.46};
        return scaled(base, shade);
    };
    return style;
}

// Wall bricks: 8 courses of 4 bricks, every other course shifted by half a brick.
BlockStyle brickStyle() {
    constexpr int kSize = 256, kBrickWidth = 64, kBrickHeight = 32;
    constexpr double kHalfJoint = 2.5;
    BlockStyle style;
    style.size = kSize;
    style.bevel = 4;
    style.seed = 23;
    style.grout = {0.60, 0.58, 0.54};
    style.distanceToGrout = [=](double x, double y) {
        int course = static_cast<int>(y / kBrickHeight);
        double shifted = x + (course % 2 ? kBrickWidth / 2.0 : 0.0);
        double cx = std::fmod(shifted, kBrickWidth), cy = std::fmod(y, kBrickHeight);
        double toEdge = std::min({cx, kBrickWidth - cx, cy, kBrickHeight - cy});
        int brick = wrap(static_cast<int>(shifted / kBrickWidth), kSize / kBrickWidth) + 4 * course;
        return BlockSample{toEdge - kHalfJoint, brick};
    };
    style.blockColour = [](int brick, double, double) {
        Rgb dark{0.40, 0.17, 0.11}, light{0.66, 0.33, 0.21};
        return mix(dark, light, hash01(brick, 1, 29));
    };
    return style;
}

// Hammered metal: rows of shallow round dents, every other row shifted by half a dent.
Picture dimpleNormalMap() {
    constexpr int kSize = 128, kPerRow = 8;
    constexpr double kCell = double(kSize) / kPerRow;
    std::vector<double> heights(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            double deepest = 0;
            int row = static_cast<int>((y + 0.5) / kCell);
            for (int r = row - 1; r <= row + 1; ++r)
                for (int c = -1; c <= kPerRow; ++c) {
                    double jitterX = 0.2 * (hash01(wrap(c, kPerRow), wrap(r, kPerRow), 41) - 0.5);
                    double jitterY = 0.2 * (hash01(wrap(c, kPerRow), wrap(r, kPerRow), 43) - 0.5);
                    double cx = (c + 0.5 + (wrap(r, 2) ? 0.5 : 0.0) + jitterX) * kCell;
                    double cy = (r + 0.5 + jitterY) * kCell;
                    for (double ox : {-double(kSize), 0.0, double(kSize)}) {
                        double dx = x + 0.5 - (cx + ox), dy = y + 0.5 - cy;
                        double t = std::sqrt(dx * dx + dy * dy) / (0.62 * kCell);
                        if (t < 1) deepest = std::max(deepest, (1 - t * t) * (1 - t * t));
                    }
                }
            heights[x + y * kSize] = -1.8 * deepest;
        }
    return normalMapFromHeights(heights, kSize, kSize, 1.0);
}

// ---------------------------------------------------------------------------------------------
// Meshes
// ---------------------------------------------------------------------------------------------

struct V3 {
    double x, y, z;
};

V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

struct MeshVertex {
    V3 position;
    V3 normal;
    double u, v;
};

struct Mesh {
    std::string name;
    std::string material;
    V3 position = {0, 0, 0};
    double angle = 0;  // degrees about `axis`, as the file's ROTATION line writes it
    V3 axis = {0, 1, 0};
    std::vector<MeshVertex> vertices;
    std::vector<int> indices;
};

// A surface sampled on a (columns + 1) x (rows + 1) grid of parameters s, t in 0..1; the seam
// column and row are separate vertices so that texture coordinates can run past 1. Each quad
// becomes two triangles, wound counter-clockwise seen from the side the normals point to.
Mesh gridMesh(int columns, int rows, const std::function<MeshVertex(double s, double t)>& sample) {
    Mesh mesh;
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= columns; ++i) mesh.vertices.push_back(sample(double(i) / columns, double(j) / rows));
    auto at = [&](int i, int j) { return i + j * (columns + 1); };
    auto addTriangle = [&](int a, int b, int c) {
        const MeshVertex &pa = mesh.vertices[a], &pb = mesh.vertices[b], &pc = mesh.vertices[c];
        V3 face = cross(pb.position - pa.position, pc.position - pa.position);
        if (dot(face, face) < 1e-18) return;  // degenerate, at a pole
        V3 normalSum = {pa.normal.x + pb.normal.x + pc.normal.x, pa.normal.y + pb.normal.y + pc.normal.y,
                        pa.normal.z + pb.normal.z + pc.normal.z};
        if (dot(face, normalSum) > 0)
            mesh.indices.insert(mesh.indices.end(), {a, b, c});
        else
            mesh.indices.insert(mesh.indices.end(), {a, c, b});
    };
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            addTriangle(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            addTriangle(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
    return mesh;
}

// Normal mapping takes the bitangent as normal x tangent; that must be the direction in which v
// grows, or the map's green channel would light bumps from the wrong side.
bool bitangentFollowsV(const Mesh& mesh) {
    for (size_t k = 0; k + 2 < mesh.indices.size(); k += 3) {
        const MeshVertex &a = mesh.vertices[mesh.indices[k]], &b = mesh.vertices[mesh.indices[k + 1]],
                         &c = mesh.vertices[mesh.indices[k + 2]];
        V3 e1 = b.position - a.position, e2 = c.position - a.position;
        double du1 = b.u - a.u, dv1 = b.v - a.v, du2 = c.u - a.u, dv2 = c.v - a.v;
        double d = du1 * dv2 - du2 * dv1;
        if (std::abs(d) < 1e-12) continue;
        V3 tangent = {(e1.x * dv2 - e2.x * dv1) / d, (e1.y * dv2 - e2.y * dv1) / d, (e1.z * dv2 - e2.z * dv1) / d};
        V3 bitangent = {(e2.x * du1 - e1.x * du2) / d, (e2.y * du1 - e1.y * du2) / d, (e2.z * du1 - e1.z * du2) / d};
        if (dot(cross(a.normal, tangent), bitangent) <= 0) return false;
    }
    return true;
}

// A level rectangle facing up, in quads of one unit; u grows along +x and v along -z, so that
// normal x tangent = +v.
Mesh floorMesh(double halfWidth, double zNear, double zFar, double tileRepeat) {
    double depth = zNear - zFar;
    int columns = static_cast<int>(2 * halfWidth), rows = static_cast<int>(depth);
    return gridMesh(columns, rows, [=](double s, double t) {
        double x = -halfWidth + 2 * halfWidth * s, z = zNear - depth * t;
        return MeshVertex{{x, 0, z}, {0, 1, 0}, (x + halfWidth) / tileRepeat, (zNear - z) / tileRepeat};
    });
}

// An upright rectangle facing +z, in square quads of side `quad`; u grows along +x and v along +y.
Mesh wallMesh(double halfWidth, double height, double quad, double repeat) {
    int columns = static_cast<int>(std::lround(2 * halfWidth / quad));
    int rows = static_cast<int>(std::lround(height / quad));
    return gridMesh(columns, rows, [=](double s, double t) {
        double x = -halfWidth + 2 * halfWidth * s, y = height * t;
        return MeshVertex{{x, y, 0}, {0, 0, 1}, (x + halfWidth) / repeat, y / repeat};
    });
}

// A UV sphere about its own origin; v grows from the south pole to the north pole.
Mesh sphereMesh(double radius, int bands, int segments) {
    return gridMesh(segments, bands, [=](double s, double t) {
        double theta = kPi * (1 - t), phi = 2 * kPi * s;
        V3 n = {std::sin(theta) * std::sin(phi), std::cos(theta), std::sin(theta) * std::cos(phi)};
        return MeshVertex{{radius * n.x, radius * n.y, radius * n.z}, n, 2 * s, t};
    });
}

// A ring about the y axis (major radius R, tube radius r). u runs `uRepeat` times round the
// ring and v once round the tube, in the directions that keep normal x tangent along +v.
Mesh torusMesh(double majorRadius, double tubeRadius, int ringSegments, int tubeSegments, double uRepeat) {
    return gridMesh(ringSegments, tubeSegments, [=](double s, double t) {
        double phi = -2 * kPi * s, theta = 2 * kPi * t;
        V3 n = {std::cos(theta) * std::cos(phi), std::sin(theta), std::cos(theta) * std::sin(phi)};
        double ring = majorRadius + tubeRadius * std::cos(theta);
        return MeshVertex{{ring * std::cos(phi), tubeRadius * n.y, ring * std::sin(phi)}, n, uRepeat * s, t};
    });
}

// ---------------------------------------------------------------------------------------------
// The scene file
// ---------------------------------------------------------------------------------------------

// Up to six decimals, no trailing zeros and no "-0": short, exact enough, and stable.
std::string num(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string nums(std::initializer_list<double> values) {
    std::string out;
    for (double v : values) {
        if (!out.empty()) out += ' ';
        out += num(v);
    }
    return out;
}

struct Material {
    std::string name;
    Rgb ambient, diffuse, specular;
    double shininess;
    std::string textureMap, normalMap;
};

struct CameraSpot {
    std::string name;
    V3 from, to;
    double fieldOfView;
};

struct Lamp {
    std::string name;
    V3 position;
    Rgb colour;
};

void writeMaterial(std::ostream& out, const Material& m) {
    auto colour = [](Rgb c) { return nums({c.r, c.g, c.b, 1}); };
    out << "MATERIAL \"" << m.name << "\"\n"
        << "\tAMBIENT: " << colour(m.ambient) << "\n"
        << "\tDIFFUSE: " << colour(m.diffuse) << "\n"
        << "\tSPECULAR: " << colour(m.specular) << "\n"
        << "\tSHININESS: " << num(m.shininess) << "\n"
        << "\tTEXTUREMAP: " << m.textureMap << "\n"
        << "\tNORMALMAP: " << m.normalMap << "\n";
}

// The file gives a camera as pitch and yaw in degrees; a positive yaw turns the view from -z
// towards +x and a positive pitch raises it. The projection works as intended only with a
// near plane of 1 (with less, everything beyond a few units is clipped away).
void writeCamera(std::ostream& out, const CameraSpot& c) {
    V3 d = c.to - c.from;
    double yaw = std::atan2(d.x, -d.z) * 180 / kPi;
    double pitch = std::atan2(d.y, std::sqrt(d.x * d.x + d.z * d.z)) * 180 / kPi;
    out << "CAMERA \"" << c.name << "\"\n"
        << "\tPOSITION: " << nums({c.from.x, c.from.y, c.from.z}) << "\n"
        << "\tROTATION: " << nums({pitch, yaw, 0}) << "\n"
        << "\tFIELDOFVIEW: " << num(c.fieldOfView) << "\n"
        << "\tNEARPLANE: 1\n"
        << "\tFARPLANE: 100\n";
}

void writeLight(std::ostream& out, const Lamp& l) {
    out << "LIGHT \"" << l.name << "\"\n"
        << "\tPOSITION: " << nums({l.position.x, l.position.y, l.position.z}) << "\n"
        << "\tCOLOUR: " << nums({l.colour.r, l.colour.g, l.colour.b, 1}) << "\n";
}

// The ROTATIONMATRIX line is for the reader only (the loader ignores it), so it shows the
// exact rotation of the written angle and axis.
std::string rotationMatrixLine(double angle, V3 axis) {
    double length = std::sqrt(dot(axis, axis));
    double h = angle * kPi / 360, s = std::sin(h) / length;
    double x = axis.x * s, y = axis.y * s, z = axis.z * s, w = std::cos(h);
    return "X: " + nums({1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)}) +
           " Y: " + nums({2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)}) +
           " Z: " + nums({2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)});
}

void writeMesh(std::ostream& out, const Mesh& mesh) {
    out << "TRIMESH \"" << mesh.name << "\"\n"
        << "\tPOSITION: " << nums({mesh.position.x, mesh.position.y, mesh.position.z}) << "\n"
        << "\tROTATION: " << nums({mesh.angle, mesh.axis.x, mesh.axis.y, mesh.axis.z}) << "\n"
        << "\tROTATIONMATRIX: " << rotationMatrixLine(mesh.angle, mesh.axis) << "\n"
        << "\tVERTEXCOUNT " << mesh.vertices.size() << "\n";
    for (const MeshVertex& v : mesh.vertices)
        out << "\t\tPOSITION: " << nums({v.position.x, v.position.y, v.position.z})
            << " NORMAL: " << nums({v.normal.x, v.normal.y, v.normal.z}) << " TEXCOORD: " << nums({v.u, v.v}) << "\n";
    out << "\tMATERIALCOUNT 1\n"
        << "\t\tMATERIAL \"" << mesh.material << "\"\n"
        << "\t\tTRIANGLECOUNT " << mesh.indices.size() / 3 << "\n";
    for (size_t k = 0; k < mesh.indices.size(); k += 3)
        out << "\t\t" << mesh.indices[k] << " " << mesh.indices[k + 1] << " " << mesh.indices[k + 2] << "\n";
}

// A quaternion product written back as the file's angle and axis: the ring is first stood up
// (a quarter turn about x) and then turned about the vertical.
void standAndTurn(Mesh& mesh, double yawDegrees) {
    double a = kPi / 4, b = yawDegrees * kPi / 360;
    // q = qy(b) * qx(a), with q = (x, y, z, w)
    double x = std::cos(b) * std::sin(a), y = std::sin(b) * std::cos(a), z = -std::sin(b) * std::sin(a);
    double w = std::cos(b) * std::cos(a);
    double s = std::sqrt(x * x + y * y + z * z);
    mesh.angle = 2 * std::atan2(s, w) * 180 / kPi;
    mesh.axis = {x / s, y / s, z / s};
}

std::vector<Mesh> demoMeshes() {
    Mesh floor = floorMesh(8, 8, -4, 4);
    floor.name = "Floor";
    floor.material = "Tiles";
    floor.position = {0, 0, 0};

    // Gouraud shading samples the texture at the vertices: a vertex every quarter of the brick
    // texture puts every one on a mortar joint, so the wall is evenly lit, not blotchy.
    Mesh wall = wallMesh(8, 4, 0.8, 3.2);
    wall.name = "Wall";
    wall.material = "Bricks";
    wall.position = {0, 0, -4};

    constexpr double kMajor = 0.85, kTube = 0.3;
    Mesh ring = torusMesh(kMajor, kTube, 32, 12, 3);
    ring.name = "Ring";
    ring.material = "Gold";
    ring.position = {1.55, kMajor + kTube, -0.2};
    standAndTurn(ring, -35);

    // Coarse on purpose: the highlight is smaller than a triangle, which only Phong shows.
    Mesh ball = sphereMesh(1, 10, 20);
    ball.name = "Ball";
    ball.material = "Lacquer";
    ball.position = {-1.35, 1, 0.4};

    // The ball comes last: the background takes the texture of the last polygon drawn, and
    // the ball has none, so the sky stays plain light blue.
    return {floor, wall, ring, ball};
}

std::string sceneText(const std::vector<Mesh>& meshes) {
    const std::vector<Material> materials = {
        {"Tiles", {0.62, 0.6, 0.56}, {0.62, 0.6, 0.56}, {0.25, 0.25, 0.25}, 20, "tiles.tga", "tiles-nm.tga"},
        {"Bricks", {0.6, 0.33, 0.24}, {0.6, 0.32, 0.22}, {0.12, 0.12, 0.12}, 8, "bricks.tga", "bricks-nm.tga"},
        {"Gold", {0.5, 0.36, 0.1}, {0.78, 0.56, 0.16}, {1, 0.86, 0.55}, 40, "None", "dimples-nm.tga"},
        {"Lacquer", {0.5, 0.05, 0.05}, {0.72, 0.06, 0.05}, {1, 1, 1}, 90, "None", "None"},
    };
    // One field of view for all: switching cameras keeps the projection of the one current
    // when the window was sized.
    const std::vector<CameraSpot> cameras = {
        {"Front", {0, 2.3, 7.2}, {0, 0.95, 0}, 45},
        {"Close", {-4.7, 1.35, 4.5}, {-0.6, 0.8, -0.2}, 45},
        {"Above", {1.2, 8.6, 5.6}, {0, 0.4, -0.4}, 45},
    };
    const std::vector<Lamp> lights = {
        {"Warm", {3.5, 5, 4.5}, {1, 0.82, 0.62}},
        {"Cool", {-5.5, 2.2, 1.5}, {0.35, 0.5, 1}},
    };
    std::ostringstream out;
    // The window is MAX + 40 each way (860 x 660): a 20-pixel margin all round the picture.
    out << "VIEWPORT\nMIN: 20 20\nMAX: 820 620\n";
    for (const Material& m : materials) writeMaterial(out, m);
    for (const CameraSpot& c : cameras) writeCamera(out, c);
    for (const Lamp& l : lights) writeLight(out, l);
    out << "SCENEAMBIENCE: 0.25 0.25 0.28 1\n"
        << "SCENEATTENUATION: 1 0 0\n";
    for (const Mesh& m : meshes) writeMesh(out, m);
    return out.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help") {
        std::cerr << "Usage: quelmar-make-demo FOLDER\n"
                     "Writes the demo scene (scene.txt) and its TGA images into FOLDER.\n";
        return argc == 2 ? 0 : 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    std::vector<Mesh> meshes = demoMeshes();
    for (const Mesh& m : meshes)
        if ((m.name == "Floor" || m.name == "Wall" || m.name == "Ring") && !bitangentFollowsV(m)) {
            std::cerr << "quelmar-make-demo: the tangent frame of " << m.name << " is mirrored\n";
            return 1;
        }

    const BlockStyle tiles = tileStyle(), bricks = brickStyle();
    struct Output {
        const char* name;
        Picture picture;
        int bits;
    };
    // Both pixel depths the loader reads appear: the bricks are stored with alpha.
    const std::vector<Output> images = {
        {"tiles.tga", blockTexture(tiles), 24},       {"tiles-nm.tga", blockNormalMap(tiles, 0.45), 24},
        {"bricks.tga", blockTexture(bricks), 32},     {"bricks-nm.tga", blockNormalMap(bricks, 0.9), 32},
        {"dimples-nm.tga", dimpleNormalMap(), 24},
    };
    // The first file that cannot be written ends the run, named with the system's reason.
    auto cannotWrite = [](const std::filesystem::path& path) {
        std::cerr << "quelmar-make-demo: cannot write '" << path.string() << "': "
                  << std::strerror(errno != 0 ? errno : EIO) << "\n";
        return 1;
    };
    for (const Output& image : images) {
        errno = 0;
        if (!writeTga(folder / image.name, image.picture, image.bits)) return cannotWrite(folder / image.name);
    }
    errno = 0;
    std::ofstream scene(folder / "scene.txt", std::ios::binary);
    scene << sceneText(meshes);
    scene.flush();
    if (!scene) return cannotWrite(folder / "scene.txt");
    std::cout << "Wrote " << (folder / "scene.txt").string() << " and " << images.size() << " TGA images\n";
    return 0;
}
