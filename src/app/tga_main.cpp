// quelmar-tga: converts a picture into a TGA file the scene loader reads the right way up.
#include <iostream>
#include <string>
#include <vector>

#include "import/tga_convert.h"

int main(int argc, char** argv) {
    return runTgaConvert(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
