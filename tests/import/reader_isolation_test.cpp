// The model reader in its child process: the reply's binary form, the checks made on what
// comes back, and what the command says when the reader crashes, hangs, spins, runs out of
// memory or answers nonsense (provoked through the reader's test switch).
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "import/model_wire.h"
#include "import/reader_process.h"
#include "support/files.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

// Every field of every record set to a value that is not its default.
ReaderReply everyFieldSet() {
    ReaderReply reply;
    reply.read = true;
    reply.outOfMemory = true;
    reply.why = "why";
    reply.warnings = {"first", "", "third"};
    ImportedModel& m = reply.model;
    ImportedMesh mesh;
    mesh.name = "mesh";
    mesh.vertices = {{{1, 2, 3}, {0, 1, 0}, {0.25f, 0.75f}}, {{4, 5, 6}, {1, 0, 0}, {-1, 2}}, {{7, 8, 9}, {0, 0, 1}, {3, 4}}};
    mesh.indices = {0, 1, 2};
    mesh.material = 1;
    mesh.fileNormals = false;
    mesh.colours = {{0.1f, 0.2f, 0.3f, 1}, {0.4f, 0.5f, 0.6f, 1}, {0.7f, 0.8f, 0.9f, 1}};
    m.meshes = {mesh, ImportedMesh{"second", {}, {}, 0, true, {}}};
    ImportedMaterial material;
    material.name = "material";
    material.ambient = {0.1f, 0.2f, 0.3f, 0.4f};
    material.hasAmbient = true;
    material.diffuse = {0.5f, 0.6f, 0.7f, 0.8f};
    material.specular = {0.9f, 1.0f, 1.1f, 1.2f};
    material.shininess = 42;
    material.diffuseMap = {"diffuse.png", -1};
    material.normalMap = {"*0", 0};
    material.bumpMap = {"bump.png", 1};
    material.twoSided = true;
    m.materials = {ImportedMaterial{}, material};
    m.embeddedImages = {EmbeddedImage{"packed", {1, 2, 3}, 0, 0, {}}, EmbeddedImage{"raw", {}, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}}};
    m.folder = "folder";
    m.filesRead = {"/a/b.mtl", "/a/c.bin"};
    m.droppedTriangles = 5;
    m.turnedMeshes = 6;
    m.declaredUp = "+z";
    m.declaredUpSource = "the file's metadata";
    return reply;
}

// An empty vector's data may be null, which memcmp must not be given even for no bytes.
void expectSameBits(const void* a, const void* b, std::size_t size) {
    if (size > 0) {
        EXPECT_EQ(std::memcmp(a, b, size), 0);
    }
}

}  // namespace

TEST(ReaderReply, EveryFieldSurvivesTheRoundTrip) {
    ReaderReply sent = everyFieldSet();
    std::string why;
    std::optional<ReaderReply> got = decodeReply(encodeReply(sent), why);
    ASSERT_TRUE(got) << why;
    EXPECT_EQ(got->read, sent.read);
    EXPECT_EQ(got->outOfMemory, sent.outOfMemory);
    EXPECT_EQ(got->why, sent.why);
    EXPECT_EQ(got->warnings, sent.warnings);
    const ImportedModel &a = got->model, &b = sent.model;
    ASSERT_EQ(a.meshes.size(), b.meshes.size());
    for (std::size_t i = 0; i < a.meshes.size(); ++i) {
        EXPECT_EQ(a.meshes[i].name, b.meshes[i].name);
        ASSERT_EQ(a.meshes[i].vertices.size(), b.meshes[i].vertices.size());
        expectSameBits(a.meshes[i].vertices.data(), b.meshes[i].vertices.data(), a.meshes[i].vertices.size() * sizeof(ImportedVertex));
        EXPECT_EQ(a.meshes[i].indices, b.meshes[i].indices);
        EXPECT_EQ(a.meshes[i].material, b.meshes[i].material);
        EXPECT_EQ(a.meshes[i].fileNormals, b.meshes[i].fileNormals);
        ASSERT_EQ(a.meshes[i].colours.size(), b.meshes[i].colours.size());
        expectSameBits(a.meshes[i].colours.data(), b.meshes[i].colours.data(), a.meshes[i].colours.size() * sizeof(Colour));
    }
    ASSERT_EQ(a.materials.size(), b.materials.size());
    for (std::size_t i = 0; i < a.materials.size(); ++i) {
        const ImportedMaterial &x = a.materials[i], &y = b.materials[i];
        EXPECT_EQ(x.name, y.name);
        expectSameBits(&x.ambient, &y.ambient, sizeof(Colour));
        EXPECT_EQ(x.hasAmbient, y.hasAmbient);
        expectSameBits(&x.diffuse, &y.diffuse, sizeof(Colour));
        expectSameBits(&x.specular, &y.specular, sizeof(Colour));
        EXPECT_EQ(x.shininess, y.shininess);
        EXPECT_EQ(x.diffuseMap.name, y.diffuseMap.name);
        EXPECT_EQ(x.diffuseMap.embedded, y.diffuseMap.embedded);
        EXPECT_EQ(x.normalMap.name, y.normalMap.name);
        EXPECT_EQ(x.normalMap.embedded, y.normalMap.embedded);
        EXPECT_EQ(x.bumpMap.name, y.bumpMap.name);
        EXPECT_EQ(x.bumpMap.embedded, y.bumpMap.embedded);
        EXPECT_EQ(x.twoSided, y.twoSided);
    }
    ASSERT_EQ(a.embeddedImages.size(), b.embeddedImages.size());
    for (std::size_t i = 0; i < a.embeddedImages.size(); ++i) {
        EXPECT_EQ(a.embeddedImages[i].name, b.embeddedImages[i].name);
        EXPECT_EQ(a.embeddedImages[i].compressed, b.embeddedImages[i].compressed);
        EXPECT_EQ(a.embeddedImages[i].width, b.embeddedImages[i].width);
        EXPECT_EQ(a.embeddedImages[i].height, b.embeddedImages[i].height);
        EXPECT_EQ(a.embeddedImages[i].rgba, b.embeddedImages[i].rgba);
    }
    EXPECT_EQ(a.folder, b.folder);
    EXPECT_EQ(a.filesRead, b.filesRead);
    EXPECT_EQ(a.droppedTriangles, b.droppedTriangles);
    EXPECT_EQ(a.turnedMeshes, b.turnedMeshes);
    EXPECT_EQ(a.declaredUp, b.declaredUp);
    EXPECT_EQ(a.declaredUpSource, b.declaredUpSource);
}

