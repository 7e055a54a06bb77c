// Portable core: a bone animation and its playback.
#include "src/ClassBase/BoneAnimation.h"

#include <cstring>
#include <new>

#include "src/ClassBase/AnimFile.h"
#include "src/ClassBase/SceneEntryLoad.h"
#include "src/ClassRender/Clock.h"

CBoneAnimation::~CBoneAnimation()
{
    Release();
}

int CBoneAnimation::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    return LoadSceneObject(archive, "animation", fileName, *this);
}

int CBoneAnimation::LoadBytes(const void* data, size_t size)
{
    Release();
    AnimData file;
    const int status = ReadAnimFile(data, size, file);
    if (status != 0)
        return 10 + status;
    m_pMatrices = new (std::nothrow) gfx::Mat4[file.matrices.size()];
    if (m_pMatrices == nullptr)
        return 20;
    std::memcpy(m_pMatrices, file.matrices.data(), file.matrices.size() * sizeof(gfx::Mat4));
    m_nFrames = file.frameCount;
    m_nBones = file.boneCount;
    return 0;
}

void CBoneAnimation::Advance()
{
    if (m_pMatrices == nullptr)
        return;
    const uint32_t now = ClockReadMs();
    if (now - m_dwLastStep < BONE_ANIMATION_STEP_MS)
    {
        m_bWrapped = false;
        return;
    }
    m_dwLastStep = now;
    m_bWrapped = ++m_nFrame >= m_nFrames;
    if (m_bWrapped)
        m_nFrame = 0;
    m_bHasFrame = true;
}

const gfx::Mat4* CBoneAnimation::Bones() const
{
    if (m_pMatrices == nullptr)
        return nullptr;
    return m_pMatrices + static_cast<size_t>(m_nFrame) * m_nBones;
}

void CBoneAnimation::Release()
{
    delete[] m_pMatrices;
    m_pMatrices = nullptr;
    m_nFrames = 0;
    m_nBones = 0;
    m_nFrame = 0;
    m_bHasFrame = false;
    m_dwLastStep = 0;
    m_bWrapped = false;
}
