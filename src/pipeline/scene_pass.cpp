// The scene pass: each mesh's working copy from object space to clip space, culled, clipped,
// divided by w and queued; then the light-blue background behind everything; then the queue
// is rasterized.
#include "pipeline/scene_pass.h"

#include <span>

#include "core/parallel.h"
#include "pipeline/camera.h"
#include "pipeline/clipping.h"
#include "pipeline/triangulation.h"
#include "raster/depth.h"
#include "shading/gouraud.h"

namespace {

// A matrix as four column vectors, so that a point is transformed four rows at a time: each
// lane is one row's ((e0 * x + e1 * y) + e2 * z) + e3 * w, the operations of matrixTransform
// in its order, so the result is bit for bit the same.
typedef float Lanes4 __attribute__((vector_size(16)));

struct MatrixColumns {
    Lanes4 column[4];
};

MatrixColumns columnsOf(const Matrix4& m) {
    const float* e = m.m;
    MatrixColumns c;
    for (int j = 0; j < 4; ++j) c.column[j] = Lanes4{e[j], e[4 + j], e[8 + j], e[12 + j]};
    return c;
}

Vec4 transform(const MatrixColumns& m, const Vec4& v) {
    const Lanes4 x{v.x, v.x, v.x, v.x}, y{v.y, v.y, v.y, v.y}, z{v.z, v.z, v.z, v.z}, w{v.w, v.w, v.w, v.w};
    const Lanes4 r = m.column[0] * x + m.column[1] * y + m.column[2] * z + m.column[3] * w;
    return {r[0], r[1], r[2], r[3]};
}

// One vertex from object space to clip space: world space first (where the Gouraud colour is
// lit, and where per-pixel lighting wants the position and, for normal mapping, the tangent),
// then view space, whose z is kept for perspective-correct texturing, then clip space.
// Normals and tangents take the model matrix directly: it is a rotation and a move.
struct VertexStage {
    MatrixColumns model;
    MatrixColumns view;
    MatrixColumns projection;
    const Material* gouraudMaterial;  // none in Phong mode
    const SceneLighting& lighting;
    const RenderContext& context;

