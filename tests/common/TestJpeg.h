// Tests only: JPEG files made on the fly from RGBA pixels, with stb's writer
// (static, so each test executable carries its own copy).
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
// stb's JPEG bit writer shifts negative values on purpose.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("shift"))), apply_to = function)
#endif
#include <stb_image_write.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace gfxtest {

// Baseline JPEG of a w x h RGBA picture; empty when the writer fails.
inline std::vector<uint8_t> EncodeJpeg(int w, int h, const std::vector<uint8_t>& rgba, int quality)
{
    std::vector<uint8_t> file;
    auto append = [](void* ctx, void* data, int size) {
        if (size <= 0)
            return;
        auto* v = static_cast<std::vector<uint8_t>*>(ctx);
        const size_t at = v->size();
        v->resize(at + size_t(size));
        std::memcpy(v->data() + at, data, size_t(size));
    };
    if (!stbi_write_jpg_to_func(append, &file, w, h, 4, rgba.data(), quality))
        file.clear();
    return file;
}

} // namespace gfxtest
