// quelmar: the interactive viewer. GLUT owns the window and the main loop; OpenGL only clears
// the window and shows the finished colour buffer (as 8-bit pixels rounded as the PNG writer
// rounds them; see window_present.h). Everything below the window is the library that
// quelmar-render shares.
//
// Program-wide state lives here and only here: the session (scene, render context, projection)
// and the image of the last frame.
#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "app/frame.h"
#include "app/scene_watch.h"
#include "app/session.h"
#include "app/window_present.h"

namespace {

std::unique_ptr<Session> theSession;
Image displayImage;       // the last finished frame, shown until the next one replaces it
FrameMemory frameMemory;  // what each frame hands on to the next

// GLUT ends the process when the window manager closes the window, but not when another program
// destroys the window: the process would live on without one. So the window is looked for a few
// times a second, and its disappearance ends the process as a close would.
constexpr unsigned kWindowCheckMilliseconds = 250;
Display* windowDisplay = nullptr;
Window windowId = 0;
bool windowMissing = false;

int noteMissingWindow(Display*, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) windowMissing = true;
    return 0;
}

bool windowStillExists() {
    XSync(windowDisplay, False);  // earlier requests' errors go to the usual handler
    windowMissing = false;
    XErrorHandler previous = XSetErrorHandler(noteMissingWindow);
    XWindowAttributes attributes;
    Status found = XGetWindowAttributes(windowDisplay, windowId, &attributes);
    XSync(windowDisplay, False);
    XSetErrorHandler(previous);
    return found != 0 && !windowMissing;
}

// Ends the process as a close does, status 0, without winding GLUT and the OpenGL driver down:
// with the window gone their exit handlers would only run into more errors about it (and may
// not make X requests at all when called from an error handler).
[[noreturn]] void endQuietly() {
    std::cout.flush();
    std::fflush(nullptr);
    std::_Exit(0);
}

void requestNewFrame();
void printStatusLine();

// Live reload: the scene file and the images it names are looked at with the window. A change
// is acted on once the files have stayed the same for one more look, so that a file still being
// written is not read; one that fails to load all the same (an error line) leaves the last good
// scene on show, and its errors are printed once, until the files change again.
std::string sceneFile;
SceneWatch sceneWatch;    // the files as last loaded (or as last found failing)
SceneWatch changedFiles;  // a change seen, waiting to settle

void reloadIfChanged() {
    SceneWatch now = restamp(sceneWatch);
    if (now == sceneWatch) return;
    if (now != changedFiles) {
        changedFiles = now;
        return;
    }
    std::string errors;
    if (sessionReload(*theSession, sceneFile, LoadLog{std::cout, std::cerr}, errors)) {
        sceneWatch = watchScene(sceneFile, theSession->scene);
        printStatusLine();
        requestNewFrame();
    } else {
        sceneWatch = now;
        std::cout << "Reloading '" << sceneFile << "' failed; the last scene that loaded stays on show:\n"
                  << errors << std::flush;
    }
}

void windowCheckTimer(int) {
    if (!windowStillExists()) endQuietly();
    reloadIfChanged();
    glutTimerFunc(kWindowCheckMilliseconds, windowCheckTimer, 0);
}

// An X error about the window being gone (destroyed by another program while a frame was on its
// way to it) ends the viewer as a close would: quietly, with status 0. Any other error goes to
// the handler that was there before, which reports it.
XErrorHandler reportingErrorHandler = nullptr;
int glxErrorBase = -1;  // the GLX extension's first error code, when it has one

// The GLX extension's own codes for the same thing, from the GLX protocol.
constexpr int kGlxBadDrawable = 2, kGlxBadCurrentWindow = 5, kGlxBadCurrentDrawable = 11, kGlxBadWindow = 12;

bool isMissingWindowError(const XErrorEvent& error) {
    if (error.error_code == BadWindow || error.error_code == BadDrawable)
        return windowId == 0 || error.resourceid == windowId;
    if (glxErrorBase < 0) return false;
    int glx = error.error_code - glxErrorBase;
    return glx == kGlxBadDrawable || glx == kGlxBadCurrentWindow || glx == kGlxBadCurrentDrawable ||
           glx == kGlxBadWindow;
}

int endIfWindowGone(Display* display, XErrorEvent* error) {
    bool windowGone = isMissingWindowError(*error);
    if (windowGone) endQuietly();
    return reportingErrorHandler ? reportingErrorHandler(display, error) : 0;
}

void watchWindow() {
    windowDisplay = glXGetCurrentDisplay();
    windowId = glXGetCurrentDrawable();
    int glxEventBase = 0;
    if (windowDisplay && !glXQueryExtension(windowDisplay, &glxErrorBase, &glxEventBase)) glxErrorBase = -1;
    reportingErrorHandler = XSetErrorHandler(endIfWindowGone);
    if (windowDisplay && windowId) glutTimerFunc(kWindowCheckMilliseconds, windowCheckTimer, 0);
}

