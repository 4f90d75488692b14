// The queue of a frame's triangles drawn band by band: batches shared by consecutive
// triangles, triangles binned into bands, and the narrow walkers of the batched modes must
// all give exactly the picture of drawing each triangle on its own, one pixel at a time.
#include "raster/draw_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "raster/canvas.h"
#include "shading/pixel_batch.h"

namespace {

// Phong lighting that makes the normal, the position and the texture coordinate show in the
// colour, so that a pixel from the wrong triangle or the wrong walk step is seen.
struct LitCanvas : Canvas {
    Image texture = imageCreate(4, 4);
    Material material;
    LitCanvas(int width, int height) : Canvas(width, height) {
        for (int i = 0; i < 16; ++i)
            texture.pixels[static_cast<size_t>(i)] = makeColour(i / 16.0f, 1 - i / 16.0f, (i % 3) / 2.0f, 1);
        material.ambient = makeColour(0.1f, 0.1f, 0.1f, 1);
        material.diffuse = makeColour(0.7f, 0.6f, 0.5f, 1);
        material.specular = makeColour(1, 1, 1, 1);
        material.shininess = 12;
        lighting.ambience = makeColour(0.5f, 0.5f, 0.5f, 1);
        lighting.attenuation = {1, 0, 0};
        lighting.eyePosition = {0, 0, 5};
        lighting.lights.push_back({{2, 3, 4, 1}, makeColour(1, 0.9f, 0.8f, 1)});
        context.material = &material;
        context.textureMap = &texture;
        context.phongShading = 1;
        context.texturing = 1;
    }

