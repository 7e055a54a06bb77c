// Samples: the data generators and the mixed corpus.
#include "tools/samples/SampleCorpus.h"

#include <cmath>
#include <cstring>

namespace sample {

namespace {

void PutLe16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void PutFloat(Bytes& b, float f)
{
    unsigned char raw[4];
    std::memcpy(raw, &f, 4);
    b.insert(b.end(), raw, raw + 4);
}

} // namespace

Bytes Text(size_t size, uint32_t seed)
{
    static const char* const words[] = {"the",      "water",   "of",      "river",   "and",     "a",         "pond",
                                        "reflects", "trees",   "on",      "bank",    "leaves",  "fall",      "slowly",
                                        "into",     "current", "camera",  "path",    "follows", "valley",    "rain",
                                        "drops",    "ripple",  "surface", "ducks",   "swim",    "along",     "reeds",
                                        "sway",     "in",      "wind",    "light",   "sky",     "waterfall", "spray",
                                        "stone",    "cliff",   "grass",   "morning", "evening", "quiet",     "sound"};
    const size_t nWords = sizeof(words) / sizeof(words[0]);
    Lcg rng(seed);
    Bytes b;
    size_t line = 0;
    bool capital = true;
    while (b.size() < size)
    {
        // Low indices are much more frequent.
        uint32_t r = rng.Below(1000);
        size_t w = (r * r / 1000) * nWords / 1000;
        std::string word = words[w];
        if (capital)
            word[0] = static_cast<char>(word[0] - 32);
        capital = false;
        b.insert(b.end(), word.begin(), word.end());
        line += word.size() + 1;
        uint32_t p = rng.Below(100);
        if (p < 6)
        {
            b.push_back('.');
            capital = true;
        }
        else if (p < 10)
            b.push_back(',');
        if (line > 70)
        {
            b.push_back('\r');
            b.push_back('\n');
            line = 0;
            if (rng.Below(8) == 0)
            {
                b.push_back('\r');
                b.push_back('\n');
            }
        }
        else
            b.push_back(' ');
    }
    b.resize(size);
    return b;
}

Bytes Binary(size_t size, uint32_t seed)
{
    Lcg rng(seed);
    Bytes b;
    uint32_t offset = 0x401000;
    while (b.size() < size)
    {
        PutLe16(b, static_cast<uint32_t>(b.size() / 24));
        PutLe16(b, rng.Below(4) == 0 ? 0x8000 : 0x0020);
        offset += 16 + rng.Below(64) * 4;
        PutLe16(b, offset & 0xFFFF);
        PutLe16(b, offset >> 16);
        for (int i = 0; i < 8; i++)
            b.push_back(static_cast<unsigned char>(i < 3 + int(rng.Below(5)) ? 'a' + rng.Below(26) : 0));
        PutLe16(b, rng.Below(300));
        PutLe16(b, 0);
        b.push_back(0xE8);
        b.push_back(static_cast<unsigned char>(rng.Below(256)));
        b.push_back(0xFF);
        b.push_back(0xC3);
    }
    b.resize(size);
    return b;
}

Bytes Mesh(int grid, uint32_t seed)
{
    Lcg rng(seed);
    Bytes b;
    for (int z = 0; z < grid; z++)
        for (int x = 0; x < grid; x++)
        {
            float h = 12.0f + 30.0f * std::sin(x * 0.21f) * std::cos(z * 0.17f) + rng.Unit();
            PutFloat(b, x * 8.0f - 640.0f);
            PutFloat(b, h);
            PutFloat(b, z * 8.0f - 640.0f);
            PutFloat(b, 0.1f * std::cos(x * 0.21f));
            PutFloat(b, 0.98f);
            PutFloat(b, 0.1f * std::sin(z * 0.17f));
            PutFloat(b, x / float(grid - 1));
            PutFloat(b, z / float(grid - 1));
        }
    for (int z = 0; z + 1 < grid; z++)
        for (int x = 0; x + 1 < grid; x++)
        {
            const uint32_t i = z * grid + x;
            for (uint32_t v : {i, i + grid, i + 1, i + 1, i + grid, i + grid + 1})
                PutLe16(b, v);
        }
    return b;
}

Bytes Pcm(size_t frames, int channels, int bits, uint32_t seed)
{
    Lcg rng(seed);
    Bytes b;
    for (size_t i = 0; i < frames; i++)
        for (int c = 0; c < channels; c++)
        {
            float t = float(i) / 44100.0f;
            float env = 0.6f + 0.4f * std::sin(t * 1.3f + c);
            float s = env * (0.5f * std::sin(6.2832f * (220.0f + 110.0f * c) * t) +
                             0.25f * std::sin(6.2832f * 331.0f * t + c) + 0.1f * std::sin(6.2832f * 57.0f * t)) +
                      0.01f * (rng.Unit() - 0.5f);
            if (bits == 8)
                b.push_back(static_cast<unsigned char>(128 + int(s * 100.0f)));
            else
                PutLe16(b, static_cast<uint32_t>(static_cast<int16_t>(s * 20000.0f)) & 0xFFFF);
        }
    return b;
}

Bytes Image(int width, int height, int bytesPerPixel, uint32_t seed)
{
    Lcg rng(seed);
    Bytes b(18, 0);
    b[2] = 2;
    b[12] = static_cast<unsigned char>(width);
    b[13] = static_cast<unsigned char>(width >> 8);
    b[14] = static_cast<unsigned char>(height);
    b[15] = static_cast<unsigned char>(height >> 8);
    b[16] = static_cast<unsigned char>(bytesPerPixel * 8);
    b[17] = bytesPerPixel == 4 ? 8 : 0;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
        {
            float fx = float(x) / width, fy = float(y) / height;
            float blob = std::sin(fx * 9.0f + std::sin(fy * 7.0f)) * std::cos(fy * 5.0f);
            int grain = int(rng.Below(9)) - 4;
            auto clamp = [](float v) { return static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v); };
            b.push_back(clamp(60 + 50 * blob + 40 * fy + grain)); // blue
            b.push_back(clamp(90 + 70 * blob + 30 * fx + grain)); // green
            b.push_back(clamp(70 + 40 * fx - 20 * blob + grain)); // red
            if (bytesPerPixel == 4)
                b.push_back(clamp(255 * (0.5f + 0.5f * blob)));
        }
    return b;
}

