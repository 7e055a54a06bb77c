// The loaded forms of the tracks and collision faces over any bytes: a load
// either fills a consistent object or leaves it empty, and playing or
// querying it never reads outside what was loaded. The first byte picks the
// class; the rest is the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "src/ClassBase/CameraPath.h"
#include "src/ClassBase/CollisionFaces.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/TransformList.h"
#include "src/ClassRender/Clock.h"

namespace {

uint32_t g_nowMs = 0;
uint32_t FuzzClock()
{
    return g_nowMs;
}
volatile float g_sink = 0.0f;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t n)
{
    if (n == 0)
        return 0;
    ClockSetSource(FuzzClock);
    const uint8_t* data = bytes + 1;
    const size_t size = n - 1;
    switch (bytes[0] % 4)
    {
    case 0:
    {
        CCameraPath path;
        const int status = path.LoadBytes(data, size);
        if ((status == 0) != (path.m_nCount > 0))
            std::abort();
        g_nowMs = 1000;
        path.Start();
        for (uint32_t step : {0u, 33u, 5000u, 40000u, 0x80000000u})
        {
            g_nowMs = path.m_dwStartTime + step;
            path.UpdateCamera();
            if (path.m_nCount > 0 && (path.m_nFrame < 0 || path.m_nFrame >= path.m_nCount))
                std::abort();
        }
        break;
    }
    case 1:
    {
        ObjectTrajectory t;
        if (t.LoadBytes(data, size) == 0 && t.m_nCount <= 0)
            std::abort();
        for (uint32_t now : {0u, 49u, 50u, 123456u, 0xFFFFFFFFu})
            for (int k = 0; k < 3; ++k)
            {
                const gfx::Mat4* m = t.Matrix(k, now);
                if ((m == nullptr) != (t.m_nCount == 0))
                    std::abort();
                if (m != nullptr)
                    g_sink += m->m[3][0]; // the sanitizer sees every read
            }
        break;
    }
    case 2:
    {
        CTransformList list;
        const int status = list.LoadBytes(data, size);
        for (uint32_t i = 0; i < list.m_nCount; ++i)
            g_sink += list.m_pMatrices[i].m[3][0];
        if (status != 0 && list.m_nCount != 0)
            std::abort();
        break;
    }
    default:
    {
        CCollisionFaces faces;
        const int status = faces.LoadBytes(data, size);
        if (status != 0 && faces.m_nCount != 0)
            std::abort();
        float h = 0.0f;
        faces.HeightAbove({0.0f, 20.0f, 0.0f}, h);
        break;
    }
    }
    ClockSetSource(nullptr);
    return 0;
}
