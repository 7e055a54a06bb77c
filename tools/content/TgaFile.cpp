#include "tools/content/TgaFile.h"

namespace qmc {

std::vector<uint8_t> EncodeTga(const Image& img)
{
    std::vector<uint8_t> out(18, 0);
    out[2] = 2;
    out[12] = uint8_t(img.Width() & 255);
    out[13] = uint8_t(img.Width() >> 8);
    out[14] = uint8_t(img.Height() & 255);
    out[15] = uint8_t(img.Height() >> 8);
    out[16] = 32;
    out[17] = 0x28; // 8 alpha bits, rows stored top to bottom
    out.reserve(18 + img.Bytes().size());
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
        {
            const uint8_t* p = img.At(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    return out;
}

} // namespace qmc
