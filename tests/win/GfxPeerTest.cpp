// Our matrix functions and image decoding against Wine's builtin extension
// library (d3dx9_43.dll), loaded by name at run time as a peer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "data/win/TextureCreate.h"
#include "src/ClassRender/GfxMath.h"
#include "tests/common/GfxTestImages.h"
#include "tests/common/TestJpeg.h"
#include "tests/common/ProgressiveJpeg.h"
#include "tests/win/GfxTestDevice.h"

namespace {

using gfx::Mat4;
using gfx::Vec3;

struct Peer
{
    using Perspective = Mat4*(WINAPI*)(Mat4*, float, float, float, float);
    using LookAt = Mat4*(WINAPI*)(Mat4*, const Vec3*, const Vec3*, const Vec3*);
    using Inverse = Mat4*(WINAPI*)(Mat4*, float*, const Mat4*);
    using Multiply = Mat4*(WINAPI*)(Mat4*, const Mat4*, const Mat4*);
    using RotationY = Mat4*(WINAPI*)(Mat4*, float);
    using YawPitchRoll = Mat4*(WINAPI*)(Mat4*, float, float, float);
    using CreateTexture = HRESULT(WINAPI*)(IDirect3DDevice9*, const void*, UINT, UINT, UINT, UINT, DWORD, D3DFORMAT,
                                           D3DPOOL, DWORD, DWORD, D3DCOLOR, void*, PALETTEENTRY*, IDirect3DTexture9**);

    HMODULE module = LoadLibraryA("d3dx9_43.dll");
    Perspective perspective = Get<Perspective>("D3DXMatrixPerspectiveFovLH");
    LookAt lookAt = Get<LookAt>("D3DXMatrixLookAtLH");
    Inverse inverse = Get<Inverse>("D3DXMatrixInverse");
    Multiply multiply = Get<Multiply>("D3DXMatrixMultiply");
    RotationY rotationY = Get<RotationY>("D3DXMatrixRotationY");
    YawPitchRoll yawPitchRoll = Get<YawPitchRoll>("D3DXMatrixRotationYawPitchRoll");
    CreateTexture createTexture = Get<CreateTexture>("D3DXCreateTextureFromFileInMemoryEx");

    template <class F> F Get(const char* name)
    {
        return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }
    bool Complete() const
    {
        return perspective && lookAt && inverse && multiply && rotationY && yawPitchRoll && createTexture;
    }
    ~Peer()
    {
        if (module)
            FreeLibrary(module);
    }
};

struct Random
{
    gfxtest::Rng rng;
    float In(float lo, float hi) { return lo + (hi - lo) * rng.Unit(); }
    Vec3 Vector(float r) { return {In(-r, r), In(-r, r), In(-r, r)}; }
    Mat4 Matrix(float r)
    {
        Mat4 m;
        for (auto& row : m.m)
            for (float& v : row)
                v = In(-r, r);
        return m;
    }
};

float MaxAbs(const Mat4& m)
{
    float v = 0;
    for (auto& row : m.m)
        for (float x : row)
            v = std::fmax(v, std::fabs(x));
    return v;
}

// Every element within tol x max(1, |element|, scale).
::testing::AssertionResult Near(const Mat4& ours, const Mat4& peer, float tol, float scale = 1.0f)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
        {
            const float a = ours.m[r][c], b = peer.m[r][c];
            const float limit = tol * std::fmax(scale, std::fmax(1.0f, std::fmax(std::fabs(a), std::fabs(b))));
            if (!(std::fabs(a - b) <= limit))
                return ::testing::AssertionFailure() << "element " << r << "," << c << ": ours " << a << " peer " << b;
        }
    return ::testing::AssertionSuccess();
}

// Look-at rows 0..2 are unit axes; row 3 holds dot products with the eye,
// whose rounding follows the size of the eye's coordinates.
::testing::AssertionResult NearView(const Mat4& ours, const Mat4& peer, float tol, const Vec3& eye)
{
    Mat4 a = ours, b = peer;
    for (int c = 0; c < 4; ++c)
        a.m[3][c] = b.m[3][c] = 0;
    ::testing::AssertionResult axes = Near(a, b, tol);
    if (!axes)
        return axes;
    const float scale = std::fabs(eye.x) + std::fabs(eye.y) + std::fabs(eye.z);
    for (int c = 0; c < 4; ++c)
        if (!(std::fabs(ours.m[3][c] - peer.m[3][c]) <= tol * std::fmax(1.0f, scale)))
            return ::testing::AssertionFailure()
                   << "translation " << c << ": ours " << ours.m[3][c] << " peer " << peer.m[3][c];
    return ::testing::AssertionSuccess();
}

