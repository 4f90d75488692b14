#include "scene/tga.h"

// Placeholder until the reader lands.
std::unique_ptr<Image> tgaDecode(const std::vector<std::uint8_t>&, int&, std::string&) { return nullptr; }
std::unique_ptr<Image> tgaRead(const std::string&, LoadLog) { return nullptr; }
int imageTableAcquire(ImageTable&, const std::string&, const std::string&, LoadLog) { return 0; }
