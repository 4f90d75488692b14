// Small models written by the tests themselves, imported as a user would, then loaded by the
// scene loader and drawn by quelmar-render: the loader's exact console lines, what the loaded
// scene holds, reference pictures, and the command's exit statuses.
//
// After a deliberate change to what the importer writes, rewrite the pictures with
//     QUELMAR_UPDATE_REFERENCES=1 ctest -R ImportedPictures
// then look at every picture that changed before committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "core/image_file.h"
#include "import/import_options.h"
#include "import/importer.h"
#include "scene/parser.h"
#include "support/drawable_scene.h"
#include "support/files.h"
#include "support/image_compare.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

// ---- the models ----

Image cornerPicture() {
    // 4 x 4, row 0 lowest: the corners red (u, v = 0, 0), green (1, 0), blue (0, 1), yellow
    // (1, 1), so that a flip or a mirror shows; a light and dark checker between them.
    Image picture = imageCreate(4, 4);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            picture.pixels[column + row * 4] = (row + column) % 2 ? makeColour(0.9f, 0.9f, 0.9f, 1)
                                                                  : makeColour(0.25f, 0.25f, 0.35f, 1);
    picture.pixels[0] = makeColour(0.9f, 0.15f, 0.15f, 1);
    picture.pixels[3] = makeColour(0.15f, 0.8f, 0.15f, 1);
    picture.pixels[12] = makeColour(0.15f, 0.15f, 0.9f, 1);
    picture.pixels[15] = makeColour(0.9f, 0.8f, 0.15f, 1);
    return picture;
}

// A tangent-space normal map: the left half tilted 45 degrees towards +u, the right half flat.
Image tiltedNormalPicture() {
    Image picture = imageCreate(4, 4);
    for (int i = 0; i < 16; ++i)
        picture.pixels[i] = i % 4 < 2 ? makeColour(218 / 255.0f, 128 / 255.0f, 218 / 255.0f, 1)
                                      : makeColour(128 / 255.0f, 128 / 255.0f, 1, 1);
    return picture;
}

// A gentle tangent-space normal map (bluish, red and green round 0.5), and a grey height map.
Image bumpPicture(bool normalMap) {
    Image picture = imageCreate(4, 4);
    for (int i = 0; i < 16; ++i) {
        float tilt = (i % 4 - 1.5f) * 0.1f;
        picture.pixels[i] = normalMap ? makeColour(0.5f + tilt, 0.5f - tilt, 0.95f, 1)
                                      : makeColour(0.3f + 0.1f * (i % 4), 0.3f + 0.1f * (i % 4), 0.3f + 0.1f * (i % 4), 1);
    }
    return picture;
}

void writePicture(const Image& picture, const std::string& path) {
    std::string why;
    ASSERT_TRUE(writePng(picture, path, why)) << why;
}

std::string base64(const std::string& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned chunk = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) chunk |= static_cast<unsigned char>(bytes[i + 2]);
        for (std::size_t k = 0; k < 4; ++k) text += i + k <= bytes.size() ? digits[(chunk >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

// A unit quad facing +z with a textured material; `texCoords` are the four corners' u v.
std::string quadObj(const std::string& material, const std::string& texCoords) {
    return "mtllib quad.mtl\n"
           "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n" + texCoords + "vn 0 0 1\n"
           "usemtl " + material + "\nf 1/1/1 2/2/1 3/3/1 4/4/1\n";
}

const char* kBumpyMtl = "newmtl Bumpy\nKd 0.5 0.5 0.5\nmap_bump ridges.png\n";
const char* kHillyMtl = "newmtl Hilly\nKd 0.5 0.5 0.5\nbump hills.png\n";

// A texture named without its extension, and one in a format the decoder does not read.
const char* kNamesMtl = "newmtl Skin\nKd 1 1 1\nmap_Kd corners\nnewmtl Photo\nKd 1 1 1\nmap_Kd photo.rgb\n";

const char* kQuadMtl =
    "newmtl Checker\nKa 0 0 0\nKd 1 1 1\nKs 0.5 0.5 0.5\nNs 30\nmap_Kd corners.png\n"
    "newmtl Lost\nKd 0.6 0.3 0.2\nmap_Kd missing.png\n";

const char* kPositiveTexCoords = "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n";
const char* kNegativeTexCoords = "vt -2 -1\nvt -1 -1\nvt -1 0\nvt -2 0\n";

// An L-shaped face, 2 x 2 units with the upper right square cut away: concave at (1, 1). It
// starts at (2, 1), from where a fan would cover the notch.
const char* kConcaveObj =
    "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 1 1 0\nv 1 2 0\nv 0 2 0\nf 3 4 5 6 1 2\n";

// An octahedron without normals: smooth ones must be made, along the corners' directions.
// An octahedron without normals whose faces have corners of their own, every zero of every
// other face written as -0: the corners at one place meet all the same, so their normals are
// smooth (and the importer joins them into six).
std::string octahedronPly() {
    const char* const corners[6] = {"1 0 0", "-1 0 0", "0 1 0", "0 -1 0", "0 0 1", "0 0 -1"};
    const char* const negativeZeros[6] = {"1 -0 -0", "-1 -0 -0", "-0 1 -0", "-0 -1 -0", "-0 -0 1", "-0 -0 -1"};
    const int faces[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4}, {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    std::string ply = "ply\nformat ascii 1.0\nelement vertex 24\nproperty float x\nproperty float y\n"
                      "property float z\nelement face 8\nproperty list uchar int vertex_indices\nend_header\n";
    for (int f = 0; f < 8; ++f)
        for (int corner : faces[f]) ply += std::string(f % 2 ? negativeZeros[corner] : corners[corner]) + "\n";
    for (int f = 0; f < 8; ++f)
        ply += "3 " + std::to_string(3 * f) + " " + std::to_string(3 * f + 1) + " " + std::to_string(3 * f + 2) + "\n";
    return ply;
}

// One good triangle facing +y, one with a corner beyond the float range, one without area.
const char* kUnusableObj =
    "v 0 0 0\nv 1 0 0\nv 0 0 -1\nv 1e39 0 0\nv 2 0 -2\nv 3 0 -3\nf 1 2 3\nf 2 4 3\nf 1 5 6\n";

// One quad mesh used by two nodes, the second mirrored in x; a normal map in a data URI and
// the geometry in a base64 buffer.
std::string tilesGltf(const std::string& normalPng) {
    std::string buffer;
    auto put = [&buffer](const std::vector<float>& values) {
        buffer.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
    };
    put({-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0});  // positions
    put({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});      // normals
    put({0, 1, 1, 1, 1, 0, 0, 0});                   // texture coordinates, v down as glTF has them
    const std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    buffer.append(reinterpret_cast<const char*>(indices), sizeof indices);
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0, 1]}],
  "nodes": [{"mesh": 0, "name": "Left tile", "translation": [-1.2, 0, 0]},
            {"mesh": 0, "name": "Right tile", "translation": [1.2, 0, 0], "scale": [-1, 1, 1]}],
  "meshes": [{"name": "Tile", "primitives": [{"attributes": {"POSITION": 0, "NORMAL": 1, "TEXCOORD_0": 2},
                                               "indices": 3, "material": 0}]}],
  "materials": [{"name": "Bumpy \"tile\"", "normalTexture": {"index": 0},
                 "pbrMetallicRoughness": {"baseColorFactor": [0.2, 0.5, 0.9, 1], "metallicFactor": 0,
                                          "roughnessFactor": 0.5}}],
  "textures": [{"source": 0}],
  "images": [{"uri": "data:image/png;base64,)" + base64(normalPng) + R"("}],
  "buffers": [{"byteLength": 140, "uri": "data:application/octet-stream;base64,)" + base64(buffer) + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 128}, {"buffer": 0, "byteOffset": 128, "byteLength": 12}],
  "accessors": [
    {"bufferView": 0, "byteOffset": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [-1, -1, 0], "max": [1, 1, 0]},
    {"bufferView": 0, "byteOffset": 48, "componentType": 5126, "count": 4, "type": "VEC3"},
    {"bufferView": 0, "byteOffset": 96, "componentType": 5126, "count": 4, "type": "VEC2"},
    {"bufferView": 1, "byteOffset": 0, "componentType": 5123, "count": 6, "type": "SCALAR"}]}
)";
}

