// Test harness: PNG files of captured frames, through stb's writer.
#include "tests/render/SceneHarness.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace shots {

bool WritePng(const std::string& path, const Picture& picture)
{
    if (picture.rgb.empty())
        return false;
    return stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3) != 0;
}

} // namespace shots
