// Small vector and matrix helpers of the generator (row vectors, D3D layout).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "src/ClassBase/SceneConstants.h"
#include "src/ClassRender/GfxMath.h"

namespace sg {

using gfx::Mat4;
using gfx::Vec3;

constexpr float kPi = 3.14159265358979f;

inline Vec3 V(float x, float y, float z)
{
    return {x, y, z};
}
inline Vec3 V(ScenePoint p)
{
    return {p.x, p.y, p.z};
}
inline Vec3 operator+(Vec3 a, Vec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Len(Vec3 a)
{
    return std::sqrt(Dot(a, a));
}
inline Vec3 Norm(Vec3 a)
{
    float l = Len(a);
    return l > 1e-12f ? a * (1.0f / l) : Vec3{0, 1, 0};
}
inline Vec3 Lerp(Vec3 a, Vec3 b, float t)
{
    return a + (b - a) * t;
}
inline float Clamp(float v, float lo, float hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}
inline float Smooth(float e0, float e1, float x)
{
    float t = Clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}
inline float Mix(float a, float b, float t)
{
    return a + (b - a) * t;
}
// The smaller of a and b, rounded off where they lie within k of each
// other, so a surface capped by another meets it without a crease.
inline float SoftMin(float a, float b, float k)
{
    const float d = std::max(0.0f, k - std::fabs(a - b)) / k;
    return std::min(a, b) - 0.25f * k * d * d;
}

inline Mat4 Identity()
{
    Mat4 m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1;
    return m;
}
inline Mat4 Mul(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            float s = 0;
            for (int k = 0; k < 4; ++k)
                s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}
inline Mat4 Translate(Vec3 t)
{
    Mat4 m = Identity();
    m.m[3][0] = t.x;
    m.m[3][1] = t.y;
    m.m[3][2] = t.z;
    return m;
}
inline Mat4 Scale(float x, float y, float z)
{
    Mat4 m = Identity();
    m.m[0][0] = x;
    m.m[1][1] = y;
    m.m[2][2] = z;
    return m;
}
// Same as D3DXMatrixRotationX/Y/Z.
inline Mat4 RotX(float a)
{
    Mat4 m = Identity();
    float c = std::cos(a), s = std::sin(a);
    m.m[1][1] = c;
    m.m[1][2] = s;
    m.m[2][1] = -s;
    m.m[2][2] = c;
    return m;
}
inline Mat4 RotY(float a)
{
    Mat4 m = Identity();
    float c = std::cos(a), s = std::sin(a);
    m.m[0][0] = c;
    m.m[0][2] = -s;
    m.m[2][0] = s;
    m.m[2][2] = c;
    return m;
}
inline Mat4 RotZ(float a)
{
    Mat4 m = Identity();
    float c = std::cos(a), s = std::sin(a);
    m.m[0][0] = c;
    m.m[0][1] = s;
    m.m[1][0] = -s;
    m.m[1][1] = c;
    return m;
}
// D3DXMatrixRotationYawPitchRoll: roll about Z, then pitch about X, then yaw about Y.
inline Mat4 RotYPR(float yaw, float pitch, float roll)
{
    return Mul(Mul(RotZ(roll), RotX(pitch)), RotY(yaw));
}
// Rotation about an arbitrary unit axis (D3DXMatrixRotationAxis).
inline Mat4 RotAxis(Vec3 axis, float a)
{
    Vec3 v = Norm(axis);
    float c = std::cos(a), s = std::sin(a), t = 1 - c;
    Mat4 m = Identity();
    m.m[0][0] = t * v.x * v.x + c;
    m.m[0][1] = t * v.x * v.y + s * v.z;
    m.m[0][2] = t * v.x * v.z - s * v.y;
    m.m[1][0] = t * v.x * v.y - s * v.z;
    m.m[1][1] = t * v.y * v.y + c;
    m.m[1][2] = t * v.y * v.z + s * v.x;
    m.m[2][0] = t * v.x * v.z + s * v.y;
    m.m[2][1] = t * v.y * v.z - s * v.x;
    m.m[2][2] = t * v.z * v.z + c;
    return m;
}
inline Vec3 XformPoint(Vec3 p, const Mat4& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
inline Vec3 XformDir(Vec3 p, const Mat4& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0], p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2]};
}
// Inverse of a rigid transform with uniform scale (rotation x scale, then translation).
Mat4 InverseAffine(const Mat4& m);

// Deterministic generator of the tool (never the runtime's).
class Rng
{
public:
    explicit Rng(uint32_t seed) : m_nState(seed * 2654435761u + 12345u) {}
    uint32_t Next()
    {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 17;
        m_nState ^= m_nState << 5;
        return m_nState;
    }
    float Unit() { return float(Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

private:
    uint32_t m_nState;
};

// Smooth value noise in 2D, about -1..1, deterministic.
float Noise2(float x, float z, uint32_t seed = 0);
float Fbm2(float x, float z, int octaves, uint32_t seed = 0);

} // namespace sg
