// The default resources of a fresh installation: fonts, images and the
// interface image, generated rather than shipped.
#pragma once

#include <string>

namespace shell {

// Writes every default resource under `folder` (ending in "/"); files that
// exist are kept. False with a reason when one cannot be written.
bool write_default_resources(const std::string& folder, std::string& error);

// The default sound "sounds/default_.wav": a short tone, 22,050 Hz 16-bit
// mono PCM.
std::string default_sound_wav();

// An uncompressed 8-bit BMP with a 40-byte header (rows top first in).
std::string encode_bmp8(int width, int height, const unsigned char* pixels, const unsigned char* rgb768);

}  // namespace shell
