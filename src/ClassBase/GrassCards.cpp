// Portable core: a field of camera-facing grass cards.
#include "src/ClassBase/GrassCards.h"

#include <cmath>
#include <new>

#include "src/ClassBase/SceneEntryLoad.h"

namespace {

// Half the width and the height of a blade of size 1.
constexpr float kHalfWidth = 6.0f;
constexpr float kHeight = 15.0f;

} // namespace

CGrassCards::~CGrassCards()
{
    Release();
}

int CGrassCards::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    return LoadSceneObject(archive, "grass", fileName, *this);
}

int CGrassCards::LoadBytes(const void* data, size_t size)
{
    Release();
    InstanceListData file;
    const int status = ReadInstanceListFile(data, size, file);
    return status != 0 ? 10 + status : Build(file);
}

int CGrassCards::Build(const InstanceListData& list)
{
    Release();
    if (list.placements.empty() || list.placements.size() > GRASS_BLADES_MAX)
        return 2;
    m_pBlades = new (std::nothrow) GrassBlade[list.placements.size()];
    if (m_pBlades == nullptr)
        return 20;
    m_nCount = static_cast<uint32_t>(list.placements.size());
    for (uint32_t k = 0; k < m_nCount; ++k)
    {
        const float(*m)[4] = list.placements[k].m;
        m_pBlades[k] = {{m[3][0], m[3][1], m[3][2]}, 0.5f * std::sin(static_cast<float>(k)) + 1.6f};
    }
    return 0;
}

void CGrassCards::WriteIndices(uint16_t* out) const
{
    static const uint16_t kBlade[6] = {0, 1, 2, 1, 3, 2};
    for (uint32_t k = 0; k < m_nCount; ++k)
        for (uint16_t i : kBlade)
            *out++ = static_cast<uint16_t>(4 * k + i);
}

void CGrassCards::Write(const gfx::Mat4& camera, TexturedVertex* out) const
{
    const float(*r)[4] = camera.m;
    for (uint32_t k = 0; k < m_nCount; ++k)
    {
        const GrassBlade& b = m_pBlades[k];
        // across: the camera's right axis, up: its up axis, scaled to the blade
        const float w = kHalfWidth * b.size, h = kHeight * b.size;
        const float ax = w * r[0][0], ay = w * r[0][1], az = w * r[0][2];
        const float ux = h * r[1][0], uy = h * r[1][1], uz = h * r[1][2];
        const gfx::Vec3& p = b.root;
        out[0] = {p.x - ax + ux, p.y - ay + uy, p.z - az + uz, 0.0f, 0.0f};
        out[1] = {p.x + ax + ux, p.y + ay + uy, p.z + az + uz, 1.0f, 0.0f};
        out[2] = {p.x - ax, p.y - ay, p.z - az, 0.0f, 1.0f};
        out[3] = {p.x + ax, p.y + ay, p.z + az, 1.0f, 1.0f};
        out += 4;
    }
}

void CGrassCards::Release()
{
    delete[] m_pBlades;
    m_pBlades = nullptr;
    m_nCount = 0;
}
