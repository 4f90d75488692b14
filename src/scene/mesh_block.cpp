// Reading a TRIMESH block: placement, vertices, and surfaces of indexed triangles.
//
// The counts in the block are checked before anything is allocated, and every triangle is
// checked against the vertex count, so that whatever the file says the renderer only ever
// addresses vertices that exist.
#include <climits>
#include <cstddef>

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
int acceptedCount(SceneParser& parser, int& count, const char* keyword, const std::string& owner,
                  std::size_t minItemBytes) {
    std::size_t room = remainingBytes(parser.in) / minItemBytes;
    if (room > INT_MAX / 3) room = INT_MAX / 3;  // three indices per triangle must still count in an int
    const char* problem = nullptr;
    if (count < 0)
        problem = "is negative";
    else if (static_cast<std::size_t>(count) > room)
        problem = "is more than the rest of the file can hold";
    if (problem) {
        parser.log.out << "ERROR: " << keyword << " " << count << " of " << owner << " " << problem
                       << "; reading it as 0.\n";
        count = 0;
    }
    return count;
}

std::vector<Vertex> readVertices(SceneParser& parser, const std::string& owner) {
    WorkingRecords& working = parser.working;
    matchPattern(parser.in, "\tVERTEXCOUNT %d\n", {&working.vertexCount});
    int count = acceptedCount(parser, working.vertexCount, "VERTEXCOUNT", owner, kMinVertexBytes);
    std::vector<Vertex> vertices(static_cast<std::size_t>(count), blankVertex());
    for (Vertex& v : vertices) {
        int result = matchPattern(parser.in, "\t\tPOSITION: %f %f %f NORMAL: %f %f %f TEXCOORD: %f %f\n",
                                  {&v.position.x, &v.position.y, &v.position.z, &v.normal.x, &v.normal.y,
                                   &v.normal.z, &v.texCoord.x, &v.texCoord.y});
        if (result == 0) parser.log.out << "ERROR: End of vertices too early.\n";
    }
    return vertices;
}

bool isVertexIndex(int index, std::size_t vertexCount) {
    return index >= 0 && static_cast<std::size_t>(index) < vertexCount;
}

// Appends the triangles whose three indices were read and name existing vertices; returns
// how many of the `count` triangles were dropped.
int readTriangles(SceneParser& parser, int count, std::size_t vertexCount, std::vector<int>& indices) {
    int dropped = 0;
    for (int t = 0; t < count; ++t) {
        int corner[3] = {-1, -1, -1};
        int read = matchPattern(parser.in, "\t\t%d %d %d\n", {&corner[0], &corner[1], &corner[2]});
        bool kept = read == 3 && isVertexIndex(corner[0], vertexCount) && isVertexIndex(corner[1], vertexCount) &&
                    isVertexIndex(corner[2], vertexCount);
        if (kept)
            indices.insert(indices.end(), corner, corner + 3);
        else
            ++dropped;
    }
    return dropped;
}

Surface readSurface(SceneParser& parser, int number, std::size_t vertexCount, const std::string& meshOwner) {
    WorkingRecords& working = parser.working;
    Surface surface;
    matchPattern(parser.in, "\t\tMATERIAL \"%s\"\n", {&working.surfaceMaterialName});
    surface.materialIndex = findMaterial(parser.scene.materials, working.surfaceMaterialName);
    matchPattern(parser.in, "\t\tTRIANGLECOUNT %d\n", {&working.triangleCount});
    std::string owner = "surface " + std::to_string(number) + " of " + meshOwner;
    int count = acceptedCount(parser, working.triangleCount, "TRIANGLECOUNT", owner, kMinTriangleBytes);
    surface.indices.reserve(3 * static_cast<std::size_t>(count));
    int dropped = readTriangles(parser, count, vertexCount, surface.indices);
    if (dropped > 0)
        parser.log.out << "ERROR: Surface " << number << " of " << meshOwner << ": " << dropped
                       << (dropped == 1 ? " triangle" : " triangles")
                       << " dropped (vertex index out of range or missing).\n";
    parser.log.out << "Surface: " << number << ", Indices: " << surface.indices.size() << "\n";
    return surface;
}

std::vector<Surface> readSurfaces(SceneParser& parser, std::size_t vertexCount, const std::string& owner) {
    WorkingRecords& working = parser.working;
    matchPattern(parser.in, "\tMATERIALCOUNT %d\n", {&working.surfaceCount});
    int count = acceptedCount(parser, working.surfaceCount, "MATERIALCOUNT", owner, kMinSurfaceBytes);
    std::vector<Surface> surfaces;
    surfaces.reserve(static_cast<std::size_t>(count));
    for (int s = 0; s < count; ++s) surfaces.push_back(readSurface(parser, s, vertexCount, owner));
    return surfaces;
}

void readPlacement(SceneParser& parser) {
    WorkingRecords& working = parser.working;
    TriMesh& mesh = working.mesh;
    Vec3& axis = working.rotationAxis;
    matchPattern(parser.in, "\tPOSITION: %f %f %f\n", {&mesh.position.x, &mesh.position.y, &mesh.position.z});
    matchPattern(parser.in, "\tROTATION: %f %f %f %f\n", {&working.rotationAngle, &axis.x, &axis.y, &axis.z});
    mesh.rotation = quaternionFromAxisAngle(working.rotationAngle, axis.x, axis.y, axis.z);
    // The matrix the exporter wrote alongside is redundant with the angle and axis.
    matchPattern(parser.in, "\tROTATIONMATRIX: X: %*f %*f %*f Y: %*f %*f %*f Z: %*f %*f %*f\n");
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
