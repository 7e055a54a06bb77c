// Portable core: a recorded camera path and its playback.
#include "src/ClassBase/CameraPath.h"

#include <cstdlib>
#include <new>

#include "src/ClassBase/TransObjFile.h"
#include "src/ClassRender/Clock.h"
#include "src/ClassRender/Log.h"

gfx::Vec3 g_vCameraEye = {0.0f, 0.0f, 0.0f};

namespace {

gfx::Vec3 MirrorY(const gfx::Vec3& p, float planeY)
{
    return {p.x, planeY - (p.y - planeY), p.z};
}

gfx::Mat4 WithoutTranslation(const gfx::Mat4& m)
{
    gfx::Mat4 out = m;
    out.m[3][0] = 0.0f;
    out.m[3][1] = 0.0f;
    out.m[3][2] = 0.0f;
    return out;
}

} // namespace

CCameraPath::CCameraPath()
{
    const gfx::Mat4 identity = gfx::MatrixIdentity();
    m_mProjection = identity;
    m_mView = identity;
    m_mSkyView = identity;
    m_mInverseView = identity;
    m_mPondView = identity;
    m_mRiverView = identity;
    m_mPondSkyView = identity;
    m_mRiverSkyView = identity;
}

CCameraPath::~CCameraPath()
{
    Release();
}

int CCameraPath::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    m_mProjection = gfx::MatrixPerspectiveFovLH(SCENE_FOV_Y, SCENE_ASPECT, SCENE_NEAR, SCENE_FAR);
    ArchiveView view = {archive.data, archive.size, 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!ExtractArchiveEntry("", fileName, &data, &size, &view))
    {
        LogWrite(g_szLogFile, "camera path %s: not in the archive\n", fileName != nullptr ? fileName : "(null)");
        Release();
        return 1;
    }
    const int status = LoadBytes(data, size);
    free(data);
    if (status != 0)
        LogWrite(g_szLogFile, "camera path %s: bad file (%d)\n", fileName, status);
    return status;
}

int CCameraPath::LoadBytes(const void* data, size_t size)
{
    Release();
    m_mProjection = gfx::MatrixPerspectiveFovLH(SCENE_FOV_Y, SCENE_ASPECT, SCENE_NEAR, SCENE_FAR);
    CameraPathData file;
    const int status = ReadCameraPathFile(data, size, file);
    if (status != 0)
        return 10 + status;
    const size_t n = file.eyes.size();
    m_pEye = new (std::nothrow) gfx::Vec3[n];
    m_pTarget = new (std::nothrow) gfx::Vec3[n];
    if (m_pEye == nullptr || m_pTarget == nullptr)
    {
        Release();
        return 20;
    }
    for (size_t i = 0; i < n; ++i)
    {
        m_pEye[i] = file.eyes[i];
        m_pTarget[i] = file.targets[i];
    }
    m_nCount = static_cast<int>(n);
    return 0;
}

void CCameraPath::Start()
{
    m_bActive = m_nCount > 0;
    m_dwStartTime = ClockReadMs();
    m_nFrame = 0;
}

void CCameraPath::UpdateCamera()
{
    if (!m_bActive)
        return;
    if (m_nCount <= 0)
    {
        // nothing to index; the path can only end
        m_bActive = false;
        return;
    }
    const uint32_t index = (ClockReadMs() - m_dwStartTime) / CAMERA_FRAME_MS;
    if (index >= static_cast<uint32_t>(m_nCount))
    {
        m_nFrame = m_nCount - 1;
        m_bActive = false;
    }
    else
        m_nFrame = static_cast<int>(index);

    const gfx::Vec3 eye = m_pEye[m_nFrame];
    const gfx::Vec3 at = m_pTarget[m_nFrame];
    const gfx::Vec3 up = {0.0f, 1.0f, 0.0f};
    // a degenerate point (eye on its target) keeps the previous matrices
    gfx::MatrixLookAtLH(m_mView, eye, at, up);
    gfx::MatrixLookAtLH(m_mPondView, MirrorY(eye, SCENE_POND_Y), MirrorY(at, SCENE_POND_Y), up);
    gfx::MatrixLookAtLH(m_mRiverView, MirrorY(eye, SCENE_RIVER_Y), MirrorY(at, SCENE_RIVER_Y), up);
    m_mSkyView = WithoutTranslation(m_mView);
    gfx::MatrixInverse(m_mInverseView, nullptr, m_mView);
    m_mPondSkyView = WithoutTranslation(m_mPondView);
    m_mRiverSkyView = WithoutTranslation(m_mRiverView);
    g_vCameraEye = eye;
}

bool CCameraPath::CurrentEye(gfx::Vec3& eye) const
{
    if (m_nCount <= 0 || m_pEye == nullptr || m_nFrame < 0 || m_nFrame >= m_nCount)
        return false;
    eye = m_pEye[m_nFrame];
    return true;
}

const gfx::Mat4& CCameraPath::View(ScenePass pass) const
{
    if (pass == spPondReflection)
        return m_mPondView;
    if (pass == spRiverReflection)
        return m_mRiverView;
    return m_mView;
}

const gfx::Mat4& CCameraPath::SkyView(ScenePass pass) const
{
    if (pass == spPondReflection)
        return m_mPondSkyView;
    if (pass == spRiverReflection)
        return m_mRiverSkyView;
    return m_mSkyView;
}

void CCameraPath::Release()
{
    delete[] m_pEye;
    m_pEye = nullptr;
    delete[] m_pTarget;
    m_pTarget = nullptr;
    m_nCount = 0;
    m_nFrame = 0;
    m_bActive = false;
}
