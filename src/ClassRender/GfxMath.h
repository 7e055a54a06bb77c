// Portable core: vectors and matrices in the Direct3D convention (32-bit
// floats, row vectors, point x matrix, translation in elements 12..14).
#pragma once

namespace gfx {

struct Vec3
{
    float x, y, z;
};

// Same memory layout as D3DMATRIX: m[row][column].
struct Mat4
{
    float m[4][4];
};

Mat4 MatrixIdentity();

// Left-handed look-at view matrix. Returns false (and leaves out untouched)
// when eye and target coincide or no up direction can be found.
bool MatrixLookAtLH(Mat4& out, const Vec3& eye, const Vec3& target, const Vec3& up);

// Left-handed perspective projection from a vertical field of view (radians),
// aspect = width / height, near and far planes; depth maps to 0..1.
Mat4 MatrixPerspectiveFovLH(float fovY, float aspect, float zNear, float zFar);

// out = a x b (a applied first to a row vector). out may alias a or b.
void MatrixMultiply(Mat4& out, const Mat4& a, const Mat4& b);

// Rotation about +Y by angle radians (left-handed: +X turns towards -Z).
Mat4 MatrixRotationY(float angle);

// Roll about Z first, then pitch about X, then yaw about Y.
Mat4 MatrixRotationYawPitchRoll(float yaw, float pitch, float roll);

// General inverse. Returns false and leaves out untouched when the matrix is
// singular (its determinant is negligible against the product of its row
// lengths). The determinant is written to det when det is not null, also on
// failure. out may alias m.
bool MatrixInverse(Mat4& out, float* det, const Mat4& m);

} // namespace gfx
