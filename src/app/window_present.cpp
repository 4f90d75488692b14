#include "app/window_present.h"

#include <algorithm>
#include <cstring>

#include "app/window_pixels.h"
#include "raster/draw_list.h"

namespace {

bool fitsTexture(WindowPresenter& presenter, const Image& frame) {
    if (presenter.largestSide == 0) glGetIntegerv(GL_MAX_TEXTURE_SIZE, &presenter.largestSide);
    return frame.width <= presenter.largestSide && frame.height <= presenter.largestSide;
}

void makeTexture(WindowPresenter& presenter) {
    glGenTextures(1, &presenter.texture);
    glBindTexture(GL_TEXTURE_2D, presenter.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

// The window rectangle an image box lands on: one pixel down and left, cut to the window.
struct WindowRect {
    int x, y, width, height;
};

WindowRect windowRectOf(const PixelBox& box) {
    const int x = std::max(box.minX - 1, 0), y = std::max(box.minY - 1, 0);
    return {x, y, std::max(box.maxX - x, 0), std::max(box.maxY - y, 0)};
}

bool boxContains(const PixelBox& outer, const PixelBox& inner) {
    return boxEmpty(inner) || (inner.minX >= outer.minX && inner.maxX <= outer.maxX && inner.minY >= outer.minY &&
                               inner.maxY <= outer.maxY);
}

void clearRect(const WindowRect& rect, float grey) {
    glClearColor(grey, grey, grey, grey);
    glScissor(rect.x, rect.y, rect.width, rect.height);
    glClear(GL_COLOR_BUFFER_BIT);
}

// The whole window cleared for a frame: white where the frame lies (pixels outside its box are
// white too), and black in the top row and the right column, which the frame, drawn one pixel
// down and left, leaves to the clear colour.
void clearWindow(int width, int height) {
    glEnable(GL_SCISSOR_TEST);
    clearRect({0, 0, width, height}, 1);
    clearRect({width - 1, 0, 1, height}, 0);
    clearRect({0, height - 1, width, 1}, 0);
    glDisable(GL_SCISSOR_TEST);
}

// With the viewport at (-1, -1) and the texture as large as the window, the quad's texel centres
// fall on pixel centres: image column i, row j lands on window column i - 1, row j - 1, as the
// float pixels drawn at raster position (-1, -1) would. The scissor keeps the drawing to the
// box, and leaves the quad, and so every texel it samples, as it is.
void drawBox(const WindowPresenter& presenter, const PixelBox& box) {
    if (boxEmpty(box)) return;
    const WindowRect rect = windowRectOf(box);
    glEnable(GL_SCISSOR_TEST);
    glScissor(rect.x, rect.y, rect.width, rect.height);
    glBindTexture(GL_TEXTURE_2D, presenter.texture);
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

// Copies a rectangle of the back buffer to the window. The rectangle is first cut to the window
// as it is now: one made smaller since the frame began has a back buffer no larger than the
// window, and a rectangle beyond it would be an X error. (Its reshape follows and redraws.)
void copyToWindow(const WindowPresenter& presenter, WindowRect rect) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    if (!XGetGeometry(display, drawable, &root, &x, &y, &width, &height, &border, &depth)) return;
    rect.width = std::min(rect.width, static_cast<int>(width) - rect.x);
    rect.height = std::min(rect.height, static_cast<int>(height) - rect.y);
    if (rect.width > 0 && rect.height > 0) presenter.copyPart(display, drawable, rect.x, rect.y, rect.width, rect.height);
}

// A window larger than the texture limit: the float pixels drawn directly, then swapped.
void drawFloatPixels(const Image& frame) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(-1, -1);
    glDrawPixels(frame.width, frame.height, GL_RGBA, GL_FLOAT, frame.pixels.data());
}

}  // namespace

void presenterStart(WindowPresenter& presenter) {
    Display* display = glXGetCurrentDisplay();
    if (!display) return;
    const char* extensions = glXQueryExtensionsString(display, DefaultScreen(display));
    if (!extensions || !std::strstr(extensions, "GLX_MESA_copy_sub_buffer")) return;
    presenter.copyPart = reinterpret_cast<PFNGLXCOPYSUBBUFFERMESAPROC>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCopySubBufferMESA")));
}

void presenterTakeFrame(WindowPresenter& presenter, const Image& frame, const PixelBox& frameDrawn) {
    if (!fitsTexture(presenter, frame)) return;
    const PixelBox drawn = windowPixels(frame, frameDrawn, presenter.bytes, defaultThreadCount());
    if (presenter.texture == 0) makeTexture(presenter);
    glBindTexture(GL_TEXTURE_2D, presenter.texture);
    presenter.drawn = drawn;
    if (frame.width != presenter.textureWidth || frame.height != presenter.textureHeight) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frame.width, frame.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        presenter.textureWidth = frame.width;
        presenter.textureHeight = frame.height;
    }
    if (boxEmpty(drawn)) return;
    // Only the box, read out of the whole frame's rows; the texture's other texels are never shown.
    glPixelStorei(GL_UNPACK_ROW_LENGTH, frame.width);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, drawn.minX);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, drawn.minY);
    glTexSubImage2D(GL_TEXTURE_2D, 0, drawn.minX, drawn.minY, drawn.maxX - drawn.minX + 1, drawn.maxY - drawn.minY + 1,
                    GL_RGBA, GL_UNSIGNED_BYTE, presenter.bytes.data());
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
}

bool presenterShow(WindowPresenter& presenter, const Image& frame, bool exposeOnly) {
    const WindowRect window{0, 0, frame.width, frame.height};
    if (!fitsTexture(presenter, frame)) {
        drawFloatPixels(frame);
        presenter.backShowsFrame = false;
        return true;
    }
    if (!presenter.copyPart || !presenter.backShowsFrame) {
        clearWindow(frame.width, frame.height);
        drawBox(presenter, presenter.drawn);
        if (!presenter.copyPart) return true;
        copyToWindow(presenter, window);
    } else if (exposeOnly) {
        copyToWindow(presenter, window);
    } else {
        // The last frame's box is white again where the new one does not cover it.
        if (!boxContains(presenter.drawn, presenter.backDrawn)) {
            glEnable(GL_SCISSOR_TEST);
            clearRect(windowRectOf(presenter.backDrawn), 1);
            glDisable(GL_SCISSOR_TEST);
        }
        drawBox(presenter, presenter.drawn);
        copyToWindow(presenter, windowRectOf(boxUnion(presenter.backDrawn, presenter.drawn)));
    }
    presenter.backShowsFrame = true;
    presenter.backDrawn = presenter.drawn;
    return false;
}

void presenterResized(WindowPresenter& presenter) {
    if (!presenter.copyPart) return;
    // The software OpenGL looks up a window's size only after a swap: with parts copied and
    // nothing swapped, it would draw the next frame into buffers of the old size and copy from
    // outside them. So a resize swaps once, showing the frame already on show (the back buffer
    // holds it), or white when there is none yet.
    if (!presenter.backShowsFrame) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glXSwapBuffers(glXGetCurrentDisplay(), glXGetCurrentDrawable());
    presenter.backShowsFrame = false;
}