// A box 1 wide, 2 deep and 4 tall in z, as a z-up file has a standing tower: ASCII STL.
std::string towerStl() {
    const float x[2] = {0, 1}, y[2] = {0, 2}, z[2] = {0, 4};
    auto corner = [&](int i) {
        return std::to_string(x[i & 1]) + " " + std::to_string(y[(i >> 1) & 1]) + " " + std::to_string(z[(i >> 2) & 1]);
    };
    // The six faces as corner numbers (bit 0 x, bit 1 y, bit 2 z), counter-clockwise from outside.
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    std::string text = "solid tower\n";
    for (const auto& q : quads) {
        const int triangles[2][3] = {{q[0], q[1], q[2]}, {q[0], q[2], q[3]}};
        for (const auto& t : triangles)
            text += "facet normal 0 0 0\nouter loop\nvertex " + corner(t[0]) + "\nvertex " + corner(t[1]) + "\nvertex " +
                    corner(t[2]) + "\nendloop\nendfacet\n";
    }
    return text + "endsolid tower\n";
}

// The same kind of tower as COLLADA declaring Z_UP: one triangle 1 wide and 4 tall in z.
const char* kTowerDae = R"(<?xml version="1.0" encoding="utf-8"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
  <asset><unit name="meter" meter="1"/><up_axis>Z_UP</up_axis></asset>
  <library_geometries><geometry id="tower" name="tower"><mesh>
    <source id="p"><float_array id="pa" count="9">0 0 0 1 0 0 0.5 0 4</float_array>
      <technique_common><accessor source="#pa" count="3" stride="3">
        <param name="X" type="float"/><param name="Y" type="float"/><param name="Z" type="float"/>
      </accessor></technique_common></source>
    <vertices id="v"><input semantic="POSITION" source="#p"/></vertices>
    <triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>
  </mesh></geometry></library_geometries>
  <library_visual_scenes><visual_scene id="s"><node id="n" name="tower">
    <instance_geometry url="#tower"/></node></visual_scene></library_visual_scenes>
  <scene><instance_visual_scene url="#s"/></scene>
</COLLADA>
)";

// A plate 4 by 3 in x and y, 0.2 thick in z, with a bump in its middle: a flat model from a
// format that declares no up axis.
const char* kPlateObj =
    "v -2 -1.5 0\nv 2 -1.5 0\nv 2 1.5 0\nv -2 1.5 0\nv 0 0 0.2\n"
    "f 1 2 5\nf 2 3 5\nf 3 4 5\nf 4 1 5\n";

// A binary B3D file: one red triangle whose node animation has a key at frame 5 of an
// animation 1 frame long, which Assimp's structure check refuses.
std::string brokenAnimationB3d() {
    auto ints = [](std::initializer_list<std::int32_t> values) {
        return std::string(reinterpret_cast<const char*>(std::data(values)), values.size() * 4);
    };
    auto floats = [](std::initializer_list<float> values) {
        return std::string(reinterpret_cast<const char*>(std::data(values)), values.size() * 4);
    };
    auto chunk = [&ints](const char* tag, const std::string& body) {
        return std::string(tag, 4) + ints({static_cast<std::int32_t>(body.size())}) + body;
    };
    std::string brush = chunk("BRUS", ints({0}) + std::string("Red", 4) + floats({0.8f, 0.2f, 0.2f, 1, 0}) + ints({1, 0}));
    std::string vertices = chunk("VRTS", ints({0, 0, 0}) + floats({0, 0, 0, 1, 0, 0, 0, 1, 0}));
    std::string mesh = chunk("MESH", ints({0}) + vertices + chunk("TRIS", ints({0, 0, 1, 2})));
    std::string keys = chunk("KEYS", ints({1, 5}) + floats({0, 0, 0}));
    std::string animation = chunk("ANIM", ints({0, 1}) + floats({25}));
    std::string node = chunk("NODE", std::string("cart", 5) + floats({0, 0, 0, 1, 1, 1, 1, 0, 0, 0}) + mesh + keys + animation);
    return chunk("BB3D", ints({1}) + brush + node);
}

