// Every scene file reader over the same bytes. The first byte picks the
// reader, so one corpus covers all formats; a successful read is written back
// and must reproduce the input exactly (the formats have no slack bytes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/CollFaceFile.h"
#include "src/ClassBase/LinkAnimFile.h"
#include "src/ClassBase/SingleObjectFile.h"
#include "src/ClassBase/SkinFile.h"
#include "src/ClassBase/TransObjFile.h"

namespace {

void Same(const std::vector<uint8_t>& written, const uint8_t* data, size_t size)
{
    if (written.size() != size || (size && std::memcmp(written.data(), data, size) != 0))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t n)
{
    if (n == 0)
        return 0;
    const uint8_t which = bytes[0] % 8;
    const uint8_t* data = bytes + 1;
    const size_t size = n - 1;
    switch (which)
    {
    case 0:
    {
        SingleObjectData d;
        if (ReadSingleObjectFile(data, size, d) == 0)
        {
            // The u32 after each name is not read, so only the sizes must agree.
            if (WriteSingleObjectFile(d).size() != size)
                std::abort();
        }
        else if (!d.vertices.empty() || !d.materials.empty())
            std::abort();
        break;
    }
    case 1:
    {
        CameraPathData d;
        if (ReadCameraPathFile(data, size, d) == 0)
        {
            // The leading tag is not read; compare from the count on.
            std::vector<uint8_t> w = WriteCameraPathFile(d);
            if (w.size() != size || std::memcmp(w.data() + 4, data + 4, size - 4) != 0)
                std::abort();
        }
        break;
    }
    case 2:
    {
        TrajectoryData d;
        if (ReadTrajectoryFile(data, size, d) == 0)
        {
            std::vector<uint8_t> w = WriteTrajectoryFile(d);
            if (w.size() != size || std::memcmp(w.data() + 4, data + 4, size - 4) != 0)
                std::abort();
        }
        break;
    }
    case 3:
    {
        InstanceListData d;
        if (ReadInstanceListFile(data, size, d) == 0)
            Same(WriteInstanceListFile(d), data, size);
        break;
    }
    case 4:
    {
        SkinData d;
        if (ReadSkinFile(data, size, d) == 0)
        {
            std::vector<uint8_t> w = WriteSkinFile(d);
            if (w.size() != size)
                std::abort();
            for (uint8_t b : d.bones)
                if (b >= d.boneCount)
                    std::abort();
        }
        break;
    }
    case 5:
    {
        AnimData d;
        if (ReadAnimFile(data, size, d) == 0)
        {
            std::vector<uint8_t> w = WriteAnimFile(d);
            if (w.size() != size || std::memcmp(w.data() + 4, data + 4, size - 4) != 0)
                std::abort();
            volatile float last = d.Frame(d.frameCount - 1)[d.boneCount - 1].m[3][3];
            (void)last;
        }
        break;
    }
    case 6:
    {
        LinkAnimData d;
        if (ReadLinkAnimFile(data, size, d, size ? data[0] : 0) == 0)
            Same(WriteLinkAnimFile(d), data, size);
        break;
    }
    case 7:
    {
        CollFaceData d;
        if (ReadCollFaceFile(data, size, d) == 0)
            Same(WriteCollFaceFile(d), data, size);
        break;
    }
    }
    return 0;
}
