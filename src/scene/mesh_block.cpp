// Reading a TRIMESH block: placement, vertices, and surfaces of indexed triangles.
//
// The counts in the block are checked before anything is allocated, and every triangle is
// checked against the vertex count, so that whatever the file says the renderer only ever
// addresses vertices that exist.
#include <algorithm>
#include <climits>
#include <cstddef>

#include "scene/file_bytes.h"
#include "scene/parse_state.h"
#include "scene/placement.h"
#include "scene/tangents.h"

namespace {

// The fewest bytes one counted item can take, with every optional white space left out and
// numbers at their shortest ("0-0-0" reads as three numbers). A count beyond what the rest
// of the file could hold at this rate is corrupt.
constexpr std::size_t kMinVertexBytes = 38;   // POSITION:0-0-0NORMAL:0-0-0TEXCOORD:0-0
constexpr std::size_t kMinSurfaceBytes = 25;  // MATERIAL"x TRIANGLECOUNT0
constexpr std::size_t kMinTriangleBytes = 5;  // 0-0-0

// A vertex the file did not (fully) give: zero apart from the w of its position.
Vertex blankVertex() {
    Vertex vertex = zeroVertex();
    vertex.position.w = 1.0f;
    return vertex;
}

// The count to use: a negative count, or one larger than the rest of the file can hold, is
// reported once and read as 0 (also for the blocks after it that do not give their own).
int acceptedCount(SceneParser& parser, const LineMatch& line, int& count, const char* keyword,
                  const std::string& owner, std::size_t minItemBytes) {
    std::size_t room = remainingBytes(parser.in) / minItemBytes;
    if (room > INT_MAX / 3) room = INT_MAX / 3;  // three indices per triangle must still count in an int
    const char* problem = nullptr;
    std::string why;
    if (count < 0) {
        problem = "is negative";
        why = "a count of 0 or more";
    } else if (static_cast<std::size_t>(count) > room) {
        problem = "is more than the rest of the file can hold";
        why = "at most " + std::to_string(room) + ": the rest of the file is too short for more";
    }
    if (problem) {
        // The count may be left over from an earlier block when this block's line did not match.
        bool own = line.result == 1;
        std::size_t at = nextNonBlank(parser, line.start);
        std::string location = own ? "expected " + why
                                   : "no count was read here, so the last one read was kept; expected " +
                                         std::string(keyword) + " and a whole number";
        reportError(parser,
                    "ERROR: " + std::string(keyword) + " " + std::to_string(count) + " of " + owner + " " + problem +
                        "; reading it as 0.",
                    at, location);
        count = 0;
    }
    return count;
}

std::vector<Vertex> readVertices(SceneParser& parser, const std::string& owner) {
    WorkingRecords& working = parser.working;
    LineMatch line = matchLine(parser, "\tVERTEXCOUNT %d\n", {&working.vertexCount});
    int count = acceptedCount(parser, line, working.vertexCount, "VERTEXCOUNT", owner, kMinVertexBytes);
    std::vector<Vertex> vertices;
    vertices.reserve(static_cast<std::size_t>(count));
    adviseLargePages(vertices.data(), vertices.capacity() * sizeof(Vertex));
    vertices.assign(static_cast<std::size_t>(count), blankVertex());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        Vertex& v = vertices[i];
        int result = matchLine(parser, "\t\tPOSITION: %f %f %f NORMAL: %f %f %f TEXCOORD: %f %f\n",
                               {&v.position.x, &v.position.y, &v.position.z, &v.normal.x, &v.normal.y, &v.normal.z,
                                &v.texCoord.x, &v.texCoord.y})
                         .result;
        if (result == 0)
            reportErrorAtLastFailure(parser, "ERROR: End of vertices too early.",
                                     " (vertex " + std::to_string(i + 1) + " of the " + std::to_string(count) +
                                         " its VERTEXCOUNT gives)");
    }
    return vertices;
}

