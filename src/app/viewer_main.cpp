// quelmar: the interactive viewer. GLUT owns the window and the main loop; OpenGL only clears
// the window and shows the finished colour buffer (as 8-bit pixels rounded as the PNG writer
// rounds them). Everything below the window is the library that quelmar-render shares.
//
// Program-wide state lives here and only here: the session (scene, render context, projection)
// and the image of the last frame.
#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/frame.h"
#include "app/scene_watch.h"
#include "app/session.h"
#include "app/window_pixels.h"
#include "raster/draw_list.h"

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

// The frame goes to the window as a texture of 8-bit pixels converted by us (see
// window_pixels.h). The texture is made once per window size, and for each frame only the box
// of pixels that are not white is refilled and drawn; the rest of the window is cleared to
// white, the same bytes, at a fraction of the cost when a small viewport sits in a large
// window. So presenting allocates nothing. A window larger than the texture limit falls back to
// drawing the float pixels directly.
struct WindowTexture {
    GLuint name = 0;
    int width = 0;
    int height = 0;
    GLint largestSide = 0;
    PixelBox drawn;  // the frame's pixels that are not white
};
WindowTexture windowTexture;
std::vector<std::uint8_t> windowBytes;

bool fitsTexture(const Image& frame) {
    if (windowTexture.largestSide == 0) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &windowTexture.largestSide);
    return frame.width <= windowTexture.largestSide && frame.height <= windowTexture.largestSide;
}

void makeWindowTexture() {
    glGenTextures(1, &windowTexture.name);
    glBindTexture(GL_TEXTURE_2D, windowTexture.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

// Only the frame's drawn box is converted, and of it only the pixels that are not white are
// uploaded: the texture's other texels are never shown.
void uploadFrame(const Image& frame, const PixelBox& frameDrawn) {
    const PixelBox drawn = windowPixels(frame, frameDrawn, windowBytes, defaultThreadCount());
    if (windowTexture.name == 0) makeWindowTexture();
    glBindTexture(GL_TEXTURE_2D, windowTexture.name);
    windowTexture.drawn = drawn;
    if (frame.width != windowTexture.width || frame.height != windowTexture.height) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frame.width, frame.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        windowTexture.width = frame.width;
        windowTexture.height = frame.height;
    }
    if (boxEmpty(drawn)) return;
    // Only the box, read out of the whole frame's rows.
    glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.width);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, drawn.minX);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, drawn.minY);
    glTexSubImage2D(GL_TEXTURE_2D, 0, drawn.minX, drawn.minY, drawn.maxX - drawn.minX + 1, drawn.maxY - drawn.minY + 1,
                    GL_RGBA, GL_UNSIGNED_BYTE, windowBytes.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
}

// The window cleared for the frame: white where the frame lies (pixels outside its box are white
// too), and black in the top row and the right column, which the frame, drawn one pixel down
// and left, leaves to the clear colour.
void clearWindow(int width, int height) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glEnable(GL_SCISSOR_TEST);
    glScissor(width - 1, 0, 1, height);
    glClear(GL_COLOR_BUFFER_BIT);
    glScissor(0, height - 1, width, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

// With the viewport at (-1, -1) and the frame as large as the window, the quad's texel centres
// fall on pixel centres: image column i, row j lands on window column i - 1, row j - 1, as the
// float pixels drawn at raster position (-1, -1) would. The scissor keeps the drawing to the
// box of pixels that are not white, and leaves the quad, and so every texel it samples, as it is.
void drawFrame(const Image& frame) {
    if (!fitsTexture(frame)) {
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(-1, -1);
        glDrawPixels(frame.width, frame.height, GL_RGBA, GL_FLOAT, frame.pixels.data());
        return;
    }
    clearWindow(frame.width, frame.height);
    const PixelBox& drawn = windowTexture.drawn;
    if (boxEmpty(drawn)) return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(drawn.minX - 1, drawn.minY - 1, drawn.maxX - drawn.minX + 1, drawn.maxY - drawn.minY + 1);
    glBindTexture(GL_TEXTURE_2D, windowTexture.name);
    glEnable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_SCISSOR_TEST);
}

void displayCallback() {
    int width = glutGet(GLUT_WINDOW_WIDTH);
    if (width == 0) return;  // minimised: nothing rendered, drawn or swapped
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    if (height <= 0) return;
    if (frameStale || displayImage.width != width || displayImage.height != height) {
        displayImage = renderFrame(theSession->scene, theSession->context, theSession->projection, width, height, 0,
                                   frameMemory, std::move(displayImage));
        if (fitsTexture(displayImage)) uploadFrame(displayImage, frameMemory.drawn);
        frameStale = false;
    }
    drawFrame(displayImage);
    glutSwapBuffers();
}

// The aspect ratio comes from the scene's viewport, never from the window.
void reshapeCallback(int width, int height) {
    sessionReshape(*theSession);
    frameStale = true;
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
    glutDisplayFunc(displayCallback);
    glutReshapeFunc(reshapeCallback);
    glutKeyboardFunc(keyboardCallback);
    glutMouseFunc(mouseCallback);
    glutMotionFunc(motionCallback);
    watchWindow();
    glutMainLoop();
    return 0;
}
