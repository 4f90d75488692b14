// Files a model refers to are read only inside its own folder tree or a tree allowed with
// --search, whatever the path: '..', backslashes, absolute names or glTF URIs.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "core/image_file.h"
#include "support/files.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

struct ImportRun {
    int status = -1;
    std::string log;
};

ImportRun importer(const TempFolder& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QUELMAR_IMPORT_COMMAND);
    ImportRun run;
    run.status = runProgram(arguments, folder.file("log"));
    run.log = readTextFile(folder.file("log"));
    return run;
}

// A model folder beside an "outside" folder holding a picture, a material library and a glTF
// buffer that the model's files name.
class Confinement : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder.path() / "model");
        fs::create_directories(folder.path() / "outside");
        fs::create_directories(folder.path() / "out");
        Image picture = imageCreate(2, 2);
        std::string why;
        ASSERT_TRUE(writePng(picture, folder.file("outside/private.png"), why)) << why;
        writeTextFile(folder.file("outside/private.mtl"), "newmtl Private\nKd 1 0 0\n");
        writeTextFile(folder.file("model/m.mtl"), "newmtl Own\nKd 1 1 1\nmap_Kd ..\\outside\\private.png\n");
        const char* triangle = "vt 0 0\nvt 1 0\nvt 0 1\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/1 2/2 3/3\n";
        writeTextFile(folder.file("model/m.obj"), std::string("mtllib m.mtl\nusemtl Own\n") + triangle);
        writeTextFile(folder.file("model/lib.obj"), std::string("mtllib ../outside/private.mtl\nusemtl Private\n") + triangle);

        std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        std::vector<std::uint8_t> buffer(corners.size() * sizeof(float));
        std::memcpy(buffer.data(), corners.data(), buffer.size());
        writeBinaryFile(folder.file("outside/tri.bin"), buffer);
        writeTextFile(folder.file("model/tri.gltf"), R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
  "nodes": [{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
  "buffers": [{"byteLength": 36, "uri": "../outside/tri.bin"}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]}]})");
    }
    std::string out(const std::string& name) const { return folder.file("out/" + name); }
    TempFolder folder;
};

}  // namespace

TEST_F(Confinement, ATextureOutsideIsNotReadUnlessItsTreeIsAllowed) {
    ImportRun refused = importer(folder, {"-o", out("m.txt"), folder.file("model/m.obj")});
    EXPECT_EQ(refused.status, 0) << refused.log;
    EXPECT_NE(refused.log.find("warning: texture '..\\outside\\private.png' lies outside the model's folder and was not "
                               "read (--search DIR allows reading from DIR); its materials are left without it\n"),
              std::string::npos)
        << refused.log;
    EXPECT_NE(refused.log.find("textures written: 0\n"), std::string::npos) << refused.log;
    // The same words whether the file is there or not.
    fs::remove(folder.file("outside/private.png"));
    ImportRun missing = importer(folder, {"-o", out("m.txt"), folder.file("model/m.obj")});
    EXPECT_EQ(missing.log, refused.log);

    Image picture = imageCreate(2, 2);
    std::string why;
    ASSERT_TRUE(writePng(picture, folder.file("outside/private.png"), why));
    ImportRun allowed = importer(folder, {"--search", folder.file("outside"), "-o", out("m.txt"), folder.file("model/m.obj")});
    EXPECT_EQ(allowed.status, 0) << allowed.log;
    EXPECT_NE(allowed.log.find("textures written: 1 (m-0.tga)\n"), std::string::npos) << allowed.log;
    EXPECT_EQ(allowed.log.find("warning"), std::string::npos) << allowed.log;
}

TEST_F(Confinement, AMaterialLibraryOutsideIsNotRead) {
    ImportRun refused = importer(folder, {"-o", out("lib.txt"), folder.file("model/lib.obj")});
    EXPECT_EQ(refused.status, 0) << refused.log;
    EXPECT_NE(refused.log.find("warning: file '" + folder.file("model/../outside/private.mtl") + "' lies outside"),
              std::string::npos)
        << refused.log;
    EXPECT_EQ(readTextFile(out("lib.txt")).find("DIFFUSE: 1 0 0 1"), std::string::npos);
    ImportRun allowed = importer(folder, {"--search", folder.file("outside"), "-o", out("lib.txt"), folder.file("model/lib.obj")});
    EXPECT_EQ(allowed.status, 0) << allowed.log;
    EXPECT_NE(readTextFile(out("lib.txt")).find("DIFFUSE: 1 0 0 1"), std::string::npos);
    EXPECT_EQ(allowed.log.find("warning"), std::string::npos) << allowed.log;
}

TEST_F(Confinement, AGltfBufferOutsideIsNotRead) {
    ImportRun refused = importer(folder, {"-o", out("tri.txt"), folder.file("model/tri.gltf")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.log.rfind("quelmar-import: cannot read '" + folder.file("model/tri.gltf") + "': ", 0), 0u)
        << refused.log;
    EXPECT_NE(refused.log.find("lies outside the model's folder and was not read (--search DIR allows reading from DIR)\n"),
              std::string::npos)
        << refused.log;
    EXPECT_FALSE(fs::exists(out("tri.txt")));
    ImportRun allowed = importer(folder, {"--search", folder.file("outside"), "-o", out("tri.txt"), folder.file("model/tri.gltf")});
    EXPECT_EQ(allowed.status, 0) << allowed.log;
    EXPECT_NE(allowed.log.find("triangles: 1\n"), std::string::npos) << allowed.log;
}
