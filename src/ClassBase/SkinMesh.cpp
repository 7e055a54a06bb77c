// Portable core: a skinned mesh.
#include "src/ClassBase/SkinMesh.h"

#include <algorithm>
#include <new>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "src/ClassBase/SceneEntryLoad.h"

namespace {

// The five source arrays of a mesh of n vertices.
struct SourceArrays
{
    const float *x, *y, *z, *u, *v;
};

// One vertex; the sums in the order the four-wide path takes them, so both
// give the same bits.
inline void SkinOne(const SourceArrays& s, size_t i, const gfx::Mat4& m, TexturedVertex& out)
{
    const float x = s.x[i], y = s.y[i], z = s.z[i];
    out.x = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
    out.y = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
    out.z = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
    out.u = s.u[i];
    out.v = s.v[i];
}

// Vertices first..first + count - 1 by one matrix.
void SkinRunOf(const SourceArrays& s, size_t first, size_t count, const gfx::Mat4& m, TexturedVertex* out)
{
    size_t i = first;
    const size_t end = first + count;
#if defined(__SSE__)
    // Four vertices at a time: positions across the lanes, then turned into
    // four (x, y, z, u) rows, each followed by its v.
    const __m128 m00 = _mm_set1_ps(m.m[0][0]), m01 = _mm_set1_ps(m.m[0][1]), m02 = _mm_set1_ps(m.m[0][2]);
    const __m128 m10 = _mm_set1_ps(m.m[1][0]), m11 = _mm_set1_ps(m.m[1][1]), m12 = _mm_set1_ps(m.m[1][2]);
    const __m128 m20 = _mm_set1_ps(m.m[2][0]), m21 = _mm_set1_ps(m.m[2][1]), m22 = _mm_set1_ps(m.m[2][2]);
    const __m128 m30 = _mm_set1_ps(m.m[3][0]), m31 = _mm_set1_ps(m.m[3][1]), m32 = _mm_set1_ps(m.m[3][2]);
    for (; i + 4 <= end; i += 4)
    {
        const __m128 x = _mm_loadu_ps(s.x + i), y = _mm_loadu_ps(s.y + i), z = _mm_loadu_ps(s.z + i);
        __m128 ox = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, m00), _mm_mul_ps(y, m10)), _mm_mul_ps(z, m20)), m30);
        __m128 oy = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, m01), _mm_mul_ps(y, m11)), _mm_mul_ps(z, m21)), m31);
        __m128 oz = _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, m02), _mm_mul_ps(y, m12)), _mm_mul_ps(z, m22)), m32);
        __m128 ou = _mm_loadu_ps(s.u + i);
        _MM_TRANSPOSE4_PS(ox, oy, oz, ou);
        float* o = &out[i].x;
        _mm_storeu_ps(o, ox);
        o[4] = s.v[i];
        _mm_storeu_ps(o + 5, oy);
        o[9] = s.v[i + 1];
        _mm_storeu_ps(o + 10, oz);
        o[14] = s.v[i + 2];
        _mm_storeu_ps(o + 15, ou);
        o[19] = s.v[i + 3];
    }
#endif
    for (; i < end; ++i)
        SkinOne(s, i, m, out[i]);
}

} // namespace

CSkinMesh::~CSkinMesh()
{
    Release();
}

int CSkinMesh::LoadFrom(const ArchiveView& archive, const char* fileName)
{
    return LoadSceneObject(archive, "skin", fileName, *this);
}

int CSkinMesh::LoadBytes(const void* data, size_t size)
{
    Release();
    SkinData file;
    const int status = ReadSkinFile(data, size, file);
    if (status != 0)
        return 10 + status;
    return Build(file);
}

int CSkinMesh::Build(const SkinData& data)
{
    Release();
    const size_t n = data.positions.size();
    if (n == 0 || n > 0xFFFF || data.bones.size() != n || data.texcoords.size() != 2 * n || data.indices.empty() ||
        data.indices.size() % 3 != 0)
        return 2;
    for (uint16_t i : data.indices)
        if (i >= n)
            return 3;

    // Vertices grouped by bone, in their order within a bone.
    std::vector<uint16_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = static_cast<uint16_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](uint16_t a, uint16_t b) { return data.bones[a] < data.bones[b]; });
    size_t runs = 0;
    for (size_t k = 0; k < n; ++k)
        runs += k == 0 || data.bones[order[k]] != data.bones[order[k - 1]];

    m_pSource = new (std::nothrow) float[5 * n];
    m_pRuns = new (std::nothrow) SkinRun[runs];
    m_pIndices = new (std::nothrow) uint16_t[data.indices.size()];
    if (m_pSource == nullptr || m_pRuns == nullptr || m_pIndices == nullptr)
    {
        Release();
        return 20;
    }
    std::vector<uint16_t> slot(n);
    for (size_t k = 0; k < n; ++k)
    {
        const uint16_t i = order[k];
        slot[i] = static_cast<uint16_t>(k);
        m_pSource[k] = data.positions[i].x;
        m_pSource[n + k] = data.positions[i].y;
        m_pSource[2 * n + k] = data.positions[i].z;
        m_pSource[3 * n + k] = data.texcoords[2 * i];
        m_pSource[4 * n + k] = data.texcoords[2 * i + 1];
        const uint8_t bone = data.bones[i];
        if (k == 0 || bone != m_pRuns[m_nRuns - 1].bone)
            m_pRuns[m_nRuns++] = {static_cast<uint16_t>(k), 0, bone};
        ++m_pRuns[m_nRuns - 1].count;
        m_nBoneLimit = std::max(m_nBoneLimit, bone + 1u);
    }
    for (size_t j = 0; j < data.indices.size(); ++j)
        m_pIndices[j] = slot[data.indices[j]];
    m_nVertices = static_cast<uint16_t>(n);
    m_nTriangles = static_cast<uint32_t>(data.indices.size() / 3);
    return 0;
}

bool CSkinMesh::Skin(const gfx::Mat4* bones, unsigned boneCount, TexturedVertex* out) const
{
    if (bones == nullptr || m_pSource == nullptr || boneCount < m_nBoneLimit)
        return false;
    const size_t n = m_nVertices;
    const SourceArrays s = {m_pSource, m_pSource + n, m_pSource + 2 * n, m_pSource + 3 * n, m_pSource + 4 * n};
    for (uint32_t r = 0; r < m_nRuns; ++r)
        SkinRunOf(s, m_pRuns[r].first, m_pRuns[r].count, bones[m_pRuns[r].bone], out);
    return true;
}

void CSkinMesh::Release()
{
    delete[] m_pSource;
    delete[] m_pRuns;
    delete[] m_pIndices;
    m_pSource = nullptr;
    m_pRuns = nullptr;
    m_pIndices = nullptr;
    m_nRuns = 0;
    m_nVertices = 0;
    m_nTriangles = 0;
    m_nBoneLimit = 0;
}