TEST(ReaderReply, CutOrPaddedOrInflatedBytesAreRefusedWithoutAllocatingFromThem) {
    const std::string bytes = encodeReply(everyFieldSet());
    std::string why;
    for (std::size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(decodeReply(std::string_view(bytes).substr(0, size), why)) << "cut to " << size << " bytes";
    EXPECT_FALSE(decodeReply(bytes + '\0', why));
    // The first count (the length of `why`) made absurd: refused from the bytes left, not
    // attempted. The bool fields must be 0 or 1.
    std::string inflated = bytes;
    inflated[6] = inflated[7] = inflated[8] = inflated[13] = '\xff';
    EXPECT_FALSE(decodeReply(inflated, why));
    std::string badBool = bytes;
    badBool[4] = 2;
    EXPECT_FALSE(decodeReply(badBool, why));
}

TEST(ReaderReply, ModelsThatCannotBeUsedAreRefusedNamingThePart) {
    const ImportedModel good = everyFieldSet().model;
    std::string why;
    EXPECT_TRUE(checkModel(good, why)) << why;
    auto refused = [&](auto change, const std::string& expected) {
        ImportedModel model = good;
        change(model);
        std::string problem;
        EXPECT_FALSE(checkModel(model, problem)) << expected;
        EXPECT_EQ(problem, expected);
    };
    refused([](ImportedModel& m) { m.meshes[0].indices[1] = 3; }, "mesh 'mesh' has a corner index outside its vertices");
    refused([](ImportedModel& m) { m.meshes[0].indices[1] = -1; }, "mesh 'mesh' has a corner index outside its vertices");
    refused([](ImportedModel& m) { m.meshes[0].indices.push_back(0); }, "mesh 'mesh' has an incomplete triangle");
    refused([](ImportedModel& m) { m.meshes[1].material = 2; }, "mesh 'second' names a material that does not exist");
    refused([](ImportedModel& m) { m.meshes[0].vertices[2].position.y = NAN; },
            "mesh 'mesh' has coordinates that are not numbers");
    refused([](ImportedModel& m) { m.meshes[0].vertices[2].position.z = -3e38f; },
            "mesh 'mesh' has coordinates beyond 1e30, too large to draw; scale the model down");
    refused([](ImportedModel& m) { m.meshes[0].vertices[0].normal.x = INFINITY; },
            "mesh 'mesh' has normals or texture coordinates that are not numbers");
    refused([](ImportedModel& m) { m.meshes[0].colours.pop_back(); },
            "mesh 'mesh' has vertex colours for some vertices only");
    refused([](ImportedModel& m) { m.meshes[0].colours[1].b = NAN; }, "mesh 'mesh' has vertex colours that are not numbers");
    refused([](ImportedModel& m) { m.materials[1].specular.g = NAN; }, "material 'material' has colours that are not numbers");
    refused([](ImportedModel& m) { m.materials[1].normalMap.embedded = 2; },
            "material 'material' names an embedded image that does not exist");
    refused([](ImportedModel& m) { m.materials[1].bumpMap.embedded = 2; },
            "material 'material' names an embedded image that does not exist");
    refused([](ImportedModel& m) { m.embeddedImages[1].height = 3; },
            "embedded image 'raw' has a size that does not match its data");
    refused([](ImportedModel& m) { m.embeddedImages[1].width = -1; },
            "embedded image 'raw' has a size that does not match its data");
}

TEST(ReaderProcess, TheChildMayReadButNotWriteFilesNorOpenSockets) {
    if (!childIsFiltered()) GTEST_SKIP() << "built without libseccomp";
    TempFolder folder;
    writeTextFile(folder.file("there.txt"), "x");
    const std::string created = folder.file("created.txt"), there = folder.file("there.txt");
    ReaderSettings settings;
    settings.timeLimit = 10;
    ChildOutcome outcome = runInChild(
        [&] {
            std::string answer;
            for (const char* mode : {"r", "w", "a", "r+"}) {
                std::FILE* file = std::fopen((mode[0] == 'r' ? there : created).c_str(), mode);
                answer += file ? '+' : '-';
                if (file) std::fclose(file);
            }
            return answer + (socket(AF_INET, SOCK_STREAM, 0) >= 0 ? '+' : '-');
        },
        settings);
    ASSERT_EQ(outcome.end, ChildOutcome::End::replied);
    EXPECT_EQ(outcome.reply, "+----");  // read only
    EXPECT_FALSE(fs::exists(created));
    EXPECT_EQ(readTextFile(there), "x");
}

// ---- through the command ----

namespace {

struct FaultRun {
    int status = -1;
    std::string log;
    double seconds = 0;
};

FaultRun importWithFault(const char* fault, std::vector<std::string> arguments) {
    TempFolder folder;
    writeTextFile(folder.file("t.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    arguments.insert(arguments.begin(), QUELMAR_IMPORT_COMMAND);
    arguments.insert(arguments.end(), {"-o", folder.file("t.txt"), folder.file("t.obj")});
    setenv("QUELMAR_IMPORT_TEST_READER_FAULT", fault, 1);
    auto start = std::chrono::steady_clock::now();
    FaultRun run;
    run.status = runProgram(arguments, folder.file("log"));
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    unsetenv("QUELMAR_IMPORT_TEST_READER_FAULT");
    run.log = readTextFile(folder.file("log"));
    EXPECT_FALSE(fs::exists(folder.file("t.txt"))) << fault;
    return run;
}

}  // namespace

TEST(ReaderProcess, EveryWayTheReaderCanFailIsOneLineAndExitOne) {
    const std::string prefix = "quelmar-import: cannot read '";
    FaultRun crash = importWithFault("crash", {});
    EXPECT_EQ(crash.status, 1);
    EXPECT_NE(crash.log.find("': the reader crashed (signal 6); the file is damaged or uses a feature this reader "
                             "does not support\n"),
              std::string::npos)
        << crash.log;

    // Asleep: the wall clock ends it; busy: the CPU limit does. Either way within the limit.
    for (const char* fault : {"hang", "spin"}) {
        FaultRun stuck = importWithFault(fault, {"--time-limit", "1"});
        EXPECT_EQ(stuck.status, 1) << fault;
        EXPECT_NE(stuck.log.find("': gave up after 1 s; if the file is really that large, allow more with "
                                 "--time-limit\n"),
                  std::string::npos)
            << stuck.log;
        EXPECT_LT(stuck.seconds, 10) << fault;
    }

    // Sanitizer builds run the reader without a memory limit (see reader_process.cpp): there
    // the greedy reader would take the machine's memory.
#if !defined(__SANITIZE_ADDRESS__)
    FaultRun greedy = importWithFault("memory", {"--memory-limit", "300M"});
    EXPECT_EQ(greedy.status, 1);
    EXPECT_NE(greedy.log.find("': needs more than 300 MB of memory; allow more with --memory-limit\n"), std::string::npos)
        << greedy.log;
    EXPECT_EQ(greedy.log.rfind(prefix, 0), 0u) << greedy.log;
#endif

    FaultRun garbage = importWithFault("garbage", {});
    EXPECT_EQ(garbage.status, 1);
    EXPECT_NE(garbage.log.find("': the reader's reply is malformed ("), std::string::npos) << garbage.log;

    for (const FaultRun* run : {&crash, &garbage}) {
        EXPECT_EQ(run->log.rfind(prefix, 0), 0u) << run->log;
        EXPECT_EQ(std::count(run->log.begin(), run->log.end(), '\n'), 1) << run->log;
    }
}
