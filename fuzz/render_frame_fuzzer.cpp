// Whatever the parser accepts is also drawn: the fuzzed scene is loaded as the programs load
// it (all three effects on, the projection of the first reshape) and rendered into a 64 x 64
// window with Phong shading and again with Gouraud shading, once on the calling thread alone
// and once in two row bands.
#include <cstddef>
#include <cstdint>

#include "app/frame.h"
#include "app/session.h"
#include "fuzz_support.h"

namespace {
constexpr int kWindowSize = 64;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session session;
    fuzzParseScene(session.scene, session.context, data, size);
    session.context.phongShading = 1;
    session.context.texturing = 1;
    session.context.normalMapping = 1;
    sessionReshape(session);
    renderFrame(session.scene, session.context, session.projection, kWindowSize, kWindowSize, 1);
    sessionApplyKey(session, 's');
    renderFrame(session.scene, session.context, session.projection, kWindowSize, kWindowSize, 2);
    return 0;
}
