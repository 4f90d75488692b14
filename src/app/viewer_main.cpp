// quelmar: the interactive viewer. GLUT owns the window and the main loop; OpenGL only clears
// the window and draws the finished float RGBA colour buffer. Everything below the window is
// the library that quelmar-render shares.
//
// Program-wide state lives here and only here: the session (scene, render context, projection)
// and the image of the last frame.
#include <GL/freeglut.h>
#include <GL/glx.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <utility>

#include "app/frame.h"
#include "app/session.h"

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

void windowCheckTimer(int) {
    if (!windowStillExists()) {
        // Errors about the vanished window while GLUT winds down mean nothing now.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
        glutLeaveMainLoop();
        return;
    }
    glutTimerFunc(kWindowCheckMilliseconds, windowCheckTimer, 0);
}

void watchWindow() {
    windowDisplay = glXGetCurrentDisplay();
    windowId = glXGetCurrentDrawable();
    if (windowDisplay && windowId) glutTimerFunc(kWindowCheckMilliseconds, windowCheckTimer, 0);
}

void startUp(int argc, char** argv, SimdPath simdPath) {
    theSession = std::make_unique<Session>();
    std::string sceneFile = argc < 2 ? "scene.txt" : argv[1];
    sessionStart(*theSession, sceneFile);
    theSession->context.simdPath = simdPath;
    WindowSize size = initialWindowSize(theSession->context);
    glutReshapeWindow(size.width, size.height);
    printKeyGuide(std::cout);
}

void displayCallback() {
    glClear(GL_COLOR_BUFFER_BIT);
    int width = glutGet(GLUT_WINDOW_WIDTH);
    if (width == 0) return;  // minimised: nothing rendered, drawn or swapped
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    displayImage = renderFrame(theSession->scene, theSession->context, theSession->projection, width, height, 0,
                               frameMemory, std::move(displayImage));
    // With the viewport at (-1, -1), image column i, row j lands on window column i - 1, row j - 1.
    glRasterPos2i(-1, -1);
    glDrawPixels(displayImage.width, displayImage.height, GL_RGBA, GL_FLOAT, displayImage.pixels.data());
    glutSwapBuffers();
}

// The aspect ratio comes from the scene's viewport, never from the window.
void reshapeCallback(int width, int height) {
    sessionReshape(*theSession);
    glViewport(-1, -1, width, height);
}

void printStatusLine() {
    std::cout << sessionStatusLine(*theSession) << std::endl;
}

void keyboardCallback(unsigned char key, int, int) {
    sessionApplyKey(*theSession, key);
    printStatusLine();
    glutPostRedisplay();
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
        glutPostRedisplay();
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
        glutPostRedisplay();
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
    glutPostRedisplay();
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