class GfxPeer : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!peer.Complete())
            GTEST_SKIP() << "d3dx9_43.dll is not available";
    }
    Peer peer;
    Random random;
};

TEST_F(GfxPeer, ProjectionAndRotationsMatch)
{
    for (int i = 0; i < 2000; ++i)
    {
        const float fov = random.In(0.1f, 3.0f), aspect = random.In(0.3f, 3.0f);
        const float zn = random.In(0.05f, 10.0f), zf = zn + random.In(1.0f, 5000.0f);
        Mat4 peerMatrix;
        peer.perspective(&peerMatrix, fov, aspect, zn, zf);
        ASSERT_TRUE(Near(gfx::MatrixPerspectiveFovLH(fov, aspect, zn, zf), peerMatrix, 1e-5f)) << "case " << i;

        const float yaw = random.In(-10, 10), pitch = random.In(-10, 10), roll = random.In(-10, 10);
        peer.rotationY(&peerMatrix, yaw);
        ASSERT_TRUE(Near(gfx::MatrixRotationY(yaw), peerMatrix, 1e-5f)) << "case " << i;
        peer.yawPitchRoll(&peerMatrix, yaw, pitch, roll);
        ASSERT_TRUE(Near(gfx::MatrixRotationYawPitchRoll(yaw, pitch, roll), peerMatrix, 1e-5f)) << "case " << i;
    }
    // the scene's own projection and the leaf cards' turn by index
    Mat4 peerMatrix;
    peer.perspective(&peerMatrix, 1.2216945f, 1.2635379f, 1.0f, 2000.0f);
    EXPECT_TRUE(Near(gfx::MatrixPerspectiveFovLH(1.2216945f, 1.2635379f, 1.0f, 2000.0f), peerMatrix, 1e-6f));
    for (int card = 0; card < 64; ++card)
    {
        const float a = static_cast<float>(card);
        peer.yawPitchRoll(&peerMatrix, a, a, a);
        EXPECT_TRUE(Near(gfx::MatrixRotationYawPitchRoll(a, a, a), peerMatrix, 1e-5f)) << "card " << card;
    }
}

TEST_F(GfxPeer, MultiplyAndInverseMatch)
{
    for (int i = 0; i < 2000; ++i)
    {
        const Mat4 a = random.Matrix(10), b = random.Matrix(10);
        Mat4 ours, theirs;
        gfx::MatrixMultiply(ours, a, b);
        peer.multiply(&theirs, &a, &b);
        // sums of 4 products: compare against the size of the terms
        ASSERT_TRUE(Near(ours, theirs, 1e-5f, 4 * MaxAbs(a) * MaxAbs(b))) << "case " << i;

        float ourDet = 0, peerDet = 0;
        const bool ok = gfx::MatrixInverse(ours, &ourDet, a);
        const bool peerOk = peer.inverse(&theirs, &peerDet, &a) != nullptr;
        ASSERT_TRUE(ok && peerOk) << "random matrices are regular, case " << i;
        // float rounding grows with the condition of the matrix
        const float condition = 4 * MaxAbs(a) * MaxAbs(theirs);
        ASSERT_TRUE(Near(ours, theirs, 1e-5f * std::fmax(1.0f, condition / 100), MaxAbs(theirs))) << "case " << i;
        // the peer sums 24 float products of up to max^4 each; ours works in double
        const float m = MaxAbs(a);
        ASSERT_NEAR(ourDet, peerDet, 24 * 2e-6f * m * m * m * m) << "case " << i;
    }

    // near-singular: one row is another plus a little
    for (int i = 0; i < 200; ++i)
    {
        Mat4 a = random.Matrix(1);
        for (int c = 0; c < 4; ++c)
            a.m[3][c] = a.m[1][c] + random.In(-1e-2f, 1e-2f);
        Mat4 ours, theirs;
        float ourDet = 0, peerDet = 0;
        ASSERT_TRUE(gfx::MatrixInverse(ours, &ourDet, a));
        ASSERT_NE(peer.inverse(&theirs, &peerDet, &a), nullptr);
        // ours is computed in double: it must undo a at least as well
        Mat4 ourProduct, peerProduct;
        gfx::MatrixMultiply(ourProduct, a, ours);
        gfx::MatrixMultiply(peerProduct, a, theirs);
        const Mat4 identity = gfx::MatrixIdentity();
        float ourError = 0, peerError = 0;
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
            {
                ourError = std::fmax(ourError, std::fabs(ourProduct.m[r][c] - identity.m[r][c]));
                peerError = std::fmax(peerError, std::fabs(peerProduct.m[r][c] - identity.m[r][c]));
            }
        EXPECT_LE(ourError, std::fmax(peerError * 1.5f, 1e-4f)) << "case " << i;
        const float condition = 4 * MaxAbs(a) * MaxAbs(theirs);
        EXPECT_TRUE(Near(ours, theirs, 1e-6f * condition, MaxAbs(theirs))) << "case " << i;
    }

    // exactly singular: both refuse
    Mat4 zeroRow = random.Matrix(3), zeroColumn = random.Matrix(3), flat = gfx::MatrixIdentity();
    for (int k = 0; k < 4; ++k)
    {
        zeroRow.m[2][k] = 0;
        zeroColumn.m[k][1] = 0;
    }
    flat.m[0][0] = 0;
    for (const Mat4& singular : {zeroRow, zeroColumn, flat})
    {
        Mat4 out;
        float det = 1;
        EXPECT_FALSE(gfx::MatrixInverse(out, &det, singular));
        EXPECT_EQ(peer.inverse(&out, &det, &singular), nullptr);
    }
}

