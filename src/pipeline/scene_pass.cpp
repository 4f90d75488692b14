// The scene pass: each mesh's working copy from object space to clip space, culled, clipped,
// divided by w and queued; then the light-blue background behind everything; then the queue
// is rasterized.
#include "pipeline/scene_pass.h"

#include "core/parallel.h"
#include "pipeline/camera.h"
#include "pipeline/clipping.h"
#include "pipeline/triangulation.h"
#include "raster/depth.h"
#include "shading/gouraud.h"

namespace {

// One vertex from object space to clip space: world space first (where the Gouraud colour is
// lit, and where per-pixel lighting wants the position and, for normal mapping, the tangent),
// then view space, whose z is kept for perspective-correct texturing, then clip space.
// Normals and tangents take the model matrix directly: it is a rotation and a move.
struct VertexStage {
    const Matrix4& model;
    const Matrix4& view;
    const Matrix4& projection;
    const Material* gouraudMaterial;  // none in Phong mode
    const SceneLighting& lighting;
    const RenderContext& context;

    void operator()(Vertex& v) const {
        v.position = matrixTransform(model, v.position);
        v.normal = matrixTransform(model, v.normal);
        if (context.phongShading == 1) {
            v.worldPosition = v.position;
            if (context.normalMapping == 1) v.tangent = matrixTransform(model, v.tangent);
        }
        if (gouraudMaterial) lightVertex(v, *gouraudMaterial, lighting, context);
        v.position = matrixTransform(view, v.position);
        v.viewDepth = v.position.z;
        v.position = matrixTransform(projection, v.position);
    }
};

// Each vertex's way is its own, so a large mesh shares it out between the threads.
constexpr std::size_t kVerticesPerThread = 4096;

// Every vertex a polygon may name, unused ones too: dividing each once gives the values that
// dividing each polygon's copies would.
void divideByW(PolygonList& list) {
    for (Vertex& v : list.vertices) vec4Homogenize(v.position);
}

void drawMesh(const TriMesh& mesh, Scene& scene, RenderContext& context, const Matrix4& view,
              const Matrix4& projection, int threadCount, ScenePassMemory& memory) {
    if (mesh.geometryIndex < 0 || mesh.geometryIndex >= static_cast<int>(scene.meshes.geometry.size())) return;
    const MeshGeometry& geometry = scene.meshes.geometry[static_cast<size_t>(mesh.geometryIndex)];
    if (geometry.surfaces.empty()) return;  // nothing to draw, and no material to light it with
    std::vector<Vertex>& workingCopy = memory.polygons.vertices;  // the pass never writes the scene's
    workingCopy.assign(geometry.vertices.begin(), geometry.vertices.end());
    const Material* gouraudMaterial = nullptr;
    if (context.phongShading == 0) {
        // Gouraud: the whole mesh is lit with its first surface's material and texture.
        int k = geometry.surfaces.front().materialIndex;
        gouraudMaterial = &materialAt(scene.materials, k);
        context.textureMap = materialTextureImage(scene.materials, k);
        context.normalMap = nullptr;
    }
    const VertexStage stage{mesh.modelMatrix, view, projection, gouraudMaterial, scene.lighting, context};
    forEachRange(workingCopy.size(), threadCount, kVerticesPerThread, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) stage(workingCopy[i]);
    });
    clipMesh(geometry.surfaces, memory.polygons);
    divideByW(memory.polygons);
    drawPolygons(memory.polygons, scene.materials, context, memory.triangles);
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

void renderScene(Scene& scene, RenderContext& context, const Matrix4& projection, int threadCount,
                 ScenePassMemory& memory) {
    Matrix4 view = currentViewMatrix(scene.cameras);
    scene.lighting.eyePosition = currentCameraPosition(scene.cameras);
    DrawList& triangles = memory.triangles;
    drawListClear(triangles);
    for (const TriMesh& mesh : scene.meshes.items) drawMesh(mesh, scene, context, view, projection, threadCount, memory);
    drawBackground(context, triangles);
    drawTriangleList(triangles, scene.lighting, context, threadCount);
}