// A cube without normals (a hard edge all round each face), and the same cube whose file
// normals point into the cube on two of its six faces.
const char* kCubeCorners = "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\n";
const char* kCubeObj = "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";
const char* kInvertedCubeObj =
    "o Statue\nvn 0 0 -1\nvn 0 0 1\nvn 0 -1 0\nvn 0 1 0\nvn -1 0 0\nvn 1 0 0\n"
    "f 1//2 4//2 3//2 2//2\nf 5//2 6//2 7//2 8//2\nf 1//3 2//3 6//3 5//3\nf 4//3 8//3 7//3 3//3\n"
    "f 1//5 5//5 8//5 4//5\nf 2//6 3//6 7//6 6//6\n";

// A double-sided glTF quad whose front faces away from the scene's front (-z): the front
// cameras see only its back.
std::string sheetGltf() {
    std::string buffer;
    const float positions[12] = {-1, -1, 0, -1, 1, 0, 1, 1, 0, 1, -1, 0};  // clockwise seen from +z
    const std::uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    buffer.append(reinterpret_cast<const char*>(positions), sizeof positions);
    buffer.append(reinterpret_cast<const char*>(indices), sizeof indices);
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0, "name": "Sheet"}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1, "material": 0}]}],
  "materials": [{"name": "Paper", "doubleSided": true, "pbrMetallicRoughness": {"baseColorFactor": [0.9, 0.6, 0.2, 1]}}],
  "buffers": [{"byteLength": 60, "uri": "data:application/octet-stream;base64,)" + base64(buffer) + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48}, {"buffer": 0, "byteOffset": 48, "byteLength": 12}],
  "accessors": [
    {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [-1, -1, 0], "max": [1, 1, 0]},
    {"bufferView": 1, "componentType": 5123, "count": 6, "type": "SCALAR"}]}
)";
}

// Two triangles side by side with coloured vertices: one red, one blue with a slightly
// different blue at one corner (the same colour once quantised).
const char* kColouredPly =
    "ply\nformat ascii 1.0\nelement vertex 6\nproperty float x\nproperty float y\nproperty float z\n"
    "property uchar red\nproperty uchar green\nproperty uchar blue\n"
    "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
    "0 0 0 255 0 0\n1 0 0 255 0 0\n0 1 0 255 0 0\n2 0 0 0 0 255\n3 0 0 0 0 255\n2 1 0 0 4 250\n"
    "3 0 1 2\n3 3 4 5\n";

// Every model of these tests, in one folder, with the pictures they name.
class Models {
public:
    Models() {
        writePicture(cornerPicture(), folder.file("corners.png"));
        writePicture(tiltedNormalPicture(), folder.file("tilted.png"));
        writeTextFile(folder.file("quad.mtl"), kQuadMtl);
        writeTextFile(folder.file("quad.obj"), quadObj("Checker", kPositiveTexCoords));
        writePicture(bumpPicture(true), folder.file("ridges.png"));
        writePicture(bumpPicture(false), folder.file("hills.png"));
        for (const char* name : {"bumpy", "hilly"}) {
            writeTextFile(folder.file(std::string(name) + ".mtl"), name == std::string("bumpy") ? kBumpyMtl : kHillyMtl);
            std::string obj = quadObj(name == std::string("bumpy") ? "Bumpy" : "Hilly", kPositiveTexCoords);
            obj.replace(0, std::string("mtllib quad.mtl").size(), "mtllib " + std::string(name) + ".mtl");
            writeTextFile(folder.file(std::string(name) + ".obj"), obj);
        }
        writeTextFile(folder.file("shifted.obj"), quadObj("Checker", kNegativeTexCoords));
        writeTextFile(folder.file("lost.obj"), quadObj("Lost", kPositiveTexCoords));
        writeTextFile(folder.file("concave.obj"), kConcaveObj);
        writeTextFile(folder.file("octahedron.ply"), octahedronPly());
        writeTextFile(folder.file("unusable.obj"), kUnusableObj);
        writeTextFile(folder.file("tiles.gltf"), tilesGltf(readTextFile(folder.file("tilted.png"))));
        writeTextFile(folder.file("names.mtl"), kNamesMtl);
        std::string names = quadObj("Skin", kPositiveTexCoords);
        writeTextFile(folder.file("names.obj"), names.replace(0, std::string("mtllib quad.mtl").size(), "mtllib names.mtl"));
        writeTextFile(folder.file("photo.rgb"), std::string("\x01\xda\x00\x01\x00\x03\x00\x04\x00\x04\x00\x03", 12) +
                                                    std::string(500, '\0'));
        writeTextFile(folder.file("coloured.ply"), kColouredPly);
        writeTextFile(folder.file("tower.stl"), towerStl());
        writeTextFile(folder.file("tower.dae"), kTowerDae);
        writeTextFile(folder.file("plate.obj"), kPlateObj);
        writeTextFile(folder.file("cube.obj"), std::string(kCubeCorners) + kCubeObj);
        writeTextFile(folder.file("inverted.obj"), std::string(kCubeCorners) + kInvertedCubeObj);
        writeTextFile(folder.file("sheet.gltf"), sheetGltf());
        writeTextFile(folder.file("cart.b3d"), brokenAnimationB3d());
        writeTextFile(folder.file("broken.glb"), "glTF but not really a binary glTF file at all");
        fs::create_directories(folder.path() / "out");
    }
    std::string model(const std::string& name) const { return folder.file(name); }
    std::string output(const std::string& name) const { return folder.file("out/" + name); }

    TempFolder folder;
};

struct ImportRun {
    int status = -1;
    std::string out, err;
};

