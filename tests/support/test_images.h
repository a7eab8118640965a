#pragma once
// Image files for the texture tests, written with stb_image_write (and a hand-made 16-bit PNG,
// which stb cannot write). Pixels are given top row first, as image files store them.

#include <cstdint>
#include <string>
#include <vector>

#include <glm/glm.hpp>

using Pixels = std::vector<uint8_t>;

void WritePng(const std::string& path, int width, int height, int channels, const Pixels& pixels);
void WriteJpg(const std::string& path, int width, int height, int channels, const Pixels& pixels);
void WriteBmp(const std::string& path, int width, int height, int channels, const Pixels& pixels);
void WriteHdr(const std::string& path, int width, int height, const std::vector<float>& rgb);
// An RGB PNG with 16 bits per channel, every sample 0x8000.
void WritePng16(const std::string& path, int width, int height);

// width x height pixels of one colour.
Pixels Solid(int width, int height, std::vector<uint8_t> colour);

// Peak signal-to-noise ratio of two RGBA pictures of one size over their colour channels (alpha
// left out), in dB; 1000 for identical pictures.
double Psnr(const Pixels& a, const Pixels& b);

// The direction that meets cube face f (order -X, +X, -Y, +Y, -Z, +Z) at texture coordinates
// (s, t), t = 0 being the top row of the face image, after GL's cube-map face table.
glm::vec3 CubeFaceDirection(int face, float s, float t);
