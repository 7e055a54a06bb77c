#include "tools/content/IcoFile.h"

#include "tools/content/StbCodecs.h"

namespace qmc {
namespace {

void Put16(std::vector<uint8_t>& o, uint32_t v)
{
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& o, uint32_t v)
{
    Put16(o, v & 0xFFFF);
    Put16(o, v >> 16);
}

std::vector<uint8_t> Dib(const Image& img)
{
    std::vector<uint8_t> o;
    const int w = img.Width(), h = img.Height();
    Put32(o, 40);
    Put32(o, uint32_t(w));
    Put32(o, uint32_t(h * 2)); // colour rows plus mask rows
    Put16(o, 1);
    Put16(o, 32);
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x)
        {
            const uint8_t* p = img.At(x, y);
            o.push_back(p[2]);
            o.push_back(p[1]);
            o.push_back(p[0]);
            o.push_back(p[3]);
        }
    const int maskStride = ((w + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y)
    {
        std::vector<uint8_t> row(size_t(maskStride), 0);
        for (int x = 0; x < w; ++x)
            if (img.At(x, y)[3] < 128)
                row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        o.insert(o.end(), row.begin(), row.end());
    }
    return o;
}

} // namespace

std::vector<uint8_t> EncodeIco(const std::vector<Image>& sizes)
{
    std::vector<std::vector<uint8_t>> blobs;
    for (const Image& img : sizes)
        blobs.push_back(img.Width() >= 256 ? EncodePng(img) : Dib(img));
    std::vector<uint8_t> o;
    Put16(o, 0);
    Put16(o, 1);
    Put16(o, uint32_t(sizes.size()));
    uint32_t offset = 6 + 16 * uint32_t(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i)
    {
        o.push_back(uint8_t(sizes[i].Width() >= 256 ? 0 : sizes[i].Width()));
        o.push_back(uint8_t(sizes[i].Height() >= 256 ? 0 : sizes[i].Height()));
        o.push_back(0);
        o.push_back(0);
        Put16(o, 1);
        Put16(o, 32);
        Put32(o, uint32_t(blobs[i].size()));
        Put32(o, offset);
        offset += uint32_t(blobs[i].size());
    }
    for (auto& b : blobs)
        o.insert(o.end(), b.begin(), b.end());
    return o;
}

} // namespace qmc
