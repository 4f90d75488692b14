// quelmar-import: turns a model file into a scene file with its textures.
#include <iostream>
#include <string>
#include <vector>

#include "import/import_options.h"
#include "import/importer.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string why;
    std::optional<ImportOptions> options = parseImportOptions(arguments, why);
    if (!options) {
        std::cerr << "quelmar-import: " << why << "\n" << kImportUsage << "\n";
        return 2;
    }
    if (options->help) {
        std::cout << kImportHelp;
        return 0;
    }
    return runImport(*options, std::cout, std::cerr);
}