TEST_F(GfxPeer, LookAtMatchesIncludingNearlyDegenerateUpVectors)
{
    for (int i = 0; i < 2000; ++i)
    {
        const Vec3 eye = random.Vector(1500), at = random.Vector(1500), up = random.Vector(1);
        Mat4 ours, theirs;
        ASSERT_TRUE(gfx::MatrixLookAtLH(ours, eye, at, up));
        peer.lookAt(&theirs, &eye, &at, &up);
        ASSERT_TRUE(NearView(ours, theirs, 1e-5f, eye)) << "case " << i;
    }
    // up within a few degrees of the view direction
    for (int i = 0; i < 500; ++i)
    {
        const Vec3 eye = random.Vector(100);
        Vec3 dir = random.Vector(1);
        const float len = std::sqrt(dir.x * dir.x + dir.y * dir.y + dir.z * dir.z);
        dir = {dir.x / len, dir.y / len, dir.z / len};
        const Vec3 at = {eye.x + 50 * dir.x, eye.y + 50 * dir.y, eye.z + 50 * dir.z};
        const Vec3 up = {dir.x + random.In(-0.05f, 0.05f), dir.y + random.In(-0.05f, 0.05f),
                         dir.z + random.In(-0.05f, 0.05f)};
        Mat4 ours, theirs;
        ASSERT_TRUE(gfx::MatrixLookAtLH(ours, eye, at, up));
        peer.lookAt(&theirs, &eye, &at, &up);
        // the cross product of nearly parallel vectors loses a few digits
        ASSERT_TRUE(NearView(ours, theirs, 2e-4f, eye)) << "case " << i;
    }
    // up exactly along the view: the peer has no answer (its axes collapse);
    // ours falls back to world Y and stays a rotation
    const Vec3 eye = {10, 20, 30}, at = {10, 20, 80}, up = {0, 0, 3};
    Mat4 ours;
    ASSERT_TRUE(gfx::MatrixLookAtLH(ours, eye, at, up));
    for (int r = 0; r < 3; ++r)
    {
        float len = 0;
        for (int c = 0; c < 3; ++c)
            len += ours.m[c][r] * ours.m[c][r];
        EXPECT_NEAR(len, 1.0f, 1e-5f) << "axis " << r;
    }
}

class GfxPeerDecode : public GfxPeer
{
protected:
    void SetUp() override
    {
        GfxPeer::SetUp();
        if (IsSkipped())
            return;
        if (!device.Get())
            GTEST_SKIP() << "no Direct3D device (no display?)";
    }

    // Level 0 as A8R8G8B8, one level, managed pool: by us and by the peer.
    void DecodeBoth(const std::vector<uint8_t>& file, D3DSURFACE_DESC& ourDesc, std::vector<uint8_t>& ours,
                    D3DSURFACE_DESC& peerDesc, std::vector<uint8_t>& theirs)
    {
        IDirect3DTexture9* a = nullptr;
        IDirect3DTexture9* b = nullptr;
        ASSERT_EQ(gfx::CreateTextureFromFileInMemoryEx(device.Get(), file.data(), UINT(file.size()),
                                                       gfx::TEXTURE_DEFAULT, gfx::TEXTURE_DEFAULT, 1, 0,
                                                       D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a),
                  D3D_OK);
        ASSERT_EQ(peer.createTexture(device.Get(), file.data(), UINT(file.size()), D3DX_DEFAULT_VALUE,
                                     D3DX_DEFAULT_VALUE, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT_VALUE,
                                     D3DX_DEFAULT_VALUE, 0, nullptr, nullptr, &b),
                  D3D_OK);
        a->GetLevelDesc(0, &ourDesc);
        b->GetLevelDesc(0, &peerDesc);
        EXPECT_EQ(a->GetLevelCount(), 1u);
        ASSERT_TRUE(gfxtest::ReadLevel(a, 0, ourDesc.Width * 4, ourDesc.Height, ours));
        ASSERT_TRUE(gfxtest::ReadLevel(b, 0, peerDesc.Width * 4, peerDesc.Height, theirs));
        a->Release();
        b->Release();
    }

