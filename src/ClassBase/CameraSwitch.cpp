// Portable core: which camera path the viewer sees, and the cross-fade.
#include "src/ClassBase/CameraSwitch.h"

#include "src/ClassRender/CrtRandom.h"

int CameraIndexFromRand(int r)
{
    const float scaled = static_cast<float>(r * 1000) * (1.0f / 32767.0f);
    return static_cast<int>(scaled) % CAMERA_PATHS;
}

void CCameraSwitch::ChooseFirst(CCameraPath* paths)
{
    const int index = CameraIndexFromRand(CrtRand());
    m_bBlending = false;
    m_nNextCamera = 0;
    m_nCamera = index;
    paths[m_nCamera].Start();
}

void CCameraSwitch::Update(CCameraPath* paths)
{
    const CCameraPath& current = paths[m_nCamera];
    // an empty path never reaches frame 440; treat it as played out
    const int frame = current.m_nCount > 0 ? current.m_nFrame : CAMERA_BLEND_END;
    if (frame < CAMERA_BLEND_START)
        return;
    if (m_bBlending)
        m_fBlend = 1.0f - static_cast<float>(CAMERA_BLEND_END - frame) * CAMERA_BLEND_STEP;
    else
    {
        m_bBlending = true;
        int next = CameraIndexFromRand(CrtRand());
        if (next == m_nCamera)
            next = (m_nCamera + 1) % CAMERA_PATHS;
        m_nNextCamera = next;
        m_fBlend = 0.0f;
        paths[next].Start();
    }
    if (frame >= CAMERA_BLEND_END)
    {
        m_bBlending = false;
        m_nCamera = m_nNextCamera;
    }
}

gfx::Vec3 CCameraSwitch::UpdatePaths(CCameraPath* paths)
{
    gfx::Vec3 eye = g_vCameraEye;
    CCameraPath& current = paths[m_nCamera];
    current.CurrentEye(eye);
    current.UpdateCamera();
    if (m_nNextCamera != m_nCamera)
    {
        CCameraPath& next = paths[m_nNextCamera];
        next.UpdateCamera();
        gfx::Vec3 nextEye;
        if (next.CurrentEye(nextEye))
        {
            const float w = m_fBlend;
            eye.x = nextEye.x * w + eye.x * (1.0f - w);
            eye.y = nextEye.y * w + eye.y * (1.0f - w);
            eye.z = nextEye.z * w + eye.z * (1.0f - w);
        }
    }
    return eye;
}