ImportRun importModel(const Models& models, const std::string& model, std::vector<std::string> extra = {}) {
    std::string scene = fs::path(model).stem().string() + ".txt";
    std::vector<std::string> arguments = {"-o", models.output(scene), "--size", "160x120"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.push_back(models.model(model));
    std::string why;
    std::optional<ImportOptions> options = parseImportOptions(arguments, why);
    EXPECT_TRUE(options) << why;
    std::ostringstream out, err;
    ImportRun run;
    run.status = runImport(*options, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

struct LoadedScene {
    Scene scene = sceneCreate();
    RenderContext context;
    std::string out, err;
};

std::unique_ptr<LoadedScene> loadScene(const std::string& path) {
    auto loaded = std::make_unique<LoadedScene>();
    std::ostringstream out, err;
    EXPECT_TRUE(sceneLoad(loaded->scene, path, loaded->context, LoadLog{out, err}));
    loaded->out = out.str();
    loaded->err = err.str();
    expectDrawable(loaded->scene);
    return loaded;
}

Vec3 faceNormal(const MeshGeometry& mesh, std::size_t triangle) {
    const std::vector<int>& i = mesh.surfaces[0].indices;
    Vec4 a = mesh.vertices[i[triangle * 3]].position, b = mesh.vertices[i[triangle * 3 + 1]].position,
         c = mesh.vertices[i[triangle * 3 + 2]].position;
    return vec3Cross(xyz(vec4Sub(b, a)), xyz(vec4Sub(c, a)));
}

const Material& materialOf(const LoadedScene& loaded, const MeshGeometry& mesh) {
    return loaded.scene.materials.items[mesh.surfaces[0].materialIndex];
}

class ModelImport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { models = new Models; }
    static void TearDownTestSuite() {
        delete models;
        models = nullptr;
    }
    static Models* models;
};
Models* ModelImport::models = nullptr;

}  // namespace

TEST_F(ModelImport, ObjWithPngTextureLoadsCleanlyTheRightWayUp) {
    ImportRun run = importModel(*models, "quad.obj", {"--up", "y"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Imported '" + models->model("quad.obj") + "' into '" + models->output("quad.txt") +
                           "'\n  meshes: 1\n  vertices: 4\n  triangles: 2\n  materials: 3\n"
                           "  textures written: 1 (quad-0.tga)\n  up axis: +y (as asked (--up))\nwarning: texture "
                           "'missing.png' is missing or not a readable file; its materials are left without it\n");
    EXPECT_EQ(run.err, "");

    auto loaded = loadScene(models->output("quad.txt"));
    EXPECT_EQ(loaded->out, "'quad-0.tga' (3 byte) image file closed and read.\n"
                           "Surface: 0, Indices: 6\nNum surfaces: 1, Num Vertices: 4\n");
    EXPECT_EQ(loaded->err, "");
    ASSERT_EQ(loaded->scene.meshes.geometry.size(), 1u);
    const MeshGeometry& quad = loaded->scene.meshes.geometry[0];
    const Material& checker = materialOf(*loaded, quad);
    EXPECT_EQ(checker.name, "Checker\"");
    EXPECT_EQ(checker.specular.r, 0.5f);
    EXPECT_EQ(checker.shininess, 30.0f);
    EXPECT_GT(checker.ambient.r, 0.0f);  // black in the file: the texture's average instead

    // The texture's row 0 is the picture's bottom row (red at u, v = 0, 0), and the vertex
    // with u, v = 0, 0 is the quad's lower-left corner.
    const Image* texture = imageAt(loaded->scene.materials.images, checker.textureMap);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->width, 4);
    EXPECT_GT(texture->pixels[0].r, 0.8f);
    EXPECT_LT(texture->pixels[0].g, 0.2f);
    EXPECT_GT(texture->pixels[12].b, 0.8f);
    for (const Vertex& v : quad.vertices) {
        EXPECT_EQ(v.texCoord.x, v.position.x > 0 ? 1.0f : 0.0f);
        EXPECT_EQ(v.texCoord.y, v.position.y > 0 ? 1.0f : 0.0f);
    }
    // Fitted into the sphere of radius 1 about the origin: the corners lie on it.
    for (const Vertex& v : quad.vertices) EXPECT_NEAR(vec3Length(xyz(v.position)), 1.0f, 1e-6f);
    ASSERT_EQ(loaded->scene.cameras.items.size(), 4u);
    EXPECT_EQ(loaded->scene.lighting.lights.size(), 2u);
    EXPECT_EQ(loaded->context.viewportMaxX, 160.0f);
    EXPECT_EQ(loaded->context.viewportMaxY, 120.0f);
}

TEST_F(ModelImport, MissingTextureLeavesTheMaterialPlainWithOneWarning) {
    ImportRun run = importModel(*models, "lost.obj");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("warning: texture 'missing.png' is missing or not a readable file"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("warning:"), run.out.rfind("warning:")) << run.out;  // once, though two uses
    auto loaded = loadScene(models->output("lost.txt"));
    EXPECT_EQ(loaded->out, "'lost-0.tga' (3 byte) image file closed and read.\n"
                           "Surface: 0, Indices: 6\nNum surfaces: 1, Num Vertices: 4\n");
    EXPECT_EQ(loaded->err, "");
    const Material& lost = materialOf(*loaded, loaded->scene.meshes.geometry[0]);
    EXPECT_EQ(lost.name, "Lost\"");
    EXPECT_EQ(lost.textureMapName, "None");
    EXPECT_EQ(lost.diffuse.r, 0.6f);
}

TEST_F(ModelImport, ConcavePolygonIsCutIntoTrianglesInsideIt) {
    ImportRun run = importModel(*models, "concave.obj", {"--keep-units", "--up", "y"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto loaded = loadScene(models->output("concave.txt"));
    EXPECT_EQ(loaded->out, "Surface: 0, Indices: 12\nNum surfaces: 1, Num Vertices: 6\n");
    const MeshGeometry& shape = loaded->scene.meshes.geometry[0];
    float area = 0;
    for (std::size_t t = 0; t < 4; ++t) {
        Vec3 n = faceNormal(shape, t);
        EXPECT_GT(n.z, 0.0f) << "triangle " << t << " is wound the wrong way or has no area";
        area += n.z / 2;
        // A naive fan from the first corner would cover the cut-away square.
        const std::vector<int>& i = shape.surfaces[0].indices;
        Vec4 sum{0, 0, 0, 0};
        for (int k = 0; k < 3; ++k) sum = vec4Add(sum, shape.vertices[i[t * 3 + k]].position);
        EXPECT_FALSE(sum.x / 3 > 1.0f && sum.y / 3 > 1.0f) << "triangle " << t << " lies in the notch";
    }
    EXPECT_FLOAT_EQ(area, 3.0f);
}

TEST_F(ModelImport, TrianglesThatCannotBeDrawnAreLeftOutWithTheirVertices) {
    ImportRun run = importModel(*models, "unusable.obj", {"--keep-units"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  vertices: 3\n  triangles: 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  triangles dropped (no area, or corners not finite): 2\n"), std::string::npos) << run.out;
    auto loaded = loadScene(models->output("unusable.txt"));
    EXPECT_EQ(loaded->out, "Surface: 0, Indices: 3\nNum surfaces: 1, Num Vertices: 3\n");
    for (const Vertex& v : loaded->scene.meshes.geometry[0].vertices) {
        EXPECT_LE(std::fabs(v.position.x), 1.0f);
        EXPECT_EQ(v.normal.y, 1.0f);  // from the good triangle alone
    }
}

TEST_F(ModelImport, PlyWithoutNormalsGetsSmoothOnesWithinTheCreaseAngle) {
    // Of the four faces at each corner of the octahedron, neighbours' normals are 70.5 degrees
    // apart and opposite ones 109.5: smooth all round with a crease angle above both.
    ImportRun run = importModel(*models, "octahedron.ply", {"--crease", "120"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto loaded = loadScene(models->output("octahedron.txt"));
    EXPECT_EQ(loaded->out, "Surface: 0, Indices: 24\nNum surfaces: 1, Num Vertices: 6\n");
    EXPECT_EQ(loaded->err, "");
    const MeshGeometry& shape = loaded->scene.meshes.geometry[0];
    for (const Vertex& v : shape.vertices) {
        Vec3 n = xyz(v.normal);
        EXPECT_NEAR(vec3Length(n), 1.0f, 1e-6f);
        EXPECT_GT(vec3Dot(n, xyz(v.position)), 0.999f);  // along the corner's own direction
        EXPECT_EQ(v.texCoord.x, 0.0f);                    // no texture coordinates: 0, 0
    }
    for (std::size_t t = 0; t < 8; ++t) {
        const Vertex& corner = shape.vertices[shape.surfaces[0].indices[t * 3]];
        EXPECT_GT(vec3Dot(faceNormal(shape, t), xyz(corner.position)), 0.0f);  // facing outwards
    }
}

TEST_F(ModelImport, GltfInstancesKeepTheirPlacesAndTheNormalMap) {
    ImportRun run = importModel(*models, "tiles.gltf");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  meshes: 2\n  vertices: 8\n  triangles: 4\n  materials: 2\n  textures written: 1 "
                           "(tiles-0.tga)\n"),
              std::string::npos)
        << run.out;
    auto loaded = loadScene(models->output("tiles.txt"));
    EXPECT_EQ(loaded->out, "'tiles-0.tga' (3 byte) image file closed and read.\n"
                           "Surface: 0, Indices: 6\nNum surfaces: 1, Num Vertices: 4\n"
                           "Surface: 0, Indices: 6\nNum surfaces: 1, Num Vertices: 4\n");
    const MeshGeometry& left = loaded->scene.meshes.geometry[0];
    const MeshGeometry& right = loaded->scene.meshes.geometry[1];
    EXPECT_EQ(left.name, "Left_tile\"");
    EXPECT_EQ(right.name, "Right_tile\"");
    for (const Vertex& v : left.vertices) EXPECT_LT(v.position.x, 0.0f);
    for (const Vertex& v : right.vertices) EXPECT_GT(v.position.x, 0.0f);
    // The mirrored use is turned back to face the front, lit from the front.
    for (const MeshGeometry* tile : {&left, &right})
        for (std::size_t t = 0; t < 2; ++t) {
            EXPECT_GT(faceNormal(*tile, t).z, 0.0f);
            EXPECT_GT(tile->vertices[0].normal.z, 0.99f);
        }

    const Material& material = materialOf(*loaded, left);
    EXPECT_EQ(material.name, "Bumpy__tile_\"");
    EXPECT_EQ(material.textureMapName, "None");
    EXPECT_EQ(material.normalMapName, "tiles-0.tga");
    EXPECT_EQ(material.diffuse.b, 0.9f);
    // Roughness 0.5: exponent 2 / 0.5^4 - 2 = 30, half-strength white highlight times 0.5.
    EXPECT_EQ(material.shininess, 30.0f);
    EXPECT_EQ(material.specular.r, 0.25f);
    // The glTF v runs downwards; here it grows upwards with the picture.
    for (const Vertex& v : left.vertices) EXPECT_EQ(v.texCoord.y, v.position.y > 0 ? 1.0f : 0.0f);
}

TEST_F(ModelImport, UnreadableModelsAndUnwritableOutputLeaveNothingBehind) {
    ImportRun broken = importModel(*models, "broken.glb");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out, "");
    EXPECT_EQ(broken.err.rfind("quelmar-import: cannot read '" + models->model("broken.glb") + "': ", 0), 0u)
        << broken.err;
    EXPECT_GT(broken.err.size(), ("quelmar-import: cannot read '" + models->model("broken.glb") + "': \n").size());
    EXPECT_FALSE(fs::exists(models->output("broken.txt")));

    // The scene's name is taken by a folder: refused before anything is written.
    TempFolder target;
    fs::create_directories(target.path() / "scene.txt");
    ImportOptions options;
    options.model = models->model("quad.obj");
    options.output = target.file("scene.txt");
    std::ostringstream out, err;
    EXPECT_EQ(runImport(options, out, err), 1);
    EXPECT_EQ(err.str(), "quelmar-import: cannot write '" + options.output + "': it is a folder, not a file; choose another name\n");
    std::vector<fs::path> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(target.path())) left.push_back(entry.path());
    EXPECT_EQ(left, std::vector<fs::path>{target.path() / "scene.txt"});
}

// The model's extents along x, y and z in the loaded scene.
Vec3 sceneExtents(const LoadedScene& loaded) {
    Vec3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    for (const MeshGeometry& mesh : loaded.scene.meshes.geometry)
        for (const Vertex& v : mesh.vertices) {
            low = {std::min(low.x, v.position.x), std::min(low.y, v.position.y), std::min(low.z, v.position.z)};
            high = {std::max(high.x, v.position.x), std::max(high.y, v.position.y), std::max(high.z, v.position.z)};
        }
    return vec3Sub(high, low);
}

TEST_F(ModelImport, ZUpFilesAndFlatModelsComeOutUpright) {
    struct Case {
        const char* model;
        std::vector<std::string> options;
        const char* summary;
        int tallest;  // 0, 1, 2: x, y, z; -1: the thinnest is y
    };
    for (const Case& c : {
             Case{"tower.stl", {}, "  up axis: +z (STL files are z-up)\n", 1},
             Case{"tower.dae", {}, "  up axis: +y (the file's up_axis is Z_UP, turned as it was read)\n", 1},
             Case{"plate.obj", {}, "  up axis: +z (the model is flat, thinnest along z)\n", -1},
             Case{"tower.stl", {"--up", "y"}, "  up axis: +y (as asked (--up))\n", 2},
             Case{"tower.stl", {"--up", "x"}, "  up axis: +x (as asked (--up))\n", 2},
         }) {
        SCOPED_TRACE(std::string(c.model) + " " + ::testing::PrintToString(c.options));
        ImportRun run = importModel(*models, c.model, c.options);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(c.summary), std::string::npos) << run.out;
        auto loaded = loadScene(models->output(fs::path(c.model).stem().string() + ".txt"));
        Vec3 size = sceneExtents(*loaded);
        if (c.tallest == 1) {
            EXPECT_GT(size.y, 1.9f * std::max(size.x, size.z));
        } else if (c.tallest == 2) {
            EXPECT_GT(size.z, 1.9f * std::max(size.x, size.y));
        } else {
            EXPECT_LT(size.y, 0.1f * std::min(size.x, size.z));
        }
    }
    // The bump of the flat plate points up after the turn, towards the cameras above it.
    ImportRun run = importModel(*models, "plate.obj");
    auto loaded = loadScene(models->output("plate.txt"));
    for (const Vertex& v : loaded->scene.meshes.geometry[0].vertices) EXPECT_GT(v.normal.y, 0.9f);
}

TEST_F(ModelImport, BrokenAnimationIsDroppedWithOneWarningAndTheModelKept) {
    ImportRun run = importModel(*models, "cart.b3d");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string warning = "warning: animations, skins and morph targets are left out: the scene holds one still pose\n";
    EXPECT_NE(run.out.find("  triangles: 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(warning), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("warning:"), run.out.rfind("warning:")) << run.out;
    auto loaded = loadScene(models->output("cart.txt"));
    EXPECT_EQ(materialOf(*loaded, loaded->scene.meshes.geometry[0]).diffuse.r, 0.8f);
}

// Every corner's normal is its own face's: the cube's faces stay flat.
void expectFlatFaces(const MeshGeometry& mesh) {
    for (std::size_t t = 0; t < mesh.surfaces[0].indices.size() / 3; ++t) {
        Vec3 face = faceNormal(mesh, t);
        vec3Normalize(face);
        for (int k = 0; k < 3; ++k) {
            Vec3 n = xyz(mesh.vertices[mesh.surfaces[0].indices[t * 3 + k]].normal);
            EXPECT_GT(vec3Dot(n, face), 0.9999f) << "triangle " << t;
        }
    }
}

TEST_F(ModelImport, CubeWithoutNormalsKeepsFlatFaces) {
    ImportRun run = importModel(*models, "cube.obj");
    ASSERT_EQ(run.status, 0) << run.err;
    auto loaded = loadScene(models->output("cube.txt"));
    EXPECT_EQ(loaded->out, "Surface: 0, Indices: 36\nNum surfaces: 1, Num Vertices: 24\n");
    expectFlatFaces(loaded->scene.meshes.geometry[0]);
}

TEST_F(ModelImport, NormalsPointingIntoTheModelOnAThirdOfItAreReplaced) {
    ImportRun run = importModel(*models, "inverted.obj");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("warning: mesh 'Statue': 33% of its normals point against their faces; made new ones\n"),
              std::string::npos)
        << run.out;
    auto loaded = loadScene(models->output("inverted.txt"));
    expectFlatFaces(loaded->scene.meshes.geometry[0]);
}

TEST_F(ModelImport, TwoSidedQuadIsWrittenBackToBackAndSeenFromBehind) {
    ImportRun run = importModel(*models, "sheet.gltf");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  two-sided meshes (faces written twice, back to back): 1\n"), std::string::npos) << run.out;
    auto loaded = loadScene(models->output("sheet.txt"));
    const MeshGeometry& sheet = loaded->scene.meshes.geometry[0];
    ASSERT_EQ(sheet.surfaces[0].indices.size(), 12u);
    EXPECT_EQ(sheet.vertices.size(), 8u);
    for (std::size_t t = 0; t < 4; ++t) {
        Vec3 face = faceNormal(sheet, t);
        EXPECT_GT(std::fabs(face.z), 0.0f);
        for (int k = 0; k < 3; ++k)  // each copy lit on the side it faces
            EXPECT_GT(vec3Dot(xyz(sheet.vertices[sheet.surfaces[0].indices[t * 3 + k]].normal), face), 0.0f);
    }

    // The front camera sees the quad's back: drawn now, where culling left only background.
    const std::string rendered = models->output("sheet.png");
    ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-q", "-k", ">", "-o", rendered, models->output("sheet.txt")},
                         models->output("sheet.log")),
              0);
    std::string why;
    std::optional<Image> picture = readPng(rendered, why);
    ASSERT_TRUE(picture) << why;
    Colour middle = picture->pixels[static_cast<std::size_t>(80 + 60 * picture->width)];
    EXPECT_GT(middle.r, middle.b) << "the orange quad, not the light-blue background";
}

TEST_F(ModelImport, BumpSlotsHoldingNormalMapsAreUsedAndHeightMapsLeftOut) {
    ImportRun bumpy = importModel(*models, "bumpy.obj");
    ASSERT_EQ(bumpy.status, 0) << bumpy.err;
    EXPECT_EQ(bumpy.out.find("height"), std::string::npos) << bumpy.out;
    auto loaded = loadScene(models->output("bumpy.txt"));
    const Material& ridged = materialOf(*loaded, loaded->scene.meshes.geometry[0]);
    EXPECT_EQ(ridged.normalMapName, "bumpy-0.tga");
    const Image* normalMap = imageAt(loaded->scene.materials.images, ridged.normalMap);
    ASSERT_TRUE(normalMap);
    EXPECT_GT(normalMap->pixels[0].b, 0.9f);

    ImportRun hilly = importModel(*models, "hilly.obj");
    ASSERT_EQ(hilly.status, 0) << hilly.err;
    EXPECT_NE(hilly.out.find("warning: material 'Hilly': 'hills.png' is a height (bump) map, not a normal map (not "
                             "mostly bluish with red and green about 0.5); left out\n"),
              std::string::npos)
        << hilly.out;
    auto flat = loadScene(models->output("hilly.txt"));
    EXPECT_EQ(materialOf(*flat, flat->scene.meshes.geometry[0]).normalMapName, "None");
}

TEST_F(ModelImport, TexturesNamedWithoutExtensionAreFoundAndUnreadableFormatsNamed) {
    ImportRun run = importModel(*models, "names.obj");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  textures written: 1 (names-0.tga)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("warning: texture 'photo.rgb' cannot be decoded (SGI image, a format the importer does "
                           "not read); its materials are left without it\n"),
              std::string::npos)
        << run.out;
    auto loaded = loadScene(models->output("names.txt"));
    EXPECT_EQ(materialOf(*loaded, loaded->scene.meshes.geometry[0]).textureMapName, "names-0.tga");
}