bool isVertexIndex(int index, std::size_t vertexCount) {
    return index >= 0 && static_cast<std::size_t>(index) < vertexCount;
}

// The smallest and largest vertex index a mesh's triangle lines give, dropped triangles included:
// a mesh counted from 1 has no 0 and reaches its vertex count.
struct IndexRange {
    int least = INT_MAX;
    int most = INT_MIN;
    std::size_t firstLine = 0;  // where the first triangle line of the mesh begins
};

// The first triangle of a surface that was dropped, and why, for the error's location line.
struct DroppedTriangle {
    std::size_t at = 0;
    std::string why;
};

std::string outOfRangeReason(const int corner[3], std::size_t vertexCount) {
    for (int c = 0; c < 3; ++c)
        if (!isVertexIndex(corner[c], vertexCount))
            return "vertex index " + std::to_string(corner[c]) + " is out of range: with VERTEXCOUNT " +
                   std::to_string(vertexCount) + " the indices run from 0 to " +
                   std::to_string(static_cast<long long>(vertexCount) - 1);
    return {};
}

// Appends the triangles whose three indices were read and name existing vertices; returns
// how many of the `count` triangles were dropped.
int readTriangles(SceneParser& parser, int count, std::size_t vertexCount, std::vector<int>& indices,
                  IndexRange& range, DroppedTriangle& firstDropped) {
    int dropped = 0;
    for (int t = 0; t < count; ++t) {
        int corner[3] = {-1, -1, -1};
        LineMatch line = matchLine(parser, "\t\t%d %d %d\n", {&corner[0], &corner[1], &corner[2]});
        int read = line.result;
        bool kept = read == 3 && isVertexIndex(corner[0], vertexCount) && isVertexIndex(corner[1], vertexCount) &&
                    isVertexIndex(corner[2], vertexCount);
        if (read == 3) {
            range.least = std::min({range.least, corner[0], corner[1], corner[2]});
            range.most = std::max({range.most, corner[0], corner[1], corner[2]});
            if (range.firstLine == 0) range.firstLine = nextNonBlank(parser, line.start);
        }
        if (kept) {
            indices.insert(indices.end(), corner, corner + 3);
            continue;
        }
        if (dropped++ > 0) continue;
        if (read == 3) {
            firstDropped = {nextNonBlank(parser, line.start), outOfRangeReason(corner, vertexCount)};
        } else {
            const PatternFailure& failure = parser.messages.lastFailure;
            firstDropped = {failure.start, "expected three whole numbers, the vertex indices of triangle " +
                                               std::to_string(t + 1) + " of the " + std::to_string(count) +
                                               " its TRIANGLECOUNT gives"};
        }
    }
    return dropped;
}

bool hasMaterialNamed(const MaterialList& materials, const std::string& name) {
    return std::any_of(materials.items.begin(), materials.items.end(),
                       [&name](const Material& material) { return material.name == name; });
}

// A name as written in the file, made safe for the console.
std::string shownName(const std::string& name) {
    std::string quoted = quotedForLog(writtenName(name));
    return quoted.substr(1, quoted.size() - 2);
}

void warnAboutUnknownMaterial(SceneParser& parser, const LineMatch& line) {
    const MaterialList& materials = parser.scene.materials;
    const std::string& name = parser.working.surfaceMaterialName;
    // Without any material the default one stands in, and a line of its own says so.
    if (line.result != 1 || materials.items.empty() || hasMaterialNamed(materials, name)) return;
    warn(parser, nextNonBlank(parser, line.start),
         "no MATERIAL block is named " + shownName(name) + ": the surface is drawn with the first material, " +
             shownName(materials.items.front().name) +
         " (names match only when written alike, letter case and quotes included)");
}