Bytes Random(size_t size, uint32_t seed)
{
    Lcg rng(seed);
    Bytes b(size);
    for (unsigned char& c : b)
        c = static_cast<unsigned char>(rng.Next() >> 4);
    return b;
}

Bytes Repeat(const std::string& unit, size_t size)
{
    Bytes b(size);
    for (size_t i = 0; i < size; i++)
        b[i] = static_cast<unsigned char>(unit[i % unit.size()]);
    return b;
}

Bytes FarRepeat(uint32_t seed)
{
    const size_t head = 200000, gap = 840000;
    Bytes b = Random(head + gap, seed);
    const Bytes first(b.begin(), b.begin() + head);
    b.insert(b.end(), first.begin(), first.end());
    return b;
}

std::vector<Entry> MixedCorpus(int scale, bool compact)
{
    const size_t q = compact ? 8 : 1;
    const int g = compact ? 3 : 1;
    std::vector<Entry> c;
    for (int s = 0; s < scale; s++)
    {
        const std::string d = scale > 1 ? "set" + std::to_string(s) + "\\" : "";
        const uint32_t k = 1000u * s;
        c.push_back({d + "readme.txt", Text(180000 / q, 1 + k)});
        c.push_back({d + "notes\\short.txt", Text(700, 2 + k)});
        c.push_back({d + "tables.bin", Binary(150000 / q, 3 + k)});
        c.push_back({d + "meshes\\ground.singleobject", Mesh(90 / g, 4 + k)});
        c.push_back({d + "sound\\rain8.raw", Pcm(60000 / q, 1, 8, 5 + k)});
        c.push_back({d + "sound\\music16s.raw", Pcm(50000 / q, 2, 16, 6 + k)});
        c.push_back({d + "sound\\fall16m.raw", Pcm(40000 / q, 1, 16, 7 + k)});
        c.push_back({d + "textures\\bark.tga", Image(128 / g, 128 / g, 3, 8 + k)});
        c.push_back({d + "textures\\leaf.tga", Image(128 / g, 64 / g, 4, 9 + k)});
        c.push_back({d + "empty.dat", {}});
        c.push_back({d + "zeros.bin", Bytes(300000 / q, 0)});
        c.push_back({d + "pattern.bin", Repeat("abcabd", 120000 / q)});
        c.push_back({d + "noise.bin", Random(100000 / q, 10 + k)});
        c.push_back({d + "far.bin", FarRepeat(11 + k)});
        c.push_back({d + "mixed\\two-halves.bin", Text(60000 / q, 12 + k)});
        Bytes& tail = c.back().data;
        Bytes bin = Binary(60000 / q, 13 + k);
        tail.insert(tail.end(), bin.begin(), bin.end());
    }
    return c;
}

} // namespace sample