    static constexpr UINT D3DX_DEFAULT_VALUE = 0xFFFFFFFFu;
    gfxtest::TestDevice device;
};

TEST_F(GfxPeerDecode, TgaPixelsEqualThePeers)
{
    const int w = 64, h = 32;
    std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(w, h, 5);
    for (int x = 3; x < 40; ++x) // a flat run for the RLE packets
        std::memcpy(&px[(7 * w + x) * 4], &px[7 * w * 4], 4);
    const gfxtest::TgaOptions variants[] = {
        {32, false, false}, {32, false, true}, {32, true, false}, {24, false, false},
        {24, true, true},   {8, false, false}, {8, true, true},
    };
    for (const gfxtest::TgaOptions& o : variants)
    {
        SCOPED_TRACE(testing::Message() << o.bits << " bits, rle " << o.rle << ", top " << o.topOrigin);
        const std::vector<uint8_t> file = gfxtest::MakeTga(w, h, px, o);
        D3DSURFACE_DESC ourDesc, peerDesc;
        std::vector<uint8_t> ours, theirs;
        DecodeBoth(file, ourDesc, ours, peerDesc, theirs);
        ASSERT_EQ(ourDesc.Width, peerDesc.Width);
        ASSERT_EQ(ourDesc.Height, peerDesc.Height);
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t i = 0; i < ours.size(); ++i)
            ASSERT_EQ(ours[i], theirs[i]) << "byte " << i << " (texel " << i / 4 << ")";
    }

    // sizes that are no powers of two round up the same way
    const int sizes[][2] = {{37, 11}, {130, 64}, {1, 3}};
    for (const auto& size : sizes)
    {
        const std::vector<uint8_t> file =
            gfxtest::MakeTga(size[0], size[1], gfxtest::MakeSmoothPicture(size[0], size[1], 1), {32, false, false});
        D3DSURFACE_DESC ourDesc, peerDesc;
        std::vector<uint8_t> ours, theirs;
        DecodeBoth(file, ourDesc, ours, peerDesc, theirs);
        EXPECT_EQ(ourDesc.Width, peerDesc.Width) << size[0] << "x" << size[1];
        EXPECT_EQ(ourDesc.Height, peerDesc.Height) << size[0] << "x" << size[1];
    }
}

TEST_F(GfxPeerDecode, JpegPixelsNearlyEqualThePeers)
{
    const int w = 128, h = 64;
    const std::vector<uint8_t> px = gfxtest::MakeSmoothPicture(w, h, 8);
    const std::vector<uint8_t> baseline = gfxtest::EncodeJpeg(w, h, px, 90);
    ASSERT_FALSE(baseline.empty());
    const std::vector<uint8_t> progressive(gfxtest::PROGRESSIVE_JPEG,
                                           gfxtest::PROGRESSIVE_JPEG + sizeof gfxtest::PROGRESSIVE_JPEG);
    const std::vector<uint8_t>* jpegs[] = {&baseline, &progressive};
    for (const std::vector<uint8_t>* jpeg : jpegs)
    {
        SCOPED_TRACE(jpeg == &progressive ? "progressive" : "baseline");
        const std::vector<uint8_t>& file = *jpeg;
        D3DSURFACE_DESC ourDesc, peerDesc;
        std::vector<uint8_t> ours, theirs;
        DecodeBoth(file, ourDesc, ours, peerDesc, theirs);
        ASSERT_EQ(ourDesc.Width, peerDesc.Width);
        ASSERT_EQ(ourDesc.Height, peerDesc.Height);
        ASSERT_EQ(ours.size(), theirs.size());
        double sum = 0;
        int worst = 0;
        for (size_t i = 0; i < ours.size(); ++i)
        {
            if (i % 4 == 3)
            {
                EXPECT_EQ(ours[i], 255);
                continue;
            }
            const int d = std::abs(int(ours[i]) - int(theirs[i]));
            sum += d;
            worst = std::max(worst, d);
        }
        // two JPEG decoders differ in their IDCT and chroma upsampling only
        EXPECT_LT(sum / (ours.size() / 4 * 3), 1.5);
        EXPECT_LT(worst, 40);
    }
}

} // namespace
