// quelmar-render: the headless command. It starts exactly as the viewer does (load log, all
// three effects on, the projection of the first reshape), applies the given key presses as the
// viewer's keyboard would, renders, and writes the last frame to a PNG or PFM file.
#include <getopt.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
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
    "SCENE '-' reads the scene from standard input. SCENE may also be a model file (OBJ,\n"
    "glTF, FBX, PLY, STL, ... any that quelmar-import reads): it is imported in memory,\n"
    "with the cameras and lights quelmar-import gives it, and nothing is written.\n"
    "\n"
    "  -o, --output FILE   write the last frame to FILE: .png (8-bit RGB, as seen in the\n"
    "                      window) or .pfm (the exact float colour buffer, RGB)\n"
    "  -s, --size WxH      window size, W and H from 1 to 16384 (default: the viewport\n"
    "                      maximum plus 40)\n"
    "  -k, --keys KEYS     key presses applied in order before rendering, e.g. s, >>, tn\n"
    "  -c, --camera X,Y,Z,PITCH,YAW\n"
    "                      then put the current camera at X,Y,Z, turned by PITCH and YAW\n"
    "                      degrees, as the viewer's status line gives it after a mouse move\n"
    "  -f, --frames N      render N frames, 1 to 100000 (default 1); with N > 1 print the\n"
    "                      milliseconds the load took, and the minimum, median and\n"
    "                      maximum milliseconds per frame\n"
    "  -j, --threads N     rasterize with N threads, 1 to 256 (default: one per core); the\n"
    "                      picture is the same for any N\n"
    "  -q, --quiet         no load log; error lines, warnings and files that cannot be read\n"
    "                      are still reported, on standard error\n"
    "      --strict        exit with status 1 when loading reported an error line or a file\n"
    "                      that could not be read (the frame is still rendered and written)\n"
    "  -h, --help          show this help\n"
    "      --version       show the version and the SIMD paths this machine runs\n"
    "\n"
    "Image files named by the scene are looked up relative to the working directory, then\n"
    "relative to the scene file's folder (only the working directory for a scene read from\n"
    "standard input). Exit status: 0 on success, 1 when the scene cannot be read, has errors\n"
    "with --strict, or the image cannot be written, 2 for bad options.\n"
    "\n"
    "Environment: QUELMAR_SIMD=PATH shades with that instruction set (scalar, sse2, avx2,\n"
    "avx512 on x86-64; scalar, neon on arm64) instead of the fastest; the picture is the same.\n";

constexpr int kLargestWindow = 16384;
constexpr int kMostFrames = 100000;
constexpr int kMostThreads = 256;

// Options that exist only in their long form get codes beyond any character.
enum LongOnlyOption { kVersionOption = 256, kStrictOption };

struct Options {
    std::string sceneFile;  // "-": standard input
    std::string outputFile;
    bool outputGiven = false;
    std::string keys;
    std::optional<CameraPlacement> camera;
    int width = 0;  // 0: the viewer's window size
    int height = 0;
    int frames = 1;
    int threads = 0;  // 0: one per core
    bool quiet = false;
    bool strict = false;  // loading errors make the exit status 1
};

int usageError(const std::string& message) {
    std::cerr << "quelmar-render: " << message << "\n"
              << "Try 'quelmar-render --help' for more information.\n";
    return 2;
}

void printVersion(std::ostream& out) {
    out << "quelmar-render " << QUELMAR_VERSION << "\n"
        << "SIMD paths: " << runnableSimdPathNames() << " (default " << simdPathName(fastestSimdPath()) << ")\n";
}

// Digits only (no sign, blank or exponent), from `least` to `most`.
bool parseWholeNumber(std::string_view text, int least, int most, int& value) {
    if (text.empty() || text.size() > 9) return false;  // nine digits cannot overflow
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    if (number < least || number > most) return false;
    value = static_cast<int>(number);
    return true;
}

bool parseSize(std::string_view text, int& width, int& height) {
    std::size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    return parseWholeNumber(text.substr(0, x), 1, kLargestWindow, width) &&
           parseWholeNumber(text.substr(x + 1), 1, kLargestWindow, height);
}

std::string countError(const std::string& what, const char* text, int most) {
    return "bad " + what + " '" + text + "': expected a whole number from 1 to " + std::to_string(most);
}

// One warning for the keys the viewer would ignore; they are pressed all the same.
void warnAboutIgnoredKeys(const std::string& keys) {
    std::string ignored;
    for (unsigned char key : keys)
        if (!isViewerKey(key) && ignored.find(static_cast<char>(key)) == std::string::npos)
            ignored += static_cast<char>(key);
    if (ignored.empty()) return;
    std::cerr << "quelmar-render: warning: the viewer does nothing for the keys '" << ignored
              << "' (its keys are S, T and N in either case, < or , and > or .)\n";
}

