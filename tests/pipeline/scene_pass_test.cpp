#include "pipeline/scene_pass.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "pipeline/camera.h"
#include "pipeline/triangulation.h"
#include "raster/depth.h"
#include "scene/parser.h"
#include "support/wavy_floor.h"

namespace {

bool sameVertex(const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Queued {
    int commands = 0;
    int cornersDiffering = 0;
    int statesDiffering = 0;
};

// Compares two queues triangle by triangle: the same triangles, in the same order, with the same
// rendering state and bit for bit the same corner vertices (their indices may differ).
Queued compareQueues(const DrawList& serial, const DrawList& shared) {
    Queued result;
    result.commands = static_cast<int>(serial.triangles.size());
    for (size_t i = 0; i < serial.triangles.size() && i < shared.triangles.size(); ++i) {
        const TriangleCommand &s = serial.triangles[i], &t = shared.triangles[i];
        for (int k = 0; k < 3; ++k)
            result.cornersDiffering += !sameVertex(serial.vertices[static_cast<size_t>(s.corners[k])],
                                                   shared.vertices[static_cast<size_t>(t.corners[k])]);
        const TriangleState &ss = triangleState(serial, s), &ts = triangleState(shared, t);
        result.statesDiffering += ss.material != ts.material || ss.textureMap != ts.textureMap ||
                                  ss.normalMap != ts.normalMap || ss.phongShading != ts.phongShading ||
                                  serial.rows[i].begin != shared.rows[i].begin || serial.rows[i].end != shared.rows[i].end;
    }
    return result;
}

TEST(ScenePass, ALargeMeshQueuedByRunsOnSeveralThreadsGivesTheSerialQueue) {
    Scene scene = sceneCreate();
    RenderContext context;
    std::ostringstream log;
    sceneParse(scene, wavyFloorScene(96), "", context, {log, log});
    context.phongShading = context.texturing = context.normalMapping = 1;
    Image colour = imageCreate(240, 190);
    DepthBuffer depth = depthBufferCreate(240, 190);
    context.colourBuffer = &colour;
    context.depthBuffer = &depth;
    const Matrix4 projection = matrixPerspective(60, 200.0f / 150.0f, 1, 100);
    for (int phong : {1, 0}) {
        context.phongShading = phong;
        ScenePassMemory serial;
        renderScene(scene, context, projection, 1, serial);
        const Material* lastMaterial = context.material;
        ASSERT_GT(serial.triangles.triangles.size(), 5000u) << "most of the floor is queued";
        // Runs of different lengths, so that each starts somewhere else in the mesh.
        for (int threads : {2, 3, 4}) {
            ScenePassMemory shared;
            for (int frame = 0; frame < 2; ++frame) {  // the second in the storage of the first
                renderScene(scene, context, projection, threads, shared);
                ASSERT_EQ(shared.triangles.triangles.size(), serial.triangles.triangles.size()) << threads;
                Queued q = compareQueues(serial.triangles, shared.triangles);
                EXPECT_EQ(q.cornersDiffering, 0) << threads << " threads, phong " << phong;
                EXPECT_EQ(q.statesDiffering, 0) << threads << " threads, phong " << phong;
                EXPECT_EQ(context.material, lastMaterial) << "the last polygon's material stays current";
            }
        }
    }
}

// A material index outside the list (no file gives one, but a scene made in code may) takes the
// first material; an empty list takes the default one.
TEST(Triangulation, MaterialIndicesOutsideTheListTakeTheFirstMaterial) {
    MaterialList materials;
    materials.items.resize(3);
    EXPECT_EQ(&materialAt(materials, 2), &materials.items[2]);
    EXPECT_EQ(&materialAt(materials, 3), &materials.items[0]);
    EXPECT_EQ(&materialAt(materials, -1), &materials.items[0]);
    EXPECT_EQ(&materialAt(MaterialList{}, 1), &defaultMaterial());
}

}  // namespace
