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

// Which picture row comes first in a block of pixels handed to tgaEncode.
enum class RowOrder { bottomFirst, topFirst };

// An uncompressed true-colour TGA (image type 2) with the lower-left origin, the layout this
// reader and the common tools agree on. `rgba` holds width x height pixels of 4 bytes each, in
// `order`; with `keepAlpha` the file has 32 bits per pixel, without it 24.
std::vector<std::uint8_t> tgaEncode(int width, int height, const std::vector<std::uint8_t>& rgba, RowOrder order,
                                    bool keepAlpha);

// Reads a TGA file into an image, printing the read line to log.out, or a failure line to
// log.err (followed by the reason when the file cannot be opened) and no image.
std::unique_ptr<Image> tgaRead(const std::string& fileName, LoadLog log = {});

// The table index of the image with this file name, loading it on first request (relative to
// the working directory, then to `sceneFolder` when that is not empty); 0 when it fails.
int imageTableAcquire(ImageTable& table, const std::string& fileName, const std::string& sceneFolder = {},
                      LoadLog log = {});
