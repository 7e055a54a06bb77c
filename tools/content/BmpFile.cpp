#include "tools/content/BmpFile.h"

namespace qmc {

static void Put16(std::vector<uint8_t>& o, uint32_t v)
{
    o.push_back(uint8_t(v));
    o.push_back(uint8_t(v >> 8));
}
static void Put32(std::vector<uint8_t>& o, uint32_t v)
{
    Put16(o, v & 0xFFFF);
    Put16(o, v >> 16);
}

std::vector<uint8_t> EncodeBmp24(const Image& img)
{
    const uint32_t stride = (uint32_t(img.Width()) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * uint32_t(img.Height());
    std::vector<uint8_t> o;
    o.reserve(54 + dataSize);
    o.push_back('B');
    o.push_back('M');
    Put32(o, 54 + dataSize);
    Put32(o, 0);
    Put32(o, 54);
    Put32(o, 40);
    Put32(o, uint32_t(img.Width()));
    Put32(o, uint32_t(img.Height())); // positive: rows bottom-up
    Put16(o, 1);
    Put16(o, 24);
    Put32(o, 0);
    Put32(o, dataSize);
    Put32(o, 2835);
    Put32(o, 2835);
    Put32(o, 0);
    Put32(o, 0);
    for (int y = img.Height() - 1; y >= 0; --y)
    {
        size_t rowStart = o.size();
        for (int x = 0; x < img.Width(); ++x)
        {
            const uint8_t* p = img.At(x, y);
            o.push_back(p[2]);
            o.push_back(p[1]);
            o.push_back(p[0]);
        }
        while (o.size() - rowStart < stride)
            o.push_back(0);
    }
    return o;
}

} // namespace qmc
