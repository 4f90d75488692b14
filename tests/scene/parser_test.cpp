#include "scene/parser.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <memory>
#include <sstream>

#include "scene/tga.h"
#include "support/drawable_scene.h"
#include "support/files.h"
#include "support/tga_files.h"

namespace {

const std::string kHead =
    "VIEWPORT\n"
    "MIN: 0 0\n"
    "MAX: 400 300\n"
    "MATERIAL \"Red\"\n"
    "\tAMBIENT: 0.2 0 0 1\n"
    "\tDIFFUSE: 0.8 0 0 1\n"
    "\tSPECULAR: 1 1 1 1\n"
    "\tSHININESS: 20\n"
    "\tTEXTUREMAP: None\n"
    "\tNORMALMAP: None\n"
    "CAMERA \"Main\"\n"
    "\tPOSITION: 0 0 5\n"
    "\tROTATION: 0 0 0\n"
    "\tFIELDOFVIEW: 60\n"
    "\tNEARPLANE: 1\n"
    "\tFARPLANE: 100\n"
    "LIGHT \"Lamp\"\n"
    "\tPOSITION: 0 10 10\n"
    "\tCOLOUR: 1 1 1 1\n"
    "SCENEAMBIENCE: 0.1 0.1 0.1 1\n"
    "SCENEATTENUATION: 1 0 0\n";

const std::string kVertexLines =
    "\t\tPOSITION: -1 -1 0 NORMAL: 0 0 1 TEXCOORD: 0 0\n"
    "\t\tPOSITION: 1 -1 0 NORMAL: 0 0 1 TEXCOORD: 1 0\n"
    "\t\tPOSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0.5 1\n";

// The triangle mesh of the example scene, with its vertex count and index lines replaceable.
std::string triMesh(const std::string& name = "Tri", const std::string& vertexCount = "3",
                    const std::string& triangles = "\t\tTRIANGLECOUNT 1\n\t\t0 1 2\n") {
    return "TRIMESH \"" + name + "\"\n\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n" +
           "\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n\tVERTEXCOUNT " + vertexCount + "\n" + kVertexLines +
           "\tMATERIALCOUNT 1\n\t\tMATERIAL \"Red\"\n" + triangles;
}

const std::string kExample = kHead + triMesh();
const std::string kExampleLog = "Surface: 0, Indices: 3\nNum surfaces: 1, Num Vertices: 3\n";
const std::string kNoCameraLine = "No cameras in the scene: using a default camera at the origin looking along -z.\n";

struct Loaded {
    Scene scene = sceneCreate();
    RenderContext context;
    std::ostringstream out, err;
};

std::unique_ptr<Loaded> parse(std::string_view text, const std::string& sceneFolder = {}) {
    auto loaded = std::make_unique<Loaded>();
    sceneParse(loaded->scene, text, sceneFolder, loaded->context, LoadLog{loaded->out, loaded->err});
    return loaded;
}

// The console lines as the format defines them: the lines added to locate each error, and the
// warnings, left out.
std::string specifiedLines(const std::string& log) {
    std::string kept;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (!line.starts_with("  <stdin>:") && !line.starts_with("warning: ")) kept += line + "\n";
    return kept;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string onOneLine(const std::string& text) {
    std::string line;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    return line;
}

// What the parser stores (a representative field or two of each record) and what it
// prints, so that two layouts of one scene can be compared whole.
std::string fingerprint(const Loaded& loaded) {
    std::ostringstream s;
    auto put = [&](auto... values) { ((s << values << ' '), ...) << '\n'; };
    const Scene& scene = loaded.scene;
    put(loaded.context.viewportMinX, loaded.context.viewportMaxX, loaded.context.viewportMaxY);
    for (const Material& m : scene.materials.items)
        put(m.name, m.ambient.r, m.diffuse.a, m.specular.g, m.shininess, m.textureMapName, m.normalMapName);
    for (const Camera& k : scene.cameras.items) put(k.position.z, k.rotation.y, k.fieldOfView, k.nearPlane, k.farPlane);
    for (const Light& light : scene.lighting.lights) put(light.position.y, light.position.z, light.colour.a);
    put(scene.lighting.ambience.r, scene.lighting.ambience.a, scene.lighting.attenuation.constant);
    for (const TriMesh& mesh : scene.meshes.items) put(mesh.name, mesh.rotation.w, mesh.modelMatrix.m[3]);
    for (const MeshGeometry& g : scene.meshes.geometry) {
        for (const Vertex& v : g.vertices) put(v.position.x, v.position.y, v.normal.z, v.texCoord.x, v.tangent.x);
        for (const Surface& surface : g.surfaces)
            for (int i : surface.indices) put(surface.materialIndex, i);
    }
    return s.str() + loaded.out.str() + loaded.err.str();
}

}  // namespace

TEST(Parser, ReadsTheExampleScene) {
    auto loaded = parse(kExample);
    EXPECT_EQ(loaded->out.str(), kExampleLog);
    EXPECT_EQ(loaded->err.str(), "");
    EXPECT_EQ(loaded->context.viewportMaxY, 300.0f);
    const Scene& scene = loaded->scene;
    ASSERT_EQ(scene.materials.items.size(), 1u);
    EXPECT_EQ(scene.materials.items[0].name, "Red\"");
    EXPECT_EQ(scene.materials.items[0].shininess, 20.0f);
    EXPECT_EQ(scene.materials.images.entries.size(), 1u);  // "None" loads nothing
    ASSERT_EQ(scene.cameras.items.size(), 1u);
    EXPECT_EQ(scene.cameras.items[0].position.z, 5.0f);
    ASSERT_EQ(scene.lighting.lights.size(), 1u);
    EXPECT_EQ(scene.lighting.lights[0].position.w, 1.0f);
    EXPECT_EQ(scene.lighting.ambience.g, 0.1f);
    ASSERT_EQ(scene.meshes.geometry.size(), 1u);
    const MeshGeometry& tri = scene.meshes.geometry[0];
    EXPECT_EQ(tri.name, "Tri\"");
    ASSERT_EQ(tri.vertices.size(), 3u);
    EXPECT_EQ(tri.vertices[2].texCoord.x, 0.5f);
    EXPECT_EQ(tri.vertices[1].tangent.x, 1.0f);
    ASSERT_EQ(tri.surfaces.size(), 1u);
    EXPECT_EQ(tri.surfaces[0].indices, (std::vector<int>{0, 1, 2}));
}

TEST(Parser, LayoutIsFree) {
    std::string reference = fingerprint(*parse(kExample));
    EXPECT_EQ(fingerprint(*parse(replaceAll(kExample, "\n", "\n\n \n"))), reference);
    EXPECT_EQ(fingerprint(*parse(replaceAll(kExample, "\t", "    "))), reference);
    EXPECT_EQ(fingerprint(*parse(replaceAll(kExample, "\n", "\r\n"))), reference);
    EXPECT_EQ(fingerprint(*parse(onOneLine(kExample))), reference);
    EXPECT_EQ(fingerprint(*parse(replaceAll(kExample, "\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n", ""))),
              reference);
}

TEST(Parser, MissingVertexLinesAreReportedOnceEachAndLeftZero) {
    auto loaded = parse(kHead + triMesh("Tri", "5"));
    EXPECT_EQ(specifiedLines(loaded->out.str()), "ERROR: End of vertices too early.\nERROR: End of vertices too early.\n"
                                 "Surface: 0, Indices: 3\nNum surfaces: 1, Num Vertices: 5\n");
    const Vertex& missing = loaded->scene.meshes.geometry[0].vertices[4];
    EXPECT_EQ(missing.position.x, 0.0f);
    EXPECT_EQ(missing.position.w, 1.0f);
    EXPECT_EQ(missing.normal.z, 0.0f);
    EXPECT_EQ(missing.normal.w, 0.0f);
    EXPECT_EQ(missing.tangent.x, 1.0f);  // used by no triangle
}

TEST(Parser, TrianglesWithMissingOrOutOfRangeIndicesAreDropped) {
    auto missing = parse(kHead + triMesh("A", "3", "\t\tTRIANGLECOUNT 3\n\t\t0 1 2\n") + triMesh("B"));
    EXPECT_EQ(specifiedLines(missing->out.str()),
              "ERROR: Surface 0 of mesh 'A\"': 2 triangles dropped (vertex index out of range or missing).\n"
              "Surface: 0, Indices: 3\nNum surfaces: 1, Num Vertices: 3\n" + kExampleLog);
    ASSERT_EQ(missing->scene.meshes.items.size(), 2u);  // the next mesh still reads correctly
    EXPECT_EQ(missing->scene.meshes.geometry[1].surfaces[0].indices, (std::vector<int>{0, 1, 2}));

    auto outOfRange =
        parse(kHead + triMesh("Tri", "3", "\t\tTRIANGLECOUNT 4\n\t\t0 1 3\n\t\t2 1 0\n\t\t-1 0 1\n\t\t1 7 2\n"));
    EXPECT_EQ(specifiedLines(outOfRange->out.str()),
              "ERROR: Surface 0 of mesh 'Tri\"': 3 triangles dropped (vertex index out of range or missing).\n"
              "Surface: 0, Indices: 3\nNum surfaces: 1, Num Vertices: 3\n");
    EXPECT_EQ(outOfRange->scene.meshes.geometry[0].surfaces[0].indices, (std::vector<int>{2, 1, 0}));
}

TEST(Parser, ImpossibleCountsAreReportedOnceAndReadAsZero) {
    auto negative = parse(kHead + triMesh("Tri", "-3"));
    EXPECT_EQ(specifiedLines(negative->out.str()),
              "ERROR: VERTEXCOUNT -3 of mesh 'Tri\"' is negative; reading it as 0.\n"
              "Num surfaces: 0, Num Vertices: 0\n"
              "ERROR: Expected a TRIMESH block but found 'POSITION: -1 -1 0 NORMAL: 0 0 1 TEXCOORD...'; "
              "the rest of the file is ignored.\n");
    auto huge = parse(kHead + triMesh("Tri", "99999999999"));
    std::string hugeLine =
        "ERROR: VERTEXCOUNT 2147483647 of mesh 'Tri\"' is more than the rest of the file can hold; reading it as 0.\n";
    EXPECT_EQ(huge->out.str().substr(0, hugeLine.size()), hugeLine);
    auto triangles = parse(kHead + triMesh("Tri", "3", "\t\tTRIANGLECOUNT 400000\n\t\t0 1 2\n"));
    EXPECT_EQ(specifiedLines(triangles->out.str()),
              "ERROR: TRIANGLECOUNT 400000 of surface 0 of mesh 'Tri\"' is more than the rest of the file can hold; "
              "reading it as 0.\nSurface: 0, Indices: 0\nNum surfaces: 1, Num Vertices: 3\n"
              "ERROR: Expected a TRIMESH block but found '0 1 2'; the rest of the file is ignored.\n");
    auto surfaces = parse(kHead + replaceAll(triMesh(), "MATERIALCOUNT 1", "MATERIALCOUNT -1"));
    std::string surfacesLine = "ERROR: MATERIALCOUNT -1 of mesh 'Tri\"' is negative; reading it as 0.\n";
    EXPECT_EQ(surfaces->out.str().substr(0, surfacesLine.size()), surfacesLine);
    for (const auto* loaded : {negative.get(), huge.get(), triangles.get(), surfaces.get()})
        expectDrawable(loaded->scene);
}

TEST(Parser, LongNamesAreKeptWholeAndShortenedOnlyInErrorLines) {
    std::string longName(45, 'x');
    std::string text = replaceAll(kHead, "\"Red\"", "\"" + longName + "\"") +
                       triMesh(longName, "3", "\t\tTRIANGLECOUNT 1\n\t\t0 1 7\n");
    text = replaceAll(text, "\t\tMATERIAL \"Red\"", "\t\tMATERIAL \"" + longName + "\"");
    auto loaded = parse(text);
    EXPECT_EQ(loaded->scene.materials.items[0].name, longName + "\"");
    EXPECT_EQ(loaded->scene.meshes.items[0].name, longName + "\"");
    EXPECT_EQ(loaded->scene.meshes.geometry[0].surfaces[0].materialIndex, 0);
    EXPECT_EQ(specifiedLines(loaded->out.str()), "ERROR: Surface 0 of mesh '" + std::string(40, 'x') +
                                     "...': 1 triangle dropped (vertex index out of range or missing).\n"
                                     "Surface: 0, Indices: 0\nNum surfaces: 1, Num Vertices: 3\n");
}

TEST(Parser, TextAfterAMeshThatIsNotAMeshEndsTheFile) {
    auto loaded = parse(kExample + "\nMATERIAL \"Late\"\n" + triMesh("Never"));
    EXPECT_EQ(specifiedLines(loaded->out.str()),
              kExampleLog + "ERROR: Expected a TRIMESH block but found 'MATERIAL \"Late\"'; the rest of the file is "
                            "ignored.\n");
    EXPECT_EQ(loaded->scene.meshes.items.size(), 1u);
}

TEST(Parser, EveryTruncationEndsCleanlyWithADrawableScene) {
    for (std::size_t length = 0; length <= kExample.size(); ++length) {
        SCOPED_TRACE(length);
        auto loaded = parse(std::string_view(kExample).substr(0, length));
        expectDrawable(loaded->scene);
    }
    auto inMaterial = parse(kHead.substr(0, kHead.find("\tTEXTUREMAP")));
    EXPECT_EQ(inMaterial->out.str(), "");  // no meshes: no default camera needed
    ASSERT_EQ(inMaterial->scene.materials.items.size(), 1u);
    EXPECT_EQ(inMaterial->scene.materials.items[0].shininess, 20.0f);
    EXPECT_EQ(inMaterial->scene.materials.items[0].textureMap, 0);  // no name read: nothing loaded

    // Cut inside the last index line: too few bytes are left for the one triangle announced.
    auto inIndices = parse(kExample.substr(0, kExample.size() - 3));
    EXPECT_EQ(specifiedLines(inIndices->out.str()),
              "ERROR: TRIANGLECOUNT 1 of surface 0 of mesh 'Tri\"' is more than the rest of the file can hold; "
              "reading it as 0.\nSurface: 0, Indices: 0\nNum surfaces: 1, Num Vertices: 3\n"
              "ERROR: Expected a TRIMESH block but found '0 1'; the rest of the file is ignored.\n");
}

TEST(Parser, DefaultsStandInForMissingCamerasAndMaterials) {
    std::string bare = "VIEWPORT\nMIN: 0 0\nMAX: 10 10\nSCENEAMBIENCE: 0 0 0 1\nSCENEATTENUATION: 1 0 0\n";
    auto empty = parse(bare);
    EXPECT_EQ(empty->out.str(), "") << "without meshes the scene needs no camera or material, and loads silently";
    EXPECT_TRUE(empty->scene.materials.items.empty());
    EXPECT_TRUE(empty->scene.cameras.items.empty());

    auto meshOnly = parse(bare + triMesh());
    ASSERT_EQ(meshOnly->scene.cameras.items.size(), 1u);
    EXPECT_EQ(meshOnly->scene.cameras.items[0].fieldOfView, 60.0f);
    EXPECT_EQ(meshOnly->scene.cameras.items[0].farPlane, 100.0f);
    EXPECT_EQ(meshOnly->out.str(),
              kExampleLog + kNoCameraLine + "No materials in the scene: using a default grey material.\n");
    ASSERT_EQ(meshOnly->scene.materials.items.size(), 1u);
    EXPECT_EQ(meshOnly->scene.materials.items[0].name, "Default");
    EXPECT_EQ(meshOnly->scene.materials.items[0].diffuse.g, 0.8f);

    Scene scene = sceneCreate();
    RenderContext context;
    std::ostringstream out, err;
    sceneLoad(scene, "/no/such/folder/scene.txt", context, LoadLog{out, err});
    EXPECT_EQ(out.str(), "ERROR: '/no/such/folder/scene.txt' failed to open.\n"
                         "  /no/such/folder/scene.txt: No such file or directory\n");
    EXPECT_TRUE(scene.cameras.items.empty());
}

TEST(Parser, FoldersAndDevicesAreNotReadAsFiles) {
    // A device never ends: reading /dev/zero whole would hang, and a folder holds no text.
    for (std::string name : {"/dev/zero", "/tmp"}) {
        Scene scene = sceneCreate();
        RenderContext context;
        std::ostringstream out, err;
        sceneLoad(scene, name, context, LoadLog{out, err});
        std::string reason = name == "/tmp" ? "Is a directory" : "not a regular file";
        EXPECT_EQ(out.str(), "ERROR: '" + name + "' failed to open.\n  " + name + ": " + reason + "\n");
    }
    std::ostringstream out, err;
    ImageTable table = sceneCreate().materials.images;
    EXPECT_EQ(imageTableAcquire(table, "/dev/zero", "", LoadLog{out, err}), 0);
    EXPECT_EQ(err.str(), "TGA_Write: failed to open file /dev/zero\n  /dev/zero: not a regular file\n");
}

TEST(Parser, OpenFailuresCanBeKeptWhenTheRestOfTheLogIsDropped) {
    // A quiet run drops `out` but routes the scene's open failure elsewhere; image failures
    // always go to `err`.
    std::ostringstream dropped, err, failures;
    Scene scene = sceneCreate();
    RenderContext context;
    sceneLoad(scene, "/no/such/scene.txt", context, LoadLog{dropped, err, &failures});
    EXPECT_EQ(failures.str(), "ERROR: '/no/such/scene.txt' failed to open.\n  /no/such/scene.txt: No such file or "
                              "directory\n");
    EXPECT_EQ(dropped.str(), "");
    EXPECT_EQ(err.str(), "");
}

TEST(Parser, ValuesALineFailsToSetKeepThePreviousBlocks) {
    std::string blue = "MATERIAL \"Blue\"\n\tAMBIENT: 0.5\n";  // and nothing else
    std::string text = replaceAll(kExample, "CAMERA", blue + "CAMERA");
    text = replaceAll(text, "\t\tPOSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0.5 1", "\t\tPOSITION: inf nan -INF");
    auto loaded = parse(text);
    ASSERT_EQ(loaded->scene.materials.items.size(), 2u);
    const Material& second = loaded->scene.materials.items[1];
    EXPECT_EQ(second.ambient.r, 0.5f);
    EXPECT_EQ(second.ambient.a, 1.0f);  // from Red, like the rest of the block
    EXPECT_EQ(second.diffuse.r, 0.8f);
    const Vertex& odd = loaded->scene.meshes.geometry[0].vertices[2];  // stored as read, the rest zero
    EXPECT_TRUE(std::isinf(odd.position.x) && std::isnan(odd.position.y) && odd.position.z < 0);
    EXPECT_EQ(odd.normal.z, 0.0f);
    EXPECT_EQ(loaded->scene.meshes.geometry[0].vertices[0].tangent.x, 1.0f);  // non-finite sum: +x
}

TEST(Parser, ImagesLoadOnceAndFallBackToTheSceneFolder) {
    TempFolder folder;
    writeBinaryFile(folder.file("brick.tga"), tgaFile(2, 24, 1, 1, {1, 2, 3}));
    std::string materials = "MATERIAL \"A\"\n\tAMBIENT: 0 0 0 1\n\tDIFFUSE: 1 1 1 1\n\tSPECULAR: 0 0 0 1\n"
                            "\tSHININESS: 1\n\tTEXTUREMAP: brick.tga\n\tNORMALMAP: missing.tga\n"
                            "MATERIAL \"B\"\n\tAMBIENT: 0 0 0 1\n\tDIFFUSE: 1 1 1 1\n\tSPECULAR: 0 0 0 1\n"
                            "\tSHININESS: 1\n\tTEXTUREMAP: missing.tga\n\tNORMALMAP: brick.tga\n";
    std::string text = replaceAll(kHead, "MATERIAL \"Red\"", materials + "MATERIAL \"Red\"") + triMesh();
    writeTextFile(folder.file("scene.txt"), text);
    Scene scene = sceneCreate();
    RenderContext context;
    std::ostringstream out, err;
    sceneLoad(scene, folder.file("scene.txt"), context, LoadLog{out, err});
    EXPECT_EQ(out.str(), "'brick.tga' (3 byte) image file closed and read.\n" + kExampleLog);
    // Looked for in the working directory, then beside the scene; the reason line names both.
    std::string failure = "TGA_Write: failed to open file missing.tga\n  missing.tga: No such file or directory; " +
                          folder.file("missing.tga") + ": No such file or directory\n";
    EXPECT_EQ(err.str(), failure + failure);
    ASSERT_EQ(scene.materials.items.size(), 3u);
    EXPECT_EQ(scene.materials.items[0].textureMap, 1);
    EXPECT_EQ(scene.materials.items[0].normalMap, 0);
    EXPECT_EQ(scene.materials.items[1].normalMap, 1);
    ASSERT_EQ(scene.materials.images.entries.size(), 2u);
    EXPECT_EQ(scene.materials.images.entries[1].fileName, "brick.tga");
}

// Mistakes people make writing scenes by hand. Each added line names the file and line, quotes
// the whole line as written and says what was expected; the specified lines stay as they were.
TEST(ParserMessages, ErrorsAreLocatedAtTheLineTheAuthorGotWrong) {
    struct Case {
        std::string from, to, added;
    };
    const std::vector<Case> cases = {
        {"\tDIFFUSE:", "\tDIFUSE:",
         "  <stdin>:6: 'DIFUSE: 0.8 0 0 1': expected DIFFUSE: and four numbers\n"},
        {"LIGHT \"Lamp\"", "Light \"Lamp\"",
         "  <stdin>:17: 'Light \"Lamp\"': expected LIGHT and a name in double quotes; keywords are upper case\n"},
        {"VERTEXCOUNT 3", "VERTEXCOUNT: 3",
         "  <stdin>:26: 'VERTEXCOUNT: 3': expected VERTEXCOUNT and a whole number; VERTEXCOUNT takes no colon\n"},
        {"VIEWPORT\n", "# my scene\nVIEWPORT\n",
         "  <stdin>:1: '# my scene': expected VIEWPORT; scene files have no comments\n"},
        // A missing line that stalls the reader is named, not the one where it stalled.
        {"SCENEAMBIENCE: 0.1 0.1 0.1 1\n", "",
         "  <stdin>:20: 'SCENEATTENUATION: 1 0 0': expected SCENEAMBIENCE: and four numbers\n"},
        {"\tROTATION: 0 0 0\n", "\tROTATION: 0 0 0 0\n",
         "  <stdin>:13: 'ROTATION: 0 0 0 0': unexpected '0' after the line's last value; "
         "expected FIELDOFVIEW: and a number\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        auto loaded = parse(replaceAll(kExample, c.from, c.to));
        std::string log = loaded->out.str();
        std::size_t error = log.find("ERROR: Expected a TRIMESH block");
        ASSERT_NE(error, std::string::npos) << log;
        std::size_t added = log.find('\n', error) + 1;
        EXPECT_EQ(log.substr(added), c.added);
    }

    auto oneBased = parse(kHead + triMesh("Tri", "3", "\t\tTRIANGLECOUNT 1\n\t\t1 2 3\n"));
    EXPECT_EQ(oneBased->out.str(),
              "ERROR: Surface 0 of mesh 'Tri\"': 1 triangle dropped (vertex index out of range or missing).\n"
              "  <stdin>:33: '1 2 3': vertex index 3 is out of range: with VERTEXCOUNT 3 the indices run from 0 to 2\n"
              "Surface: 0, Indices: 0\nNum surfaces: 1, Num Vertices: 3\n"
              "warning: <stdin>:33: mesh 'Tri\"' looks counted from 1: no triangle uses vertex 0 and the largest "
              "index, 3, equals its VERTEXCOUNT; indices count from 0\n");
    auto fewVertices = parse(kHead + triMesh("Tri", "4"));
    EXPECT_EQ(fewVertices->out.str().substr(0, fewVertices->out.str().find("Surface:")),
              "ERROR: End of vertices too early.\n  <stdin>:30: 'MATERIALCOUNT 1': expected POSITION: and three "
              "numbers, NORMAL: and three numbers, TEXCOORD: and two numbers (vertex 4 of the 4 its VERTEXCOUNT "
              "gives)\n");
}

TEST(ParserMessages, SilentDefaultsAndPartLinesAreWarnedAboutAfterTheLoadLines) {
    struct Case {
        std::string from, to, warning;
    };
    const std::vector<Case> cases = {
        {"SCENEATTENUATION: 1 0 0\n", "",
         "warning: <stdin>:21: no SCENEATTENUATION line before this line: attenuation 0 0 0 makes every light "
         "infinitely bright, so lit surfaces come out white (SCENEATTENUATION: 1 0 0 means no fall-off)\n"},
        {"\tNEARPLANE: 1\n", "",
         "warning: <stdin>:15: no NEARPLANE line in camera \"Main\" before this line: NEARPLANE 0 makes the "
         "projection divide 0 by 0: nothing is drawn (use 1)\n"},
        {"\t\tMATERIAL \"Red\"", "\t\tMATERIAL \"red\"",
         "warning: <stdin>:31: no MATERIAL block is named \"red\": the surface is drawn with the first material, "
         "\"Red\" (names match only when written alike, letter case and quotes included)\n"},
        {"TEXCOORD: 0.5 1", "TEXCOORD: 0.5",
         "warning: <stdin>:29: 'POSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0.5': expected POSITION: and three numbers, "
         "NORMAL: and three numbers, TEXCOORD: and two numbers; only 7 of its 8 values were read\n"},
        {"\tROTATION: 0 0 1 0", "\tROTATION: 30 0 1",
         "warning: <stdin>:24: 'ROTATION: 30 0 1': expected ROTATION: and four numbers; only 3 of its 4 values "
         "were read\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        // Windows line ends count lines alike.
        for (const std::string& text : {replaceAll(kExample, c.from, c.to),
                                        replaceAll(replaceAll(kExample, c.from, c.to), "\n", "\r\n")}) {
            auto loaded = parse(text);
            EXPECT_EQ(loaded->out.str(), kExampleLog + c.warning);
        }
    }
    // A later camera without the line keeps the earlier camera's value, and says so.
    std::string second = "CAMERA \"Side\"\n\tPOSITION: 5 0 0\n\tROTATION: 0 90 0\n\tFIELDOFVIEW: 60\n\tFARPLANE: 9\n";
    auto loaded = parse(replaceAll(kExample, "LIGHT \"Lamp\"", second + "LIGHT \"Lamp\""));
    EXPECT_EQ(loaded->out.str(), kExampleLog + "warning: <stdin>:21: no NEARPLANE line in camera \"Side\" before this "
                                               "line: it keeps the previous camera's 1\n");
}

TEST(ParserMessages, QuietRunsKeepErrorsAndWarningsAndCountThem) {
    std::ostringstream out, err, failures;
    LoadProblems problems;
    Scene scene = sceneCreate();
    RenderContext context;
    std::string text = replaceAll(replaceAll(kExample, "SCENEATTENUATION: 1 0 0\n", ""), "0 1 2", "0 1 5");
    sceneParse(scene, text, "", context, LoadLog{out, err, &failures, &problems}, "lamp.txt");
    EXPECT_EQ(out.str(), "Surface: 0, Indices: 0\nNum surfaces: 1, Num Vertices: 3\n");
    EXPECT_EQ(failures.str(),
              "ERROR: Surface 0 of mesh 'Tri\"': 1 triangle dropped (vertex index out of range or missing).\n"
              "  lamp.txt:32: '0 1 5': vertex index 5 is out of range: with VERTEXCOUNT 3 the indices run from 0 to 2\n"
              "warning: lamp.txt:21: no SCENEATTENUATION line before this line: attenuation 0 0 0 makes every light "
              "infinitely bright, so lit surfaces come out white (SCENEATTENUATION: 1 0 0 means no fall-off)\n");
    EXPECT_EQ(problems.errors, 1);
    EXPECT_EQ(problems.warnings, 1);
}

TEST(ParserMessages, ManyBrokenLinesGiveAHundredWarningsAndACount) {
    std::string vertices;
    for (int i = 0; i < 150; ++i) vertices += "POSITION: 0 0 0 NORMAL: 0 0 1 TEXCOORD: 0\n";
    auto loaded = parse(kHead + replaceAll(triMesh("Tri", "150"), kVertexLines, vertices));
    std::string log = loaded->out.str();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2 + 100 + 1);
    EXPECT_NE(log.find("warning: <stdin>: 50 more warnings not shown\n"), std::string::npos);
}
