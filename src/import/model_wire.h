// The compact binary form in which the reader process hands a model to the importer, and the
// checks the importer makes on it before use. The reader runs untrusted parsing code, so the
// bytes are treated as untrusted too: every count is checked against what is left before
// anything is allocated, and every index, number and length is checked once decoded.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "import/imported_model.h"

// What the reader process sends back: the model, or why it could not be read; either way the
// notes for the user. `outOfMemory` says the reader ran out of its memory allowance.
struct ReaderReply {
    bool read = false;
    bool outOfMemory = false;
    std::string why;
    std::vector<std::string> warnings;
    ImportedModel model;
};

std::string encodeReply(const ReaderReply& reply);

// The reply, or nothing with what is wrong with the bytes in `why`.
std::optional<ReaderReply> decodeReply(std::string_view bytes, std::string& why);

// Coordinates beyond this are refused: the framing, the scaling and the renderer square and
// sum them in single precision.
constexpr double kLargestCoordinate = 1e30;

// Whether the model can be used as it is: indices inside their meshes, three per triangle,
// material and image references that exist, raw images whose texel count matches their size,
// and finite numbers everywhere, with coordinates no larger than kLargestCoordinate. When not,
// `why` says what is wrong, naming the mesh or material.
bool checkModel(const ImportedModel& model, std::string& why);
