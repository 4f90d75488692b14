#include "app/session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "app/frame.h"
#include "app/scene_source.h"
#include "pipeline/camera.h"
#include "scene/parser.h"
#include "shading/pixel_batch.h"

#ifdef QUELMAR_HAVE_IMPORTER
#include "import/scene_import.h"
#endif

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
    sessionRememberCameras(session);
    return loaded;
}

bool sessionOpen(Session& session, const std::string& file, std::string& why, LoadLog log) {
    why.clear();
    if (sourceKind(file) == SourceKind::scene) return sessionStart(session, file, log);
#ifdef QUELMAR_HAVE_IMPORTER
    ImportOptions options;
    options.model = file;
    if (!importScene(options, session.scene, session.context, log, why)) return false;
    turnAllEffectsOn(session.context);
    sessionRememberCameras(session);
    return true;
#else
    why = "it is not a scene file, and this build opens no model files (it was built without the importer)";
    return false;
#endif
}

void sessionStartFromText(Session& session, std::string_view sceneText, LoadLog log) {
    sceneParse(session.scene, sceneText, "", session.context, log);
    turnAllEffectsOn(session.context);
    sessionRememberCameras(session);
}

void sessionRememberCameras(Session& session) {
    session.fileCameras = session.scene.cameras.items;
    session.movedCameras.assign(session.fileCameras.size(), false);
    session.pivot = scenePivot(session.scene);
}

namespace {

// The camera the mouse moves: the current one, or none in a scene without cameras.
Camera* movableCamera(Session& session) {
    CameraList& cameras = session.scene.cameras;
    if (cameras.current < 0 || cameras.current >= static_cast<int>(cameras.items.size())) return nullptr;
    if (session.movedCameras.size() < cameras.items.size()) session.movedCameras.resize(cameras.items.size(), false);
    session.movedCameras[static_cast<size_t>(cameras.current)] = true;
    return &cameras.items[static_cast<size_t>(cameras.current)];
}

constexpr float kDollyStep = 0.85f;  // the distance to the pivot shrinks to this per wheel step

std::string shownName(const std::string& name) {
    // The loader keeps a quoted name's closing quote.
    return !name.empty() && name.back() == '"' ? name.substr(0, name.size() - 1) : name;
}

const char* onOff(int flag) { return flag == 1 ? "on" : "off"; }

}  // namespace

void sessionOrbit(Session& session, float right, float up, int windowWidth, int windowHeight) {
    Camera* camera = movableCamera(session);
    if (!camera) return;
    float degreesPerPixel = 180.0f / static_cast<float>(std::max(std::min(windowWidth, windowHeight), 1));
    orbitCamera(*camera, session.pivot, right * degreesPerPixel, up * degreesPerPixel);
}

void sessionDolly(Session& session, int steps) {
    Camera* camera = movableCamera(session);
    if (!camera || steps == 0) return;
    dollyCamera(*camera, session.pivot, std::pow(kDollyStep, static_cast<float>(steps)));
}

void sessionPan(Session& session, float right, float up) {
    Camera* camera = movableCamera(session);
    if (!camera) return;
    panCamera(*camera, session.pivot, right, up, session.context.viewportMaxY - session.context.viewportMinY);
}

void sessionRestoreCamera(Session& session) {
    CameraList& cameras = session.scene.cameras;
    int current = cameras.current;
    if (current < 0 || current >= static_cast<int>(cameras.items.size()) ||
        current >= static_cast<int>(session.fileCameras.size()))
        return;
    cameras.items[static_cast<size_t>(current)] = session.fileCameras[static_cast<size_t>(current)];
    if (current < static_cast<int>(session.movedCameras.size())) session.movedCameras[static_cast<size_t>(current)] = false;
}

void sessionPlaceCamera(Session& session, const CameraPlacement& placement) {
    if (Camera* camera = movableCamera(session)) placeCamera(*camera, placement);
}

std::string sessionStatusLine(const Session& session) {
    const CameraList& cameras = session.scene.cameras;
    const RenderContext& c = session.context;
    std::string line;
    int current = cameras.current;
    if (current >= 0 && current < static_cast<int>(cameras.items.size())) {
        const Camera& camera = cameras.items[static_cast<size_t>(current)];
        line = "Camera " + std::to_string(current + 1) + " of " + std::to_string(cameras.items.size()) + " \"" +
               shownName(camera.name) + "\"";
        if (current < static_cast<int>(session.movedCameras.size()) && session.movedCameras[static_cast<size_t>(current)])
            line += " moved: --camera " + formatCameraPlacement(cameraPlacement(camera));
    } else {
        line = "No camera (the default view)";
    }
    return line + "; Phong shading " + onOff(c.phongShading) + ", texturing " + onOff(c.texturing) +
           ", normal mapping " + onOff(c.normalMapping);
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

namespace {

// The lines of a load log that report a problem: those starting "ERROR" and the reason lines
// indented under them.
std::string errorLines(const std::string& log) {
    std::string errors;
    bool inError = false;
    std::size_t at = 0;
    while (at < log.size()) {
        std::size_t end = log.find('\n', at);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string_view line(log.data() + at, end - at);
        inError = line.starts_with("ERROR") || (inError && line.starts_with("  "));
        if (inError) errors += line;
        at = end;
    }
    return errors;
}

}  // namespace

bool sessionReload(Session& session, const std::string& sceneFile, LoadLog log, std::string& errors) {
    std::ostringstream out, err;
    Session fresh;
    std::string why;
    bool loaded = sessionOpen(fresh, sceneFile, why, LoadLog{out, err, &out});
    errors = errorLines(out.str()) + err.str() + (why.empty() ? "" : "  " + why + "\n");
    if (!loaded || !errorLines(out.str()).empty()) return false;
    fresh.context.phongShading = session.context.phongShading;
    fresh.context.texturing = session.context.texturing;
    fresh.context.normalMapping = session.context.normalMapping;
    fresh.context.simdPath = session.context.simdPath;
    int current = session.scene.cameras.current;
    fresh.scene.cameras.current = current < static_cast<int>(fresh.scene.cameras.items.size()) ? current : 0;
    sessionReshape(fresh);
    session = std::move(fresh);
    log.out << out.str();
    log.out.flush();
    log.err << err.str();
    return true;
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