// A scene file that cannot be opened leaves the empty scene, as the loader reports; a model that
// cannot be read ends the viewer.
void startUp(int argc, char** argv, SimdPath simdPath) {
    theSession = std::make_unique<Session>();
    sceneFile = argc < 2 ? "scene.txt" : argv[1];
    std::string why;
    if (!sessionOpen(*theSession, sceneFile, why) && !why.empty()) {
        std::cerr << "quelmar: cannot read '" << sceneFile << "': " << why << "\n";
        std::exit(1);
    }
    sceneWatch = watchScene(sceneFile, theSession->scene);
    theSession->context.simdPath = simdPath;
    WindowSize size = initialWindowSize(theSession->context);
    glutReshapeWindow(size.width, size.height);
    printKeyGuide(std::cout);
}

// Set by everything that changes the picture (keys, the mouse, a new window size, a reload);
// a display request without it is a pure expose, which shows the frame already held.
bool frameStale = true;

WindowPresenter presenter;  // the frame's way to the window

void displayCallback() {
    int width = glutGet(GLUT_WINDOW_WIDTH);
    if (width == 0) return;  // minimised: nothing rendered, drawn or swapped
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (height <= 0) return;
    const bool exposeOnly = !frameStale && displayImage.width == width && displayImage.height == height;
    if (!exposeOnly) {
        displayImage = renderFrame(theSession->scene, theSession->context, theSession->projection, width, height, 0,
                                   frameMemory, std::move(displayImage));
        presenterTakeFrame(presenter, displayImage, frameMemory.drawn);
        frameStale = false;
    }
    if (presenterShow(presenter, displayImage, exposeOnly)) glutSwapBuffers();
}

// The aspect ratio comes from the scene's viewport, never from the window.
void reshapeCallback(int width, int height) {
    sessionReshape(*theSession);
    frameStale = true;
    presenterResized(presenter);
    glViewport(-1, -1, width, height);
}

void requestNewFrame() {
    frameStale = true;
    glutPostRedisplay();
}

void printStatusLine() {
    std::cout << sessionStatusLine(*theSession) << std::endl;
}

void keyboardCallback(unsigned char key, int, int) {
    sessionApplyKey(*theSession, key);
    printStatusLine();
    requestNewFrame();
}

// The mouse: a left drag orbits the current camera about the scene's centre, a right or middle
// drag pans, the wheel dollies; a middle click without a drag puts the camera back where the
// file has it. The picture follows the drag; the status line comes when the drag ends.
struct MouseDrag {
    int button = -1;  // none
    int x = 0;
    int y = 0;
    bool moved = false;
};
MouseDrag mouseDrag;
constexpr int kClickSlop = 3;  // pointer travel (pixels) that still counts as a click
constexpr int kWheelUp = 3;    // GLUT reports the wheel as buttons 3 and 4
constexpr int kWheelDown = 4;

void mouseCallback(int button, int state, int x, int y) {
    if (button == kWheelUp || button == kWheelDown) {
        if (state != GLUT_DOWN) return;
        sessionDolly(*theSession, button == kWheelUp ? 1 : -1);
        printStatusLine();
        requestNewFrame();
        return;
    }
    if (state == GLUT_DOWN) {
        if (mouseDrag.button < 0) mouseDrag = {button, x, y, false};
        return;
    }
    if (button != mouseDrag.button) return;
    if (mouseDrag.moved) {
        printStatusLine();
    } else if (button == GLUT_MIDDLE_BUTTON) {
        sessionRestoreCamera(*theSession);
        printStatusLine();
        requestNewFrame();
    }
    mouseDrag.button = -1;
}

void motionCallback(int x, int y) {
    if (mouseDrag.button < 0) return;
    int right = x - mouseDrag.x, up = mouseDrag.y - y;  // window y grows downwards
    if (right == 0 && up == 0) return;
    if (!mouseDrag.moved && std::abs(right) + std::abs(up) < kClickSlop) return;
    mouseDrag.moved = true;
    mouseDrag.x = x;
    mouseDrag.y = y;
    if (mouseDrag.button == GLUT_LEFT_BUTTON) {
        sessionOrbit(*theSession, static_cast<float>(right), static_cast<float>(up), glutGet(GLUT_WINDOW_WIDTH),
                     glutGet(GLUT_WINDOW_HEIGHT));
    } else {
        sessionPan(*theSession, static_cast<float>(right), static_cast<float>(up));
    }
    requestNewFrame();
}

}  // namespace

int main(int argc, char** argv) {
    SimdPath simdPath = SimdPath::scalar;
    if (!simdPathFromEnvironment("quelmar", simdPath, std::cerr)) return 1;
    glutInit(&argc, argv);  // may take GLUT's own options out of argv
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Quelmar, Instructions in Console");
    startUp(argc, argv, simdPath);
    presenterStart(presenter);
    glutDisplayFunc(displayCallback);
    glutReshapeFunc(reshapeCallback);
    glutKeyboardFunc(keyboardCallback);
    glutMouseFunc(mouseCallback);
    glutMotionFunc(motionCallback);
    watchWindow();
    glutMainLoop();
    return 0;
}
