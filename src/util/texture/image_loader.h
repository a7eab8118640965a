#pragma once
// Image decoding into a Texture's fields (size, bits per pixel, formats, bytes). 8 bits per
// channel with 3 or 4 channels; Radiance (.hdr) files as three linear floats a pixel (GL_RGB32F,
// 96 bpp). With flip the bottom row is stored first, as GL expects.

#include <cstdint>
#include <string>
#include <vector>

class Texture;

bool LoadImageFile(Texture& texture, const std::string& file_name, bool flip);
bool DecodeImage(Texture& texture, const std::string& file_name, const std::vector<uint8_t>& bytes,
                 bool flip);
