// The TGA reader and the image table that loads each named image file once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/image.h"
#include "scene/load_log.h"
#include "scene/scene.h"

// Decodes TGA bytes; no image when the file is not one that this reader accepts (the reason
// goes to `why`).
std::unique_ptr<Image> tgaDecode(const std::vector<std::uint8_t>& bytes, int& bytesPerPixel, std::string& why);

// Reads a TGA file into an image, printing the read line to log.out, or a failure line to
// log.err (followed by the reason when the file cannot be opened) and no image.
std::unique_ptr<Image> tgaRead(const std::string& fileName, LoadLog log = {});

// The table index of the image with this file name, loading it on first request (relative to
// the working directory, then to `sceneFolder` when that is not empty); 0 when it fails.
int imageTableAcquire(ImageTable& table, const std::string& fileName, const std::string& sceneFolder = {},
                      LoadLog log = {});
