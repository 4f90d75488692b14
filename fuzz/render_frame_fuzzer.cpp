// Whatever the parser accepts is also drawn: the fuzzed scene is loaded as the programs load
// it (all three effects on, the projection of the first reshape) and rendered into a 64 x 64
// window with Phong shading and again with Gouraud shading, each once one pixel at a time on
// the calling thread alone and once on the machine's widest SIMD path in two row bands. The
// two must be the same picture, bit for bit (any NaN counting as any other).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/frame.h"
#include "app/session.h"
#include "fuzz_support.h"
#include "shading/pixel_batch.h"

namespace {
constexpr int kWindowSize = 64;

bool sameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b); }

bool samePicture(const Image& a, const Image& b) {
    if (a.pixels.size() != b.pixels.size()) return false;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const Colour &p = a.pixels[i], &q = b.pixels[i];
        if (!sameFloat(p.r, q.r) || !sameFloat(p.g, q.g) || !sameFloat(p.b, q.b) || !sameFloat(p.a, q.a))
            return false;
    }
    return true;
}

void renderBothWays(Session& session) {
    session.context.simdPath = SimdPath::scalar;
    Image reference = renderFrame(session.scene, session.context, session.projection, kWindowSize, kWindowSize, 1);
    session.context.simdPath = fastestSimdPath();
    Image batched = renderFrame(session.scene, session.context, session.projection, kWindowSize, kWindowSize, 2);
    if (!samePicture(reference, batched)) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session session;
    fuzzParseScene(session.scene, session.context, data, size);
    session.context.phongShading = 1;
    session.context.texturing = 1;
    session.context.normalMapping = 1;
    sessionReshape(session);
    renderBothWays(session);
    sessionApplyKey(session, 's');
    renderBothWays(session);
    return 0;
}
