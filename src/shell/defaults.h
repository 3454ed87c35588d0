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

// The interface image as a PCX file: the tools' "panels.pcx", or with
// `built_game` the "panels2.pcx" that a built game takes as its panels.pcx.
std::string default_panels_pcx(bool built_game);

// An uncompressed 8-bit BMP with a 40-byte header (rows top first in).
std::string encode_bmp8(int width, int height, const unsigned char* pixels, const unsigned char* rgb768);

}  // namespace shell