TEST_F(ModelImport, VertexColoursBecomeMaterials) {
    ImportRun run = importModel(*models, "coloured.ply");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  meshes: 2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  vertex colours kept as materials: 2 colours in 1 mesh\n"), std::string::npos) << run.out;
    auto loaded = loadScene(models->output("coloured.txt"));
    ASSERT_EQ(loaded->scene.meshes.geometry.size(), 2u);
    const Material& red = materialOf(*loaded, loaded->scene.meshes.geometry[0]);
    const Material& blue = materialOf(*loaded, loaded->scene.meshes.geometry[1]);
    EXPECT_EQ(red.diffuse.r, 1.0f);
    EXPECT_EQ(red.diffuse.b, 0.0f);
    EXPECT_EQ(blue.diffuse.r, 0.0f);
    EXPECT_NEAR(blue.diffuse.b, (255 + 255 + 250) / 3.0f / 255.0f, 1e-6f);  // the mean of its corners
    EXPECT_NE(red.name, blue.name);
    for (const Vertex& v : loaded->scene.meshes.geometry[1].vertices) EXPECT_GE(v.position.x, 0.0f);
}

// ---- the command itself ----

int runImporter(std::vector<std::string> arguments, const std::string& log) {
    arguments.insert(arguments.begin(), QUELMAR_IMPORT_COMMAND);
    return runProgram(arguments, log);
}

