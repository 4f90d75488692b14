// Naming an image's format from its first bytes, for the message when it cannot be decoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// "PNG", "JPEG", "SGI", "DDS", ...; empty when the bytes start like no format known here.
std::string imageFormatName(const std::vector<std::uint8_t>& bytes);

// Whether the texture decoder reads this format (then a failure means a damaged file).
bool decoderReads(const std::string& format);

// The reason to show when `bytes` could not be decoded, given the decoder's own reason: the
// format, and whether it is one the importer reads at all.
std::string undecodableReason(const std::vector<std::uint8_t>& bytes, const std::string& decoderReason);

// The extensions tried, in order, for a texture named without one.
extern const char* const kImageExtensions[];
extern const int kImageExtensionCount;
