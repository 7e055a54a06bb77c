// Portable core: vectors and matrices in the Direct3D convention.
#include "src/ClassRender/GfxMath.h"

#include <cmath>

namespace gfx {

namespace {

Vec3 Sub(const Vec3& a, const Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 Scale(const Vec3& a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
float Dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(const Vec3& a)
{
    return std::sqrt(Dot(a, a));
}
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
    if (upLength < kTiny)
    {
        upPerp = Sub(Vec3{0, 1, 0}, Scale(view, view.y));
        upLength = Length(upPerp);
        if (upLength < kTiny)
        {
            upPerp = Sub(Vec3{0, 0, 1}, Scale(view, view.z));
            upLength = Length(upPerp);
            if (upLength < kTiny)
                return false;
        }
    }
    upPerp = Scale(upPerp, 1.0f / upLength);
    const Vec3 right = Cross(upPerp, view);

    out.m[0][0] = right.x;
    out.m[0][1] = upPerp.x;
    out.m[0][2] = view.x;
    out.m[0][3] = 0;
    out.m[1][0] = right.y;
    out.m[1][1] = upPerp.y;
    out.m[1][2] = view.y;
    out.m[1][3] = 0;
    out.m[2][0] = right.z;
    out.m[2][1] = upPerp.z;
    out.m[2][2] = view.z;
    out.m[2][3] = 0;
    out.m[3][0] = -Dot(right, eye);
    out.m[3][1] = -Dot(upPerp, eye);
    out.m[3][2] = -Dot(view, eye);
    out.m[3][3] = 1;
    return true;
}

Mat4 MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar)
{
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    const float depth = zFar / (zFar - zNear);
    Mat4 m{};
    m.m[0][0] = yScale / aspect;
    m.m[1][1] = yScale;
    m.m[2][2] = depth;
    m.m[2][3] = 1.0f;
    m.m[3][2] = -zNear * depth;
    return m;
}

void MatrixMultiply(Mat4& out, const Mat4& a, const Mat4& b)
{
    Mat4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    out = r;
}

Mat4 MatrixRotationY(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Mat4 m = MatrixIdentity();
    m.m[0][0] = c;
    m.m[0][2] = -s;
    m.m[2][0] = s;
    m.m[2][2] = c;
    return m;
}

Mat4 MatrixRotationYawPitchRoll(float yaw, float pitch, float roll)
{
    const float cy = std::cos(yaw), sy = std::sin(yaw);
    const float cp = std::cos(pitch), sp = std::sin(pitch);
    const float cr = std::cos(roll), sr = std::sin(roll);
    // Rz(roll) x Rx(pitch) x Ry(yaw), multiplied out
    Mat4 m = MatrixIdentity();
    m.m[0][0] = cr * cy + sr * sp * sy;
    m.m[0][1] = sr * cp;
    m.m[0][2] = sr * sp * cy - cr * sy;
    m.m[1][0] = cr * sp * sy - sr * cy;
    m.m[1][1] = cr * cp;
    m.m[1][2] = sr * sy + cr * sp * cy;
    m.m[2][0] = cp * sy;
    m.m[2][1] = -sp;
    m.m[2][2] = cp * cy;
    return m;
}

bool MatrixInverse(Mat4& out, float* det, const Mat4& src)
{
    // Cofactors in double: float inputs keep their precision through the
    // 2x2 minors, so only a truly degenerate matrix is reported singular.
    double a[16];
    for (int i = 0; i < 16; ++i)
        a[i] = src.m[i / 4][i % 4];

    const double s0 = a[0] * a[5] - a[4] * a[1], s1 = a[0] * a[6] - a[4] * a[2];
    const double s2 = a[0] * a[7] - a[4] * a[3], s3 = a[1] * a[6] - a[5] * a[2];
    const double s4 = a[1] * a[7] - a[5] * a[3], s5 = a[2] * a[7] - a[6] * a[3];
    const double c5 = a[10] * a[15] - a[14] * a[11], c4 = a[9] * a[15] - a[13] * a[11];
    const double c3 = a[9] * a[14] - a[13] * a[10], c2 = a[8] * a[15] - a[12] * a[11];
    const double c1 = a[8] * a[14] - a[12] * a[10], c0 = a[8] * a[13] - a[12] * a[9];

    const double d = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (det)
        *det = static_cast<float>(d);

    double bound = 1.0; // Hadamard: |det| <= product of the row lengths
    for (int r = 0; r < 4; ++r)
        bound *= std::sqrt(a[r * 4] * a[r * 4] + a[r * 4 + 1] * a[r * 4 + 1] + a[r * 4 + 2] * a[r * 4 + 2] +
                           a[r * 4 + 3] * a[r * 4 + 3]);
    if (!(std::fabs(d) > bound * 1e-12) || !std::isfinite(d))
        return false;

    const double k = 1.0 / d;
    double b[16];
    b[0] = (a[5] * c5 - a[6] * c4 + a[7] * c3) * k;
    b[1] = (-a[1] * c5 + a[2] * c4 - a[3] * c3) * k;
    b[2] = (a[13] * s5 - a[14] * s4 + a[15] * s3) * k;
    b[3] = (-a[9] * s5 + a[10] * s4 - a[11] * s3) * k;
    b[4] = (-a[4] * c5 + a[6] * c2 - a[7] * c1) * k;
    b[5] = (a[0] * c5 - a[2] * c2 + a[3] * c1) * k;
    b[6] = (-a[12] * s5 + a[14] * s2 - a[15] * s1) * k;
    b[7] = (a[8] * s5 - a[10] * s2 + a[11] * s1) * k;
    b[8] = (a[4] * c4 - a[5] * c2 + a[7] * c0) * k;
    b[9] = (-a[0] * c4 + a[1] * c2 - a[3] * c0) * k;
    b[10] = (a[12] * s4 - a[13] * s2 + a[15] * s0) * k;
    b[11] = (-a[8] * s4 + a[9] * s2 - a[11] * s0) * k;
    b[12] = (-a[4] * c3 + a[5] * c1 - a[6] * c0) * k;
    b[13] = (a[0] * c3 - a[1] * c1 + a[2] * c0) * k;
    b[14] = (-a[12] * s3 + a[13] * s1 - a[14] * s0) * k;
    b[15] = (a[8] * s3 - a[9] * s1 + a[10] * s0) * k;
    for (int i = 0; i < 16; ++i)
        out.m[i / 4][i % 4] = static_cast<float>(b[i]);
    return true;
}

} // namespace gfx
