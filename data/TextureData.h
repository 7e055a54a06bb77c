// Portable core: pixel containers shared by the image decoders and texture
// preparation. Format codes carry the Direct3D 9 values so that the Windows
// layer can pass them straight to the device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gfx {

constexpr uint32_t MakeFourCC(char a, char b, char c, char d)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// D3DFORMAT values of the formats we read and write.
constexpr uint32_t FMT_UNKNOWN = 0; // "the file's own format"
constexpr uint32_t FMT_A8R8G8B8 = 21;
constexpr uint32_t FMT_X8R8G8B8 = 22;
constexpr uint32_t FMT_V8U8 = 60;
constexpr uint32_t FMT_DXT1 = MakeFourCC('D', 'X', 'T', '1');
constexpr uint32_t FMT_DXT3 = MakeFourCC('D', 'X', 'T', '3');
constexpr uint32_t FMT_DXT5 = MakeFourCC('D', 'X', 'T', '5');

// Largest edge we accept from a file; larger images are refused, not cut.
constexpr uint32_t MAX_IMAGE_EDGE = 8192;

bool IsBlockFormat(uint32_t format);
// Bytes per texel (uncompressed) or per 4x4 block (DXT); 0 for formats we
// do not handle.
uint32_t FormatUnitBytes(uint32_t format);

// 8-bit RGBA, rows top to bottom, no padding.
struct RgbaImage
{
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels; // width * height * 4

    uint8_t* Row(uint32_t y) { return pixels.data() + static_cast<size_t>(y) * width * 4; }
    const uint8_t* Row(uint32_t y) const { return pixels.data() + static_cast<size_t>(y) * width * 4; }
};

// One mip level in its device format: rowCount rows of rowPitch bytes
// (pixel rows, or rows of 4x4 blocks for DXT), ready to copy into a lock.
struct TextureLevel
{
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t rowPitch = 0;
    uint32_t rowCount = 0;
    std::vector<uint8_t> bytes;
};

struct PreparedTexture
{
    uint32_t format = FMT_UNKNOWN;
    std::vector<TextureLevel> levels; // level 0 first
};

// Layout of a level of the given format and size (bytes left empty).
TextureLevel MakeLevelLayout(uint32_t format, uint32_t width, uint32_t height);

} // namespace gfx