TEST_F(ModelImport, CommandExitStatuses) {
    const std::string log = models->output("command.log");
    EXPECT_EQ(runImporter({"--help"}, log), 0);
    EXPECT_EQ(readTextFile(log), kImportHelp);
    // The README quotes the help whole.
    const std::string readme = readTextFile((sourceFolder() / "README.md").string());
    EXPECT_NE(readme.find("```\n" + std::string(kImportHelp) + "```\n"), std::string::npos)
        << "README.md's help block differs from:\n" << kImportHelp;

    EXPECT_EQ(runImporter({"--size", "big", models->model("quad.obj")}, log), 2);
    EXPECT_EQ(readTextFile(log), "quelmar-import: bad size 'big' (expected WxH, e.g. 800x600)\n" +
                                     std::string(kImportUsage) + "\n");
    EXPECT_EQ(runImporter({}, log), 2);

    EXPECT_EQ(runImporter({"-o", models->output("cmd.txt"), models->model("broken.glb")}, log), 1);
    EXPECT_FALSE(fs::exists(models->output("cmd.txt")));
    EXPECT_EQ(runImporter({"-o", models->output("no/such/folder/cmd.txt"), models->model("quad.obj")}, log), 1);
    EXPECT_NE(readTextFile(log).find("No such file or directory"), std::string::npos);

    // Warnings still succeed, and the default scene name is the model's, in the working folder.
    fs::path previous = fs::current_path();
    fs::current_path(models->output(""));
    int status = runImporter({models->model("lost.obj")}, log);
    fs::current_path(previous);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(fs::exists(models->output("lost.txt")));
}

