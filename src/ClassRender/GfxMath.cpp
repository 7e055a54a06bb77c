// Portable core: vectors and matrices in the Direct3D convention.
#include "src/ClassRender/GfxMath.h"

#include <cmath>

namespace gfx {

namespace {

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Scale(const Vec3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float Length(const Vec3& a) { return std::sqrt(Dot(a, a)); }
Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

constexpr float kTiny = 1e-6f;

} // namespace

Mat4 MatrixIdentity()
{
    Mat4 m{};
    m.m[0][0] = m.m[1][1] = m.m[2][2] = m.m[3][3] = 1.0f;
    return m;
}

bool MatrixLookAtLH(Mat4& out, const Vec3& eye, const Vec3& target, const Vec3& up)
{
    Vec3 view = Sub(target, eye);
    const float viewLength = Length(view);
    if (viewLength < kTiny)
        return false;
    view = Scale(view, 1.0f / viewLength);

    // Up made perpendicular to the view; when up runs along the view, fall
    // back to world Y, then world Z.
    Vec3 upPerp = Sub(up, Scale(view, Dot(up, view)));
    float upLength = Length(upPerp);
    if (upLength < kTiny) {
        upPerp = Sub(Vec3{0, 1, 0}, Scale(view, view.y));
        upLength = Length(upPerp);
        if (upLength < kTiny) {
            upPerp = Sub(Vec3{0, 0, 1}, Scale(view, view.z));
            upLength = Length(upPerp);
            if (upLength < kTiny)
                return false;
        }
    }
    upPerp = Scale(upPerp, 1.0f / upLength);
    const Vec3 right = Cross(upPerp, view);

    out.m[0][0] = right.x; out.m[0][1] = upPerp.x; out.m[0][2] = view.x; out.m[0][3] = 0;
    out.m[1][0] = right.y; out.m[1][1] = upPerp.y; out.m[1][2] = view.y; out.m[1][3] = 0;
    out.m[2][0] = right.z; out.m[2][1] = upPerp.z; out.m[2][2] = view.z; out.m[2][3] = 0;
    out.m[3][0] = -Dot(right, eye);
    out.m[3][1] = -Dot(upPerp, eye);
    out.m[3][2] = -Dot(view, eye);
    out.m[3][3] = 1;
    return true;
}

} // namespace gfx
