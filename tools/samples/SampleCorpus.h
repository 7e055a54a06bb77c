// Samples (tests and benchmarks): data made by code for the archive code:
// text, binary records, mesh floats, 8- and 16-bit PCM, images,
// repetitive and incompressible bytes. Every generator is deterministic (its
// own LCG), so archives built from the corpus are the same on every run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sample {

using Bytes = std::vector<unsigned char>;

class Lcg
{
public:
    explicit Lcg(uint32_t seed) : m_state(seed) {}
    uint32_t Next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    float Unit() { return float(Next() & 0xFFFF) / 65536.0f; }

private:
    uint32_t m_state;
};

// Words with the skew of natural text, in lines and paragraphs.
Bytes Text(size_t size, uint32_t seed);

// Records of a made-up executable-like table: ids, offsets, flags, names.
Bytes Binary(size_t size, uint32_t seed);

// A height-field mesh: positions, normals, uv as floats, then 16-bit indices.
Bytes Mesh(int grid, uint32_t seed);

// PCM: a few tones with a slow envelope and a little noise. bits 8 or 16.
Bytes Pcm(size_t frames, int channels, int bits, uint32_t seed);

// Uncompressed true-colour TGA (bytes per pixel 3 or 4): smooth gradients,
// soft shapes and grain, like the scene's textures.
Bytes Image(int width, int height, int bytesPerPixel, uint32_t seed);

// Incompressible bytes.
Bytes Random(size_t size, uint32_t seed);

// unit over and over, cut at size bytes.
Bytes Repeat(const std::string& unit, size_t size);

// A block of noise that comes back just inside the 1 MiB window, so only a
// match at a distance near 1 MiB codes the second copy.
Bytes FarRepeat(uint32_t seed);

struct Entry
{
    std::string name; // '\' between folders
    Bytes data;
};

// The mixed corpus: about 3.5 MB per unit of scale; compact divides every
// size but that of the 1.2 MB far-match file by eight, for quick tests.
std::vector<Entry> MixedCorpus(int scale = 1, bool compact = false);

} // namespace sample
