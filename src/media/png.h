// A small PNG writer (RGBA, 8 bits a channel, uncompressed deflate blocks)
// for screenshots; no library needed.
#pragma once

#include <cstdint>
#include <string>

namespace media {

// Encodes rows top first, width x height x 4 bytes.
std::string encode_png(const uint8_t* rgba, int width, int height);

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace media