// ---- models opened directly ----

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// quelmar-render on the model itself draws, bit for bit, what it draws for the scene that
// quelmar-import writes, textures and normal maps included, and writes nothing beside the model.
TEST_F(ModelImport, ModelsOpenedDirectlyDrawWhatTheImportedSceneDraws) {
    const std::string log = models->output("direct.log");
    for (auto [model, keys] : {std::pair{"quad.obj", "s"}, {"tiles.gltf", ""}, {"octahedron.ply", ">"}}) {
        const std::string scene = models->output(std::string("direct-") + model + ".txt");
        ASSERT_EQ(runImporter({"-o", scene, models->model(model)}, log), 0) << readTextFile(log);
        const std::string viaScene = models->output("via-scene.pfm"), direct = models->output("direct.pfm");
        ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-k", keys, "-o", viaScene, scene}, log), 0) << readTextFile(log);
        const std::vector<fs::path> before = filesIn(models->folder.path());
        ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-k", keys, "-o", direct, models->model(model)}, log), 0)
            << readTextFile(log);
        EXPECT_EQ(readTextFile(log).find("ERROR"), std::string::npos) << readTextFile(log);
        EXPECT_EQ(filesIn(models->folder.path()), before) << model;
        EXPECT_TRUE(readTextFile(direct) == readTextFile(viaScene)) << model << " drawn directly differs";
    }
    // The missing texture's warning follows the load log.
    ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-o", models->output("lost.png"), models->model("lost.obj")}, log), 0);
    EXPECT_NE(readTextFile(log).find("warning: texture 'missing.png' is missing or not a readable file"), std::string::npos) << readTextFile(log);

    EXPECT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-o", models->output("broken.png"), models->model("broken.glb")}, log), 1);
    EXPECT_EQ(readTextFile(log).rfind("quelmar-render: cannot read '" + models->model("broken.glb") + "': ", 0), 0u)
        << readTextFile(log);
    EXPECT_FALSE(fs::exists(models->output("broken.png")));
}