// Returns -1 when the options are fine, or the exit status to leave with.
int parseOptions(int argc, char** argv, Options& options) {
    static const option longOptions[] = {
        {"output", required_argument, nullptr, 'o'}, {"size", required_argument, nullptr, 's'},
        {"keys", required_argument, nullptr, 'k'},   {"camera", required_argument, nullptr, 'c'},
        {"frames", required_argument, nullptr, 'f'},
        {"threads", required_argument, nullptr, 'j'}, {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},         {"version", no_argument, nullptr, kVersionOption},
        {"strict", no_argument, nullptr, kStrictOption}, {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int opt;
    while ((opt = getopt_long(argc, argv, ":o:s:k:c:f:j:qh", longOptions, nullptr)) != -1) {
        switch (opt) {
            case 'o':
                if (options.outputGiven)
                    return usageError("only one output file, please ('" + options.outputFile + "' and '" + optarg +
                                      "' given)");
                if (*optarg == '\0') return usageError("the output file name is empty");
                options.outputFile = optarg;
                options.outputGiven = true;
                break;
            case 's':
                if (!parseSize(optarg, options.width, options.height))
                    return usageError("bad size '" + std::string(optarg) + "': expected WxH, W and H whole numbers " +
                                      "from 1 to " + std::to_string(kLargestWindow) + ", e.g. 640x480");
                break;
            case 'k': options.keys = optarg; break;
            case 'c':
                options.camera = parseCameraPlacement(optarg);
                if (!options.camera)
                    return usageError("bad camera '" + std::string(optarg) +
                                      "': expected five numbers X,Y,Z,PITCH,YAW, e.g. 0,1,5,-10,30");
                break;
            case 'f':
                if (!parseWholeNumber(optarg, 1, kMostFrames, options.frames))
                    return usageError(countError("frame count", optarg, kMostFrames));
                break;
            case 'j':
                if (!parseWholeNumber(optarg, 1, kMostThreads, options.threads))
                    return usageError(countError("thread count", optarg, kMostThreads));
                break;
            case 'q': options.quiet = true; break;
            case kStrictOption: options.strict = true; break;
            case 'h': std::cout << kUsage; return 0;
            case kVersionOption: printVersion(std::cout); return 0;
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

// All of standard input, read in binary; nothing (with the reason) when it cannot be read.
std::optional<std::string> readStandardInput(std::string& why) {
    std::string text;
    char block[65536];
    std::size_t count;
    errno = 0;
    while ((count = std::fread(block, 1, sizeof block, stdin)) > 0) text.append(block, count);
    if (std::ferror(stdin)) {
        why = std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    return text;
}

// Loads the scene (or model) named on the command line, or the scene on standard input for "-".
bool loadScene(Session& session, const std::string& sceneFile, LoadLog log) {
    if (sceneFile != "-") {
        std::string why;
        bool loaded = sessionOpen(session, sceneFile, why, log);
        if (!why.empty()) std::cerr << "quelmar-render: cannot read '" << sceneFile << "': " << why << "\n";
        return loaded;
    }
    std::string why;
    std::optional<std::string> text = readStandardInput(why);
    if (!text) {
        std::cerr << "quelmar-render: cannot read the scene from standard input: " << why << "\n";
        return false;
    }
    sessionStartFromText(session, *text, log);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int status = parseOptions(argc, argv, options);
    if (status >= 0) return status;
    if (options.outputGiven && formatOf(options.outputFile) == ImageFormat::none)
        return usageError("the output file must end in .png or .pfm");
    warnAboutIgnoredKeys(options.keys);

    // Quiet drops the load log but not the failures: error lines, warnings, and an image or a
    // scene that cannot be read.
    std::ostringstream discarded;
    LoadProblems problems;
    LoadLog log = options.quiet ? LoadLog{discarded, std::cerr, &std::cerr, &problems}
                                : LoadLog{std::cout, std::cerr, nullptr, &problems};
    Session session;
    SimdPath simdPath = fastestSimdPath();
    if (!simdPathFromEnvironment("quelmar-render", simdPath, std::cerr)) return 2;
    auto loadStart = std::chrono::steady_clock::now();
    if (!loadScene(session, options.sceneFile, log)) return 1;
    std::chrono::duration<double, std::milli> loadTime = std::chrono::steady_clock::now() - loadStart;
    session.context.simdPath = simdPath;
    sessionReshape(session);
    for (unsigned char key : options.keys) sessionApplyKey(session, key);
    if (options.camera) sessionPlaceCamera(session, *options.camera);

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
    if (options.frames > 1) {
        std::printf("Load: %.1f ms\n", loadTime.count());
        printFrameTimes(milliseconds);
    }
    if (options.outputGiven && !writeFrame(frame, options.outputFile)) return 1;
    return options.strict && problems.errors > 0 ? 1 : 0;
}
