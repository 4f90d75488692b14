#include "app/session.h"

#include <cmath>
#include <cstdlib>

#include "app/frame.h"
#include "pipeline/camera.h"
#include "scene/parser.h"
#include "shading/pixel_batch.h"

namespace {
void turnAllEffectsOn(RenderContext& context) {
    context.phongShading = 1;
    context.texturing = 1;
    context.normalMapping = 1;
    context.simdPath = fastestSimdPath();
}
}  // namespace

bool sessionStart(Session& session, const std::string& sceneFile, LoadLog log) {
    bool loaded = sceneLoad(session.scene, sceneFile, session.context, log);
    turnAllEffectsOn(session.context);
    return loaded;
}

void sessionStartFromText(Session& session, std::string_view sceneText, LoadLog log) {
    sceneParse(session.scene, sceneText, "", session.context, log);
    turnAllEffectsOn(session.context);
}

bool pickSimdPath(const char* name, SimdPath& path) {
    if (!name || !*name) {
        path = fastestSimdPath();
        return true;
    }
    SimdPath named;
    if (!simdPathFromName(name, named) || (named != SimdPath::scalar && !shadingKernels(named))) return false;
    path = named;
    return true;
}

std::string runnableSimdPathNames() {
    SimdPath paths[5];
    int count = runnableSimdPaths(paths);
    std::string names;
    for (int i = 0; i < count; ++i) {
        if (i > 0) names += ' ';
        names += simdPathName(paths[i]);
    }
    return names;
}

bool simdPathFromEnvironment(const char* program, SimdPath& path, std::ostream& err) {
    const char* name = std::getenv("QUELMAR_SIMD");
    if (pickSimdPath(name, path)) return true;
    err << program << ": QUELMAR_SIMD='" << name << "' is not a SIMD path this machine runs; it runs: "
        << runnableSimdPathNames() << "\n";
    return false;
}

void sessionReshape(Session& session) { session.projection = reshapeProjection(session.scene, session.context); }

void sessionApplyKey(Session& session, unsigned char key) {
    switch (key) {
        case ',': case '<': stepCamera(session.scene.cameras, -1); break;
        case '.': case '>': stepCamera(session.scene.cameras, +1); break;
        case 'N': case 'n': toggleFlag(session.context.normalMapping); break;
        case 'S': case 's': toggleFlag(session.context.phongShading); break;
        case 'T': case 't': toggleFlag(session.context.texturing); break;
        default: break;
    }
}

bool isViewerKey(unsigned char key) {
    switch (key) {
        case ',': case '<': case '.': case '>': case 'N': case 'n': case 'S': case 's': case 'T': case 't': return true;
        default: return false;
    }
}

namespace {
constexpr float kMaxWindowExtent = 8192.0f;

int windowExtent(float viewportMax) {
    float extent = viewportMax + 40.0f;
    if (std::isnan(extent)) extent = 40.0f;
    if (extent < 1.0f) extent = 1.0f;
    if (extent > kMaxWindowExtent) extent = kMaxWindowExtent;
    return static_cast<int>(extent);
}
}  // namespace

WindowSize initialWindowSize(const RenderContext& context) {
    return {windowExtent(context.viewportMaxX), windowExtent(context.viewportMaxY)};
}

void printKeyGuide(std::ostream& out) {
    out << "\n\n\n\n\n\n\n\n\n\n\n\n\nWelcome to Quelmar's Graphical Programming Assignment.\n"
        << "\n\n"
        << "Buttons:\n"
        << "S turns on/off Phong Shading and replaces it with Gouraud\n"
        << "T turns on/off Diffuse Texturing\n"
        << "N turns on/off Normal Mapping\n"
        << "< or > switches cameras.\n\n"
        << "Hope you enjoy!\n\n\n\n\n\n\n\n\n\n\n\n\n";
    out.flush();
}