    void operator()(Vertex& v) const {
        v.position = transform(model, v.position);
        v.normal = transform(model, v.normal);
        if (context.phongShading == 1) {
            v.worldPosition = v.position;
            if (context.normalMapping == 1) v.tangent = transform(model, v.tangent);
        }
        if (gouraudMaterial) lightVertex(v, *gouraudMaterial, lighting, context);
        v.position = transform(view, v.position);
        v.viewDepth = v.position.z;
        v.position = transform(projection, v.position);
    }
};

// Each triangle's way is its own up to its place in the queue, so a large mesh shares its
// culling, clipping and queueing out between the threads. Its vertices are transformed on the
// calling thread alone: that stage does little arithmetic per byte it reads and writes, and
// split over two threads on a 2-core machine the threads contended for memory so much that a
// million-triangle frame took longer (about 44 ms on one thread against 55 to 60 on two).
constexpr std::size_t kTrianglesPerThread = 4096;


// The mesh's triangles are cut into runs, each culled, clipped and queued on its own thread into
// its own lists, which are then joined in the runs' order: the queue is exactly the one that a
// single pass over the triangles gives.
void clipAndQueue(const MeshGeometry& geometry, const ClipSpaceMesh& clipSpace, std::span<const float> heights,
                  const MaterialList& materials, RenderContext& context, int meshBase, int threadCount,
                  ScenePassMemory& memory) {
    const std::size_t triangles = triangleCount(geometry.surfaces);
    const std::size_t runCount = rangePartCount(triangles, threadCount, kTrianglesPerThread);
    if (memory.runs.size() < runCount) memory.runs.resize(runCount);
    const int vertexCount = static_cast<int>(clipSpace.positions.size());
    forEachPart(triangles, runCount, [&](std::size_t run, std::size_t begin, std::size_t end) {
        ScenePassMemory::Run& r = memory.runs[run];
        clipTriangles(geometry.surfaces, clipSpace, begin, end, r.clipped);
        queuePolygons(r.clipped, materials, context, heights, meshBase, r.queued);
    });
    const Polygon* last = nullptr;
    std::vector<const DrawList*> queued(runCount);
    for (std::size_t run = 0; run < runCount; ++run) {
        const ScenePassMemory::Run& r = memory.runs[run];
        queued[run] = &r.queued;
        if (!r.clipped.polygons.empty()) last = &r.clipped.polygons.back();
    }
    drawListAppendParts(memory.triangles, queued, meshBase + vertexCount);
    // The last polygon's material stays current, as when each is made current in turn; with no
    // polygon at all the mesh leaves nothing in the queue.
    if (last)
        makeMaterialCurrent(context, materials, last->materialIndex);
    else
        memory.triangles.vertices.resize(static_cast<std::size_t>(meshBase));
}

void drawMesh(const TriMesh& mesh, Scene& scene, RenderContext& context, const Matrix4& view,
              const Matrix4& projection, int threadCount, ScenePassMemory& memory) {
    if (mesh.geometryIndex < 0 || mesh.geometryIndex >= static_cast<int>(scene.meshes.geometry.size())) return;
    const MeshGeometry& geometry = scene.meshes.geometry[static_cast<size_t>(mesh.geometryIndex)];
    if (geometry.surfaces.empty()) return;  // nothing to draw, and no material to light it with
    // The arrays only grow: the mesh's vertices are the first ones, each written before it is
    // read, and nothing is cleared or filled in that the mesh does not use.
    const std::size_t vertexCount = geometry.vertices.size();
    if (memory.clipPositions.size() < vertexCount) memory.clipPositions.resize(vertexCount);
    if (memory.outsideMasks.size() < vertexCount) memory.outsideMasks.resize(vertexCount);
    if (memory.divided.size() < vertexCount) memory.divided.resize(vertexCount);
    if (memory.heights.size() < vertexCount) memory.heights.resize(vertexCount);
    const std::span<Vec4> clipPositions(memory.clipPositions.data(), vertexCount);
    const std::span<unsigned char> outsideMasks(memory.outsideMasks.data(), vertexCount);
    const std::span<Vec4> divided(memory.divided.data(), vertexCount);
    const std::span<float> heights(memory.heights.data(), vertexCount);
    const Material* gouraudMaterial = nullptr;
    if (context.phongShading == 0) {
        // Gouraud: the whole mesh is lit with its first surface's material and texture.
        int k = geometry.surfaces.front().materialIndex;
        gouraudMaterial = &materialAt(scene.materials, k);
        context.textureMap = materialTextureImage(scene.materials, k);
        context.normalMap = nullptr;
    }
    // The mesh's own vertices join the queue once, whatever number of triangles share each.
    QueuedVertices& queued = memory.triangles.vertices;
    const int meshBase = static_cast<int>(queued.size());
    queued.resize(queued.size() + vertexCount);
    const VertexStage stage{columnsOf(mesh.modelMatrix), columnsOf(view),     columnsOf(projection),
                            gouraudMaterial,             scene.lighting, context};
    for (std::size_t i = 0; i < vertexCount; ++i) {
        Vertex v = geometry.vertices[i];  // a working copy: the pass never writes the scene's
        stage(v);
        clipPositions[i] = v.position;
        outsideMasks[i] = planesOutside(v.position);
        vec4Homogenize(v.position);
        divided[i] = v.position;
        ndcToPixel(v, context);  // the vertex as the queue holds it: divided by w, in pixels
        heights[i] = v.position.y;
        queued[static_cast<std::size_t>(meshBase) + i] = v;
    }
    // The queued vertices differ from the clip-space ones in their positions alone, so they and
    // the positions give the clipper the whole vertex when a triangle crosses a plane.
    const std::span<const Vertex> queuedVertices(queued.data() + meshBase, vertexCount);
    const ClipSpaceMesh clipSpace{clipPositions, outsideMasks, divided, queuedVertices};
    clipAndQueue(geometry, clipSpace, heights, scene.materials, context, meshBase, threadCount, memory);
}

// Two triangles over the viewport rectangle at the far depth 1.0: they fill wherever no mesh
// has drawn. They are flat light blue, drawn with Gouraud interpolation and no texture, so
// nothing the last mesh left in the context tints them.
void drawBackground(RenderContext& context, DrawList& triangles) {
    int savedPhong = context.phongShading;
    context.phongShading = 0;
    context.textureMap = nullptr;
    context.normalMap = nullptr;
    const Colour lightBlue = makeColour(0.7f, 0.7f, 1.0f, 1.0f);
    auto corner = [&](float x, float y) {
        Vertex v = zeroVertex();
        v.position = {x, y, 1.0f, 0.0f};
        v.colour = lightBlue;
        pixelToNdc(v, context);
        return v;
    };
    const float x0 = context.viewportMinX, y0 = context.viewportMinY;
    const float x1 = context.viewportMaxX, y1 = context.viewportMaxY;
    queueTriangle(triangles, corner(x0, y0), corner(x1, y0), corner(x1, y1), context);
    queueTriangle(triangles, corner(x0, y0), corner(x1, y1), corner(x0, y1), context);
    context.phongShading = savedPhong;
}

}  // namespace

PixelBox renderScene(Scene& scene, RenderContext& context, const Matrix4& projection, int threadCount,
                     ScenePassMemory& memory, std::optional<BufferClear> clear) {
    Matrix4 view = currentViewMatrix(scene.cameras);
    scene.lighting.eyePosition = currentCameraPosition(scene.cameras);
    DrawList& triangles = memory.triangles;
    drawListClear(triangles);
    for (const TriMesh& mesh : scene.meshes.items) drawMesh(mesh, scene, context, view, projection, threadCount, memory);
    drawBackground(context, triangles);
    return drawTriangleList(triangles, scene.lighting, context, threadCount, clear);
}
