// quelmar-render: the headless command. It starts exactly as the viewer does (load log, all
// three effects on, the projection of the first reshape), applies the given key presses as the
// viewer's keyboard would, renders, and writes the last frame to a PNG or PFM file.
#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/frame.h"
#include "app/session.h"
#include "core/image_file.h"
#include "shading/pixel_batch.h"

namespace {

const char* const kUsage =
    "Usage: quelmar-render [options] SCENE\n"
    "Render a scene file without a window and write the frame to an image file.\n"
    "\n"
    "  -o, --output FILE   write the last frame to FILE: .png (8-bit RGBA, as seen in the\n"
    "                      window) or .pfm (the exact float colour buffer, RGB)\n"
    "  -s, --size WxH      window size (default: the viewport maximum plus 40)\n"
    "  -k, --keys KEYS     key presses applied in order before rendering, e.g. s, >>, tn\n"
    "  -f, --frames N      render N frames (default 1); with N > 1 print the minimum,\n"
    "                      median and maximum milliseconds per frame\n"
    "  -j, --threads N     rasterize with N threads (default: one per core); the picture\n"
    "                      is the same for any N\n"
    "  -q, --quiet         no load log\n"
    "  -h, --help          show this help\n"
    "      --version       show the version and the SIMD paths this machine runs\n"
    "\n"
    "Image files named by the scene are looked up relative to the working directory, then\n"
    "relative to the scene file's folder. Exit status: 0 on success, 1 when the scene cannot\n"
    "be read or the image cannot be written, 2 for bad options.\n"
    "\n"
    "Environment: QUELMAR_SIMD=PATH shades with that instruction set (scalar, sse2, avx2,\n"
    "avx512 on x86-64; scalar, neon on arm64) instead of the fastest; the picture is the same.\n";

struct Options {
    std::string sceneFile;
    std::string outputFile;
    std::string keys;
    int width = 0;  // 0: the viewer's window size
    int height = 0;
    int frames = 1;
    int threads = 0;  // 0: one per core
    bool quiet = false;
};

int usageError(const std::string& message) {
    std::cerr << "quelmar-render: " << message << "\n"
              << "Try 'quelmar-render --help' for more information.\n";
    return 2;
}

bool parseSize(const std::string& text, int& width, int& height) {
    char x = 0, rest = 0;
    std::istringstream in(text);
    if (!(in >> width >> x >> height) || x != 'x' || in >> rest) return false;
    return width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

bool parseCount(const std::string& text, int& count) {
    std::istringstream in(text);
    char rest = 0;
    return (in >> count) && !(in >> rest) && count > 0 && count <= 100000;
}

void printVersion() {
    SimdPath fastest = fastestSimdPath();
    std::cout << "quelmar-render 0.1\n"
              << "SIMD paths: " << runnableSimdPathNames() << " (default " << simdPathName(fastest) << ")\n";
}

// Returns -1 when the options are fine, or the exit status to leave with.
int parseOptions(int argc, char** argv, Options& options) {
    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'}, {"size", required_argument, nullptr, 's'},
        {"keys", required_argument, nullptr, 'k'},   {"frames", required_argument, nullptr, 'f'},
        {"threads", required_argument, nullptr, 'j'}, {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},          {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int opt;
    while ((opt = getopt_long(argc, argv, ":o:s:k:f:j:qh", longOptions, nullptr)) != -1) {
        switch (opt) {
            case 'o': options.outputFile = optarg; break;
            case 's':
                if (!parseSize(optarg, options.width, options.height))
                    return usageError("bad size '" + std::string(optarg) + "': expected WxH, e.g. 640x480");
                break;
            case 'k': options.keys = optarg; break;
            case 'f':
                if (!parseCount(optarg, options.frames))
                    return usageError("bad frame count '" + std::string(optarg) + "': expected 1 to 100000");
                break;
            case 'j':
                if (!parseCount(optarg, options.threads) || options.threads > 256)
                    return usageError("bad thread count '" + std::string(optarg) + "': expected 1 to 256");
                break;
            case 'q': options.quiet = true; break;
            case 'h': std::cout << kUsage; return 0;
            case 'V': printVersion(); return 0;
            case ':': return usageError(std::string("option '") + argv[optind - 1] + "' needs a value");
            default: return usageError(std::string("unknown option '") + argv[optind - 1] + "'");
        }
    }
    if (optind >= argc) return usageError("no scene file given");
    if (argc - optind > 1) return usageError("only one scene file, please");
    options.sceneFile = argv[optind];
    return -1;
}

enum class ImageFormat { none, png, pfm };

// The format a file name asks for by its extension, in either case.
ImageFormat formatOf(const std::string& path) {
    std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".png") return ImageFormat::png;
    if (extension == ".pfm") return ImageFormat::pfm;
    return ImageFormat::none;
}

bool writeFrame(const Image& frame, const std::string& path) {
    std::string why;
    bool written = formatOf(path) == ImageFormat::pfm ? writePfm(frame, path, why) : writePng(frame, path, why);
    if (!written) std::cerr << "quelmar-render: " << why << "\n";
    return written;
}

void printFrameTimes(std::vector<double> milliseconds) {
    std::sort(milliseconds.begin(), milliseconds.end());
    std::printf("Frames: %zu, ms per frame: min %.2f, median %.2f, max %.2f\n", milliseconds.size(),
                milliseconds.front(), milliseconds[milliseconds.size() / 2], milliseconds.back());
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int status = parseOptions(argc, argv, options);
    if (status >= 0) return status;
    if (!options.outputFile.empty() && formatOf(options.outputFile) == ImageFormat::none)
        return usageError("the output file must end in .png or .pfm");

    std::ostringstream discarded;
    LoadLog log = options.quiet ? LoadLog{discarded, discarded} : LoadLog{std::cout, std::cerr};
    Session session;
    SimdPath simdPath = fastestSimdPath();
    if (!pickSimdPath(std::getenv("QUELMAR_SIMD"), simdPath)) {
        std::cerr << "quelmar-render: QUELMAR_SIMD='" << std::getenv("QUELMAR_SIMD")
                  << "' is not a SIMD path this machine runs; it runs: " << runnableSimdPathNames() << "\n";
        return 2;
    }
    if (!sessionStart(session, options.sceneFile, log)) {
        if (options.quiet) std::cerr << "quelmar-render: cannot read the scene file '" << options.sceneFile << "'\n";
        return 1;
    }
    session.context.simdPath = simdPath;
    sessionReshape(session);
    for (unsigned char key : options.keys) sessionApplyKey(session, key);

    WindowSize size = initialWindowSize(session.context);
    if (options.width > 0) size = {options.width, options.height};
    Image frame;
    FrameMemory memory;
    std::vector<double> milliseconds;
    for (int i = 0; i < options.frames; ++i) {
        auto start = std::chrono::steady_clock::now();
        frame = renderFrame(session.scene, session.context, session.projection, size.width, size.height,
                            options.threads, memory, std::move(frame));
        std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        milliseconds.push_back(elapsed.count());
    }
    if (options.frames > 1) printFrameTimes(milliseconds);
    if (!options.outputFile.empty() && !writeFrame(frame, options.outputFile)) return 1;
    return 0;
}
