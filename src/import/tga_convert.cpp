#include "import/tga_convert.h"

#include <cmath>
#include <cstdint>
#include <sstream>

#include "import/staged_files.h"
#include "scene/file_bytes.h"
#include "scene/tga.h"

const char* const kTgaConvertHelp =
    "Usage: quelmar-tga [--normal-map] IN OUT.tga\n"
    "Convert a picture (PNG, JPEG, BMP, TGA, GIF, PSD, HDR, PNM) into an uncompressed TGA file\n"
    "that quelmar loads the right way up: 24-bit, or 32-bit when the picture has transparent\n"
    "pixels.\n"
    "\n"
    "  --normal-map   also check that the picture looks like a tangent-space normal map\n"
    "                 (blue-ish, unit-length normals); a warning says why when it does not\n"
    "  -h, --help     show this help\n"
    "\n"
    "OUT is replaced only once the new file is complete. Exit status: 0 when OUT was written,\n"
    "1 when IN cannot be read or decoded or OUT cannot be written, 2 for bad arguments.\n";

namespace {

const char* const kUsage = "Usage: quelmar-tga [--normal-map] IN OUT.tga";

// TGA sizes are 16-bit fields, and the scene loader takes at most 64 Mi pixels.
constexpr int kLargestSide = 65535;
constexpr std::int64_t kMostPixels = std::int64_t{1} << 26;

struct Arguments {
    std::string input, output;
    bool normalMap = false, help = false;
};

bool parseArguments(const std::vector<std::string>& arguments, Arguments& parsed, std::string& why) {
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        if (argument == "--normal-map")
            parsed.normalMap = true;
        else if (argument == "-h" || argument == "--help")
            parsed.help = true;
        else if (argument.size() > 1 && argument[0] == '-')
            return why = "unknown option '" + argument + "'", false;
        else
            files.push_back(argument);
    }
    if (parsed.help) return true;
    if (files.size() != 2) return why = "expected an input picture and an output file name", false;
    parsed.input = files[0];
    parsed.output = files[1];
    if (parsed.output.empty()) return why = "the output file name is empty", false;
    return true;
}

std::string percent(std::size_t part, std::size_t whole) {
    return std::to_string(static_cast<int>(100.0 * static_cast<double>(part) / static_cast<double>(whole) + 0.5)) + "%";
}

}  // namespace

std::string normalMapProblems(const DecodedImage& image) {
    std::size_t count = image.rgba.size() / 4;
    if (count == 0) return "the picture is empty";
    std::size_t facingAway = 0, notUnit = 0;
    double sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count; ++i) {
        double n[3];
        for (int c = 0; c < 3; ++c) {
            n[c] = image.rgba[i * 4 + c] / 127.5 - 1.0;
            sum[c] += n[c];
        }
        double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (n[2] <= 0) ++facingAway;
        if (length < 0.8 || length > 1.2) ++notUnit;
    }
    std::vector<std::string> problems;
    if (facingAway * 10 > count) problems.push_back(percent(facingAway, count) + " of its pixels have blue below 128, normals facing into the surface");
    if (notUnit * 10 > count) problems.push_back(percent(notUnit, count) + " of its pixels are not unit-length normals");
    for (int c = 0; c < 2; ++c) {
        double mean = sum[c] / static_cast<double>(count);
        if (std::fabs(mean) > 0.25)
            problems.push_back(std::string(c == 0 ? "red" : "green") + " averages " +
                               std::to_string(static_cast<int>((mean + 1) * 127.5 + 0.5)) +
                               " instead of about 128, so the surface would look tilted");
    }
    std::string joined;
    for (const std::string& problem : problems) joined += (joined.empty() ? "" : "; ") + problem;
    return joined;
}

int runTgaConvert(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Arguments parsed;
    std::string why;
    if (!parseArguments(arguments, parsed, why)) {
        err << "quelmar-tga: " << why << "\n" << kUsage << "\nTry 'quelmar-tga --help' for more information.\n";
        return 2;
    }
    if (parsed.help) {
        out << kTgaConvertHelp;
        return 0;
    }
    std::optional<std::string> bytes = readWholeFile(parsed.input, why);
    if (!bytes) {
        err << "quelmar-tga: cannot read " << why << "\n";
        return 1;
    }
    std::optional<DecodedImage> image = decodeImage(std::vector<std::uint8_t>(bytes->begin(), bytes->end()), why);
    if (!image) {
        err << "quelmar-tga: cannot decode '" << parsed.input << "': " << why << "\n";
        return 1;
    }
    if (image->width < 1 || image->height < 1 || image->width > kLargestSide || image->height > kLargestSide ||
        static_cast<std::int64_t>(image->width) * image->height > kMostPixels) {
        err << "quelmar-tga: '" << parsed.input << "' is " << image->width << " x " << image->height
            << " pixels; a TGA file for quelmar holds 1 to 65535 pixels a side and at most 64 Mi pixels\n";
        return 1;
    }
    if (parsed.normalMap) {
        std::string problems = normalMapProblems(*image);
        if (!problems.empty())
            err << "quelmar-tga: warning: '" << parsed.input
                << "' does not look like a tangent-space normal map: " << problems << "\n";
    }
    StagedFiles staged;
    if (!staged.stage(parsed.output, tgaBytes(*image), why) || !staged.commit(why)) {
        err << "quelmar-tga: " << why << "\n";
        return 1;
    }
    out << "quelmar-tga: wrote '" << parsed.output << "' (" << image->width << " x " << image->height << ", "
        << (image->hasAlpha ? 32 : 24) << "-bit)\n";
    return 0;
}
