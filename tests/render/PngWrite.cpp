// Test harness: PNG files of captured frames, through stb's writer.
#include "tests/render/SceneHarness.h"

#include "tests/common/TestJpeg.h" // stb's image writer, compiled into this program

namespace shots {

bool WritePng(const std::string& path, const Picture& picture)
{
    if (picture.rgb.empty())
        return false;
    return stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3) != 0;
}

} // namespace shots
