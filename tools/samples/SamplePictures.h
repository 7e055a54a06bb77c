// Samples (tests and benchmarks, host and Windows): pictures made by code
// for the image code: small TGA and DDS files from RGBA pixels, and test
// pictures. Every generator is deterministic.
#pragma once
#include <cstdint>
#include <vector>

namespace gfxtest {

struct TgaOptions
{
    int bits = 32; // 8 (grey), 24 or 32
    bool rle = false;
    bool topOrigin = false; // false: rows stored bottom to top
};

// Little-endian fields.
void Put16(std::vector<uint8_t>& v, int x);
void Put32(std::vector<uint8_t>& v, uint32_t x);

// rgba: w*h texels, top row first. Grey pictures take the red channel.
std::vector<uint8_t> MakeTga(int w, int h, const std::vector<uint8_t>& rgba, TgaOptions o);

// DDS with the given D3D format code (DXT1/3/5 as FOURCC, 21, 22, 60) and
// levels already in that format. Written apart from the program's own DDS
// writer on purpose: the reader is checked against a second opinion.
std::vector<uint8_t> MakeDds(int w, int h, uint32_t format, const std::vector<std::vector<uint8_t>>& levels);

// Deterministic pseudo-random bytes (xorshift).
struct Rng
{
    uint32_t s = 2463534242u;
    uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    float Unit() { return (Next() >> 8) * (1.0f / 16777216.0f); }
};

// A smooth colourful picture with noise, alpha a gradient.
std::vector<uint8_t> MakeSmoothPicture(int w, int h, uint32_t seed);

// A leaf cluster: green ellipses on transparent ground, hard alpha with a
// one-texel soft edge, like the scene's cut-out textures.
std::vector<uint8_t> MakeLeafPicture(int w, int h, uint32_t seed);

// Sum of the squared colour differences (alpha left out) of two RGBA pixel
// lists of one size: the error measure of the encoder's tests and benchmark.
double SquaredColourError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

} // namespace gfxtest