// ---- pictures ----

struct PictureCase {
    const char* name;   // the reference picture's file name unless `reference` names another
    const char* scene;  // written by the import tests above
    const char* keys = "";
    const char* reference = "";
};

void PrintTo(const PictureCase& c, std::ostream* out) { *out << c.name; }

const PictureCase kPictures[] = {
    // The texture's orientation shows best straight on: from the second camera, the front.
    {.name = "import_obj_textured", .scene = "quad.txt", .keys = ">"},
    // Shifting texture coordinates by whole numbers must not change the picture at all.
    {.name = "import_obj_negative_texcoords", .scene = "shifted.txt", .keys = ">", .reference = "import_obj_textured"},
    {.name = "import_gltf_normal_map", .scene = "tiles.txt", .keys = ">"},
    {.name = "import_ply_three_quarter", .scene = "octahedron.txt"},
    {.name = "import_ply_front", .scene = "octahedron.txt", .keys = ">"},
    {.name = "import_ply_side", .scene = "octahedron.txt", .keys = ">>"},
    {.name = "import_ply_top", .scene = "octahedron.txt", .keys = ">>>"},
    {.name = "import_concave", .scene = "concave.txt", .keys = ">"},
};

class ImportedPictures : public ::testing::TestWithParam<PictureCase> {
protected:
    static void SetUpTestSuite() {
        models = new Models;
        // The flat ones stand upright, facing the front camera, as they did in the file.
        for (const char* model : {"quad.obj", "shifted.obj", "concave.obj"})
            ASSERT_EQ(importModel(*models, model, {"--up", "y"}).status, 0) << model;
        ASSERT_EQ(importModel(*models, "tiles.gltf").status, 0);
        ASSERT_EQ(importModel(*models, "octahedron.ply", {"--crease", "120"}).status, 0);
    }
    static void TearDownTestSuite() {
        delete models;
        models = nullptr;
    }
    static Models* models;
};
Models* ImportedPictures::models = nullptr;

Image readPicture(const fs::path& path) {
    std::string why;
    std::optional<Image> picture = readPng(path.string(), why);
    if (!picture) ADD_FAILURE() << why;
    return picture ? std::move(*picture) : Image{};
}

TEST_P(ImportedPictures, MatchStoredPicture) {
    const PictureCase& c = GetParam();
    const fs::path reference =
        sourceFolder() / "tests" / "images" / (std::string(*c.reference ? c.reference : c.name) + ".png");
    const std::string rendered = models->output(std::string(c.name) + ".png");
    const std::string log = models->output(std::string(c.name) + ".log");
    std::vector<std::string> arguments = {QUELMAR_RENDER_COMMAND, "-o", rendered};
    if (*c.keys) arguments.insert(arguments.end(), {"-k", c.keys});
    arguments.push_back(models->output(c.scene));
    ASSERT_EQ(runProgram(arguments, log), 0) << readTextFile(log);
    EXPECT_EQ(readTextFile(log).find("ERROR"), std::string::npos) << readTextFile(log);

    const char* update = std::getenv("QUELMAR_UPDATE_REFERENCES");
    if (update && std::string(update) == "1" && !*c.reference) {
        fs::copy_file(rendered, reference, fs::copy_options::overwrite_existing);
        GTEST_SKIP() << "reference rewritten: " << reference;
    }
    ASSERT_TRUE(fs::exists(reference)) << "no reference picture " << reference;
    Image actual = readPicture(rendered);
    Image expected = readPicture(reference);
    ImageComparison comparison = compareImages(actual, expected);
    EXPECT_TRUE(imagesMatch(comparison)) << c.name << ": " << describeComparison(comparison, actual, expected);
}

// The box of the viewport's pixels that are neither the light-blue background nor its border.
PixelBox modelPixels(const Image& picture, int viewportWidth, int viewportHeight) {
    PixelBox box;
    for (int y = 1; y < viewportHeight; ++y)
        for (int x = 1; x < viewportWidth; ++x) {
            Colour c = picture.pixels[static_cast<std::size_t>(x + y * picture.width)];
            bool background = std::fabs(c.r - 0.7f) < 0.01f && std::fabs(c.g - 0.7f) < 0.01f && c.b > 0.99f;
            if (background) continue;
            boxAddSpan(box, y, x, x + 1);
        }
    return box;
}

TEST_F(ImportedPictures, FirstCameraFillsTheFrameWithoutCuttingTheModel) {
    const std::string rendered = models->output("fill.png");
    ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "-q", "-o", rendered, models->output("octahedron.txt")},
                         models->output("fill.log")),
              0);
    PixelBox box = modelPixels(readPicture(rendered), 160, 120);
    // 87.5% of the narrower side (120 pixels) is 105: a margin of 7.5 pixels on each side, so
    // at most 145 x 105 pixels, reached in one direction; nothing touches the border.
    int width = box.maxX - box.minX + 1, height = box.maxY - box.minY + 1;
    EXPECT_NEAR(std::max(width / 145.0, height / 105.0), 1.0, 0.03) << width << " x " << height;
    EXPECT_GE(box.minX, 5);
    EXPECT_GE(box.minY, 5);
    EXPECT_LE(box.maxX, 155);
    EXPECT_LE(box.maxY, 115);
}

INSTANTIATE_TEST_SUITE_P(Models, ImportedPictures, ::testing::ValuesIn(kPictures),
                         [](const ::testing::TestParamInfo<PictureCase>& info) { return info.param.name; });
