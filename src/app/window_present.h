// Showing finished frames in the viewer's window, through OpenGL.
//
// A frame goes to the window as a texture of 8-bit pixels converted by us (window_pixels.h),
// drawn one pixel down and left as the float pixels at raster position (-1, -1) would be, the
// top row and right column black. Only what the frame drew is converted, uploaded and drawn,
// and the rest of the window is white, so that a small viewport in a large window costs little
// more than the viewport itself. Presenting allocates nothing.
//
// Where the GLX has GLX_MESA_copy_sub_buffer (the software OpenGL has), the back buffer keeps
// the frame last shown: a new frame redraws only the boxes of the old and the new frame's
// pixels that are not white, and only those reach the window; a pure expose copies the whole
// back buffer again. Elsewhere each frame clears the whole back buffer and swaps.
#pragma once

#include <GL/gl.h>
#include <GL/glx.h>
#include <GL/glxext.h>

#include <cstdint>
#include <vector>

#include "core/image.h"

struct WindowPresenter {
    GLuint texture = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    GLint largestSide = 0;  // the OpenGL's texture size limit, once asked
    std::vector<std::uint8_t> bytes;  // the frame's pixels, converted for the texture
    PixelBox drawn;                   // the frame's pixels that are not white
    // The back buffer, where only part of it is redrawn for a frame.
    PFNGLXCOPYSUBBUFFERMESAPROC copyPart = nullptr;  // none: the GLX cannot copy part of the back buffer
    bool backShowsFrame = false;  // the back buffer holds the frame last shown, whose box was:
    PixelBox backDrawn;
};

// Looks for the GLX's partial copy; the window's OpenGL context must be current.
void presenterStart(WindowPresenter& presenter);

// Converts and uploads a newly rendered frame; `frameDrawn` holds every pixel it drew on (the
// frame driver's box), all others being white.
void presenterTakeFrame(WindowPresenter& presenter, const Image& frame, const PixelBox& frameDrawn);

// Draws the frame last taken (`frame`) into the back buffer and, where parts can be copied,
// brings what changed to the window; `exposeOnly` says that nothing changed but the window lost
// its pixels. Returns whether the caller must still swap the buffers.
bool presenterShow(WindowPresenter& presenter, const Image& frame, bool exposeOnly);

// The window changed size: the next frame is drawn in full. Call with the window's OpenGL
// context current (as in GLUT's reshape callback).
void presenterResized(WindowPresenter& presenter);
