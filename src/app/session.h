// What the viewer and the headless command share above the frame driver: loading a scene
// with the shading flags on, the window size it asks for, the key guide, and the keys.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/camera_control.h"
#include "core/math.h"
#include "core/render_context.h"
#include "core/simd_path.h"
#include "scene/load_log.h"
#include "scene/scene.h"

struct Session {
    Scene scene = sceneCreate();
    RenderContext context;
    Matrix4 projection = matrixIdentity();
    std::vector<Camera> fileCameras;  // the cameras as loaded, which a mouse move can be undone to
    std::vector<bool> movedCameras;   // by the mouse since loading
    Vec3 pivot{};                     // what the mouse turns the camera about
};

// Loads the scene file (console lines to `log`), turns all three shading effects on and picks
// the fastest shading path this machine runs. False when the file could not be opened (the
// scene is then empty).
bool sessionStart(Session& session, const std::string& sceneFile, LoadLog log = {});

// Opens `file` as sourceKind (scene_source.h) says: a scene file as sessionStart does, or a model
// imported in memory as quelmar-import would make it (its default size and texture limit),
// writing nothing; the import's warnings follow the load log. False when a scene file cannot be
// opened (reported through `log`; the scene is then empty and `why` stays empty), or, with the
// reason in `why`, when a model cannot be read or this build has no importer.
bool sessionOpen(Session& session, const std::string& file, std::string& why, LoadLog log = {});

// The same for a scene already in memory (such as one read from standard input); its images
// are looked up in the working directory only.
void sessionStartFromText(Session& session, std::string_view sceneText, LoadLog log = {});

// The shading path a name asks for (what the QUELMAR_SIMD environment variable holds; none or
// empty: the fastest this machine runs). False for a name that is unknown or that this machine
// cannot run; `path` is then unchanged.
bool pickSimdPath(const char* name, SimdPath& path);

// The paths this machine runs, space-separated, scalar first: "scalar sse2 avx2 avx512".
std::string runnableSimdPathNames();

// The path the QUELMAR_SIMD environment variable names, as pickSimdPath reads it. False, after a
// line on `err` that names the paths this machine runs, when it names none of them.
bool simdPathFromEnvironment(const char* program, SimdPath& path, std::ostream& err);

// Notes the cameras as loaded and the point the mouse turns them about; sessionStart and
// sessionStartFromText do this themselves.
void sessionRememberCameras(Session& session);

// Mouse moves of the current camera, proportional to the window (orbit) and the scene (dolly
// and pan, which scale with the distance to the pivot). `right` and `up` are pointer travel in
// window pixels; a drag across the window's height turns the camera half round.
void sessionOrbit(Session& session, float right, float up, int windowWidth, int windowHeight);
// Positive steps move towards the pivot, negative ones away.
void sessionDolly(Session& session, int steps);
void sessionPan(Session& session, float right, float up);
// Puts the current camera where the file had it.
void sessionRestoreCamera(Session& session);
// Puts the current camera at the placement (as quelmar-render's --camera does).
void sessionPlaceCamera(Session& session, const CameraPlacement& placement);

// One line on the state the keys and the mouse control: the current camera (number, count and
// name), where it is when the mouse moved it (as quelmar-render's --camera takes it), and the
// three effects, e.g.
//   Camera 2 of 3 "Side"; Phong shading on, texturing off, normal mapping on
//   Camera 1 of 3 "Front" moved: --camera 0.5,1,4,-12,30; Phong shading on, ...
std::string sessionStatusLine(const Session& session);

// Opens the scene or model file again into a session of its own. When that reads the file and reports no
// error line, the new scene replaces the session's, keeping the three effects and the current
// camera number (the first camera when the new scene has fewer), with the projection rebuilt;
// its load log then goes to `log`. Otherwise (a file caught half-written, say) the session is
// left as it was and `errors` holds the error lines.
bool sessionReload(Session& session, const std::string& sceneFile, LoadLog log, std::string& errors);

// Rebuilds the projection from the camera current now, as a window reshape does.
void sessionReshape(Session& session);

// Applies one key press as the viewer's keyboard does: S, T, N (either case) toggle Phong
// shading, texturing and normal mapping; `<`/`,` and `>`/`.` step through the cameras. The
// projection is not rebuilt. Other keys change nothing.
void sessionApplyKey(Session& session, unsigned char key);

// True for the keys sessionApplyKey acts on.
bool isViewerKey(unsigned char key);

struct WindowSize {
    int width;
    int height;
};

// The viewport's maximum corner plus a 40-pixel margin, truncated; a non-finite or absurd
// corner is held to 1 .. 8192 (NaN counts as 0, so the margin alone).
WindowSize initialWindowSize(const RenderContext& context);

// The key guide printed after the load log.
void printKeyGuide(std::ostream& out);