Surface readSurface(SceneParser& parser, int number, std::size_t vertexCount, const std::string& meshOwner,
                    IndexRange& range) {
    WorkingRecords& working = parser.working;
    Surface surface;
    LineMatch material = matchLine(parser, "\t\tMATERIAL \"%s\"\n", {&working.surfaceMaterialName});
    surface.materialIndex = findMaterial(parser.scene.materials, working.surfaceMaterialName);
    warnAboutUnknownMaterial(parser, material);
    LineMatch countLine = matchLine(parser, "\t\tTRIANGLECOUNT %d\n", {&working.triangleCount});
    std::string owner = "surface " + std::to_string(number) + " of " + meshOwner;
    int count = acceptedCount(parser, countLine, working.triangleCount, "TRIANGLECOUNT", owner, kMinTriangleBytes);
    surface.indices.reserve(3 * static_cast<std::size_t>(count));
    adviseLargePages(surface.indices.data(), surface.indices.capacity() * sizeof(int));
    DroppedTriangle firstDropped;
    int dropped = readTriangles(parser, count, vertexCount, surface.indices, range, firstDropped);
    if (dropped > 0)
        reportError(parser,
                    "ERROR: Surface " + std::to_string(number) + " of " + meshOwner + ": " + std::to_string(dropped) +
                        (dropped == 1 ? " triangle" : " triangles") + " dropped (vertex index out of range or missing).",
                    firstDropped.at, firstDropped.why);
    parser.log.out << "Surface: " << number << ", Indices: " << surface.indices.size() << "\n";
    return surface;
}

std::vector<Surface> readSurfaces(SceneParser& parser, std::size_t vertexCount, const std::string& owner) {
    WorkingRecords& working = parser.working;
    LineMatch line = matchLine(parser, "\tMATERIALCOUNT %d\n", {&working.surfaceCount});
    int count = acceptedCount(parser, line, working.surfaceCount, "MATERIALCOUNT", owner, kMinSurfaceBytes);
    std::vector<Surface> surfaces;
    surfaces.reserve(static_cast<std::size_t>(count));
    IndexRange range;
    for (int s = 0; s < count; ++s) surfaces.push_back(readSurface(parser, s, vertexCount, owner, range));
    if (vertexCount > 0 && range.least >= 1 && static_cast<std::size_t>(range.most) == vertexCount)
        warn(parser, range.firstLine,
             owner + " looks counted from 1: no triangle uses vertex 0 and the largest index, " +
                 std::to_string(range.most) + ", equals its VERTEXCOUNT; indices count from 0");
    return surfaces;
}

void readPlacement(SceneParser& parser) {
    WorkingRecords& working = parser.working;
    TriMesh& mesh = working.mesh;
    Vec3& axis = working.rotationAxis;
    matchLine(parser, "\tPOSITION: %f %f %f\n", {&mesh.position.x, &mesh.position.y, &mesh.position.z});
    matchLine(parser, "\tROTATION: %f %f %f %f\n", {&working.rotationAngle, &axis.x, &axis.y, &axis.z});
    mesh.rotation = quaternionFromAxisAngle(working.rotationAngle, axis.x, axis.y, axis.z);
    // The matrix the exporter wrote alongside is redundant with the angle and axis.
    matchLine(parser, "\tROTATIONMATRIX: X: %*f %*f %*f Y: %*f %*f %*f Z: %*f %*f %*f\n");
}

}  // namespace

void readMeshBlock(SceneParser& parser) {
    TriMesh& mesh = parser.working.mesh;
    std::string owner = "mesh " + quotedForLog(mesh.name);
    readPlacement(parser);
    MeshGeometry geometry;
    geometry.name = mesh.name;
    geometry.vertices = readVertices(parser, owner);
    geometry.surfaces = readSurfaces(parser, geometry.vertices.size(), owner);
    matchPattern(parser.in, "\n\n");
    std::size_t surfaceCount = geometry.surfaces.size();
    std::size_t vertexCount = geometry.vertices.size();
    generateTangents(geometry);
    mesh.geometryIndex = geometryAppend(parser.scene.meshes.geometry, std::move(geometry));
    meshAppend(parser.scene.meshes, mesh);
    parser.log.out << "Num surfaces: " << surfaceCount << ", Num Vertices: " << vertexCount << "\n";
}
