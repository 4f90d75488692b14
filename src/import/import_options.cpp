#include "import/import_options.h"

#include <charconv>
#include <filesystem>

const char* const kImportUsage = "Usage: quelmar-import [options] MODEL";

const char* const kImportHelp =
    "Usage: quelmar-import [options] MODEL\n"
    "Turn a model file (OBJ, glTF, FBX, PLY, STL, 3DS, COLLADA and every other format Assimp\n"
    "reads) into a scene file with TGA textures beside it, ready for quelmar and quelmar-render.\n"
    "\n"
    "  -o, --output FILE     the scene file to write (default: the model's base name with .txt,\n"
    "                        in the working directory); textures go beside it, named after it\n"
    "  -s, --size WxH        the viewport (default 800x600)\n"
    "      --max-texture N   scale larger textures down to N pixels on their longer side\n"
    "                        (default 2048)\n"
    "      --keep-units      keep the model's own units and place; by default it is scaled and\n"
    "                        moved into a sphere of radius 1 about the origin\n"
    "      --search DIR      also read files the model refers to from the folder tree DIR (may\n"
    "                        be repeated); by default only the model's own folder tree is read\n"
    "      --memory-limit N  memory the model reader may use, e.g. 512M or 6G (default: a\n"
    "                        quarter of this machine's memory, at most 8G)\n"
    "      --time-limit S    seconds the model reader may take (default 120)\n"
    "      --up AXIS         the model's up axis: x, y, z, -x, -y or -z (default: what the\n"
    "                        file declares or its format implies; else the thinnest axis of a\n"
    "                        clearly flat model; else y)\n"
    "      --crease DEG      where normals are made, faces meeting at more than DEG degrees\n"
    "                        (0 to 180) keep a hard edge between them (default 40)\n"
    "  -h, --help            show this help\n"
    "      --                end of options: the next argument is the model, even if it starts\n"
    "                        with '-'\n"
    "\n"
    "Exit status: 0 on success (warnings included), 1 when the model cannot be read or the\n"
    "output cannot be written (every file is then left as it was), 2 for bad options.\n";

namespace {

bool readInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && stop == end;
}

bool readSize(const std::string& text, int& width, int& height) {
    std::size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return readInt(text.substr(0, x), width) && readInt(text.substr(x + 1), height) && width > 0 && height > 0 &&
           width <= 16384 && height <= 16384;
}

// A size in megabytes (512M) or gigabytes (6G), 16 MB to 1 TB.
bool readMemorySize(const std::string& text, std::uint64_t& bytes) {
    if (text.size() < 2) return false;
    char unit = text.back();
    int amount = 0;
    if (!readInt(text.substr(0, text.size() - 1), amount) || amount < 1) return false;
    if (unit == 'M' || unit == 'm')
        bytes = static_cast<std::uint64_t>(amount) << 20;
    else if (unit == 'G' || unit == 'g')
        bytes = static_cast<std::uint64_t>(amount) << 30;
    else
        return false;
    return bytes >= (16ull << 20) && bytes <= (1ull << 40);
}

bool readAngle(const std::string& text, float& degrees) {
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, degrees);
    return error == std::errc() && stop == end && degrees >= 0.0f && degrees <= 180.0f;
}

}  // namespace

std::optional<ImportOptions> parseImportOptions(const std::vector<std::string>& arguments, std::string& why) {
    ImportOptions options;
    std::vector<std::string> models;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= arguments.size()) {
                why = "option " + a + " needs a value";
                return false;
            }
            out = arguments[++i];
            return true;
        };
        std::string text;
        if (a == "-h" || a == "--help") {
            options.help = true;
        } else if (a == "--keep-units") {
            options.keepUnits = true;
        } else if (a == "-o" || a == "--output") {
            if (!value(options.output)) return std::nullopt;
            if (options.output.empty()) {
                why = "the output file name is empty";
                return std::nullopt;
            }
        } else if (a == "-s" || a == "--size") {
            if (!value(text)) return std::nullopt;
            if (!readSize(text, options.width, options.height)) {
                why = "bad size '" + text + "' (expected WxH, e.g. 800x600)";
                return std::nullopt;
            }
        } else if (a == "--max-texture") {
            if (!value(text)) return std::nullopt;
            if (!readInt(text, options.maxTexture) || options.maxTexture < 1 || options.maxTexture > 65535) {
                why = "bad texture size '" + text + "' (expected 1 to 65535)";
                return std::nullopt;
            }
        } else if (a == "--search") {
            if (!value(text)) return std::nullopt;
            if (text.empty()) {
                why = "the search folder name is empty";
                return std::nullopt;
            }
            options.searchFolders.push_back(text);
        } else if (a == "--memory-limit") {
            if (!value(text)) return std::nullopt;
            if (!readMemorySize(text, options.memoryLimit)) {
                why = "bad memory limit '" + text + "' (expected e.g. 512M or 6G, 16M to 1024G)";
                return std::nullopt;
            }
        } else if (a == "--time-limit") {
            if (!value(text)) return std::nullopt;
            if (!readInt(text, options.timeLimit) || options.timeLimit < 1 || options.timeLimit > 86400) {
                why = "bad time limit '" + text + "' (expected 1 to 86400 seconds)";
                return std::nullopt;
            }
        } else if (a == "--") {
            models.insert(models.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
            break;
        } else if (a == "--up") {
            if (!value(text)) return std::nullopt;
            options.up = parseUpAxis(text);
            if (!options.up) {
                why = "bad up axis '" + text + "' (expected x, y, z, -x, -y or -z)";
                return std::nullopt;
            }
        } else if (a == "--crease") {
            if (!value(text)) return std::nullopt;
            if (!readAngle(text, options.creaseAngle)) {
                why = "bad crease angle '" + text + "' (expected 0 to 180 degrees)";
                return std::nullopt;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            why = "unknown option " + a;
            return std::nullopt;
        } else {
            models.push_back(a);
        }
    }
    if (options.help) return options;
    if (models.size() != 1) {
        why = models.empty() ? "no model file given" : "more than one model file given";
        return std::nullopt;
    }
    options.model = models[0];
    return options;
}

std::string defaultSceneFile(const std::string& model) {
    return std::filesystem::path(model).stem().string() + ".txt";
}