    // A vertex at pixel (x, y) whose other fields vary with the position and `seed`.
    Vertex corner(float x, float y, float z, float seed) const {
        Vertex v = at(x, y, z, makeColour(0.3f + seed * 0.1f, x / 64, y / 64, 1));
        v.normal = {std::sin(seed + x * 0.1f), std::cos(seed - y * 0.1f), 1, 0};
        v.worldPosition = {x * 0.05f, y * 0.05f, seed, 1};
        v.tangent = {1, seed, 0, 0};
        v.texCoord = {x / 7 + seed, y / 5};
        v.viewDepth = -1 - x / 50 - seed;
        return v;
    }
};

bool samePixels(const Image& a, const Image& b) {
    return a.pixels.size() == b.pixels.size() &&
           std::memcmp(a.pixels.data(), b.pixels.data(), a.pixels.size() * sizeof(Colour)) == 0;
}

struct Triangle {
    Vertex a, b, c;
};

// The reference: each triangle on its own, shaded one pixel at a time.
Image drawOneByOne(LitCanvas canvas, const std::vector<Triangle>& triangles) {
    canvas.context.colourBuffer = &canvas.colour;
    canvas.context.depthBuffer = &canvas.depth;
    canvas.context.simdPath = SimdPath::scalar;
    for (const Triangle& t : triangles) drawTriangle(t.a, t.b, t.c, canvas.lighting, canvas.context);
    return canvas.colour;
}

Image drawQueued(LitCanvas canvas, const std::vector<Triangle>& triangles, SimdPath path, int threads) {
    canvas.context.colourBuffer = &canvas.colour;
    canvas.context.depthBuffer = &canvas.depth;
    canvas.context.simdPath = path;
    DrawList list;
    for (const Triangle& t : triangles) queueTriangle(list, t.a, t.b, t.c, canvas.context);
    drawTriangleList(list, canvas.lighting, canvas.context, threads);
    return canvas.colour;
}

// Every path this machine runs, at 1, 2 and 3 threads, against the reference.
void expectEveryWayAlike(const LitCanvas& canvas, const std::vector<Triangle>& triangles, const char* what) {
    const Image reference = drawOneByOne(canvas, triangles);
    SimdPath paths[5];
    const int pathCount = runnableSimdPaths(paths);
    for (int i = 0; i < pathCount; ++i)
        for (int threads : {1, 2, 3})
            EXPECT_TRUE(samePixels(drawQueued(canvas, triangles, paths[i], threads), reference))
                << what << " on " << simdPathName(paths[i]) << " with " << threads << " threads";
}

TEST(TriangleQueue, PixelsDrawnTwiceInOneBatchKeepTheLaterTriangle) {
    // Small triangles, each drawn twice in a row at the same depth with other normals and
    // texture coordinates, so that both copies of a pixel land in one batch, even in one
    // vector of lanes: the second must win. Then every other one again, nearer the viewer.
    LitCanvas canvas(48, 12);
    auto small = [&](int i, float z, float seed) {
        const float x = 1.3f + 2.9f * static_cast<float>(i);
        return Triangle{canvas.corner(x, 3.2f, z, seed), canvas.corner(x + 2.6f, 3.6f, z, seed),
                        canvas.corner(x + 0.7f, 5.4f, z, seed)};
    };
    std::vector<Triangle> triangles, later, withoutLater;
    for (int i = 0; i < 15; ++i) {
        triangles.push_back(small(i, 0.5f, 0));
        triangles.push_back(small(i, 0.5f, 1.7f));
        later.push_back(triangles.back());
        withoutLater.push_back(triangles[triangles.size() - 2]);
    }
    for (int i = 0; i < 15; i += 2) {
        triangles.push_back(small(i, 0.25f, 3.1f));
        later.push_back(triangles.back());
        withoutLater.push_back(triangles.back());
    }
    for (int mode : {1, 0}) {  // Phong, then textured Gouraud
        LitCanvas lit = canvas;
        lit.context.phongShading = mode;
        expectEveryWayAlike(lit, triangles, mode ? "phong" : "textured gouraud");
    }
    // The later copy really is what shows: drawn alone it gives the same pixels.
    EXPECT_TRUE(samePixels(drawOneByOne(canvas, triangles), drawOneByOne(canvas, later)));
    EXPECT_FALSE(samePixels(drawOneByOne(canvas, triangles), drawOneByOne(canvas, withoutLater)));
}

TEST(TriangleQueue, TinyTrianglesAcrossBandBoundaries) {
    // Triangles of a pixel or two, and slivers, with corners on both sides of the 16-row band
    // boundaries and exactly on them, in a dense field: single rows, single pixels, rows with
    // no pixel, and rows continued from the band before.
    LitCanvas canvas(40, 52);
    std::vector<Triangle> triangles;
    int n = 0;
    for (float boundary : {16.0f, 32.0f, 48.0f})
        for (float dy : {-1.5f, -0.75f, -0.5f, -0.3f, 0.0f, 0.25f, 0.5f})
            for (float x = 0.6f; x < 38; x += 2.35f) {
                const float seed = static_cast<float>(n++ % 5) * 0.4f, y = boundary + dy;
                const float z = 0.3f + 0.01f * static_cast<float>(n % 7);
                triangles.push_back({canvas.corner(x, y, z, seed), canvas.corner(x + 1.3f, y + 0.2f, z, seed),
                                     canvas.corner(x + 0.4f, y + 0.9f + dy * 0.5f, z, seed)});
                triangles.push_back({canvas.corner(x + 0.2f, y - 2.6f, z, seed),
                                     canvas.corner(x + 0.9f, y + 1.6f, z, seed),
                                     canvas.corner(x + 0.1f, y + 0.5f, z, seed)});
            }
    for (int mode : {1, 0}) {
        LitCanvas lit = canvas;
        lit.context.phongShading = mode;
        expectEveryWayAlike(lit, triangles, mode ? "phong" : "textured gouraud");
        lit.context.texturing = 0;  // the flat colour, written without a batch
        expectEveryWayAlike(lit, triangles, mode ? "phong untextured" : "plain gouraud");
    }
    int drawn = 0;
    const Image reference = drawOneByOne(canvas, triangles);
    for (const Colour& c : reference.pixels) drawn += c.r != 1 || c.g != 1 || c.b != 1;
    EXPECT_GT(drawn, 200) << "the triangles cover pixels on both sides of the boundaries";
}

}  // namespace
