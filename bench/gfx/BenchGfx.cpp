// Prints DXT3 colour error and speed as ratios against libsquish's cluster
// fit on the same images in the same run, and the time to prepare the
// benchmark textures (decode, resize, mips, DXT3) on one thread.
#include <squish.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/DxtBlocks.h"
#include "data/TexturePrepare.h"
#include "tools/samples/SamplePictures.h"

namespace {

using Clock = std::chrono::steady_clock;

// Value noise with octaves: enough structure to look like bark, grass,
// rock or clouds to a block encoder.
struct Noise
{
    std::vector<float> lattice;
    explicit Noise(uint32_t seed) : lattice(256 * 256)
    {
        gfxtest::Rng r;
        r.s += seed * 2654435761u;
        for (float& v : lattice)
            v = r.Unit();
    }
    float At(int x, int y) const { return lattice[(y & 255) * 256 + (x & 255)]; }
    float Smooth(float x, float y) const
    {
        const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
        float fx = x - ix, fy = y - iy;
        fx = fx * fx * (3 - 2 * fx);
        fy = fy * fy * (3 - 2 * fy);
        const float a = At(ix, iy) + (At(ix + 1, iy) - At(ix, iy)) * fx;
        const float b = At(ix, iy + 1) + (At(ix + 1, iy + 1) - At(ix, iy + 1)) * fx;
        return a + (b - a) * fy;
    }
    float Fbm(float x, float y, int octaves) const
    {
        float sum = 0, amp = 0.5f;
        for (int i = 0; i < octaves; ++i)
        {
            sum += amp * Smooth(x, y);
            x *= 2.03f;
            y *= 2.03f;
            amp *= 0.5f;
        }
        return sum;
    }
};

uint8_t Byte(float v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

gfx::RgbaImage MakeImage(int kind)
{
    const int n = 512;
    gfx::RgbaImage img;
    img.width = img.height = n;
    img.pixels.resize(n * n * 4);
    Noise noise(kind + 1);
    if (kind == 6) // foliage with hard alpha
        img.pixels = gfxtest::MakeLeafPicture(n, n, 11);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
        {
            uint8_t* p = img.Row(y) + x * 4;
            const float f = noise.Fbm(x / 32.0f, y / 32.0f, 6);
            const float g = noise.Fbm(x / 6.0f + 50, y / 6.0f, 3);
            switch (kind)
            {
            case 0: // grass
                p[0] = Byte(40 + 90 * f * g);
                p[1] = Byte(70 + 150 * f);
                p[2] = Byte(20 + 40 * g);
                p[3] = 255;
                break;
            case 1:
            { // bark: stretched along y
                const float s = noise.Fbm(x / 4.0f, y / 48.0f, 5);
                p[0] = Byte(60 + 120 * s);
                p[1] = Byte(40 + 90 * s);
                p[2] = Byte(25 + 50 * s);
                p[3] = 255;
                break;
            }
            case 2:
            { // rock with cracks
                const float crack = std::fabs(noise.Fbm(x / 20.0f + 9, y / 20.0f, 4) - 0.5f) < 0.02f ? 0.4f : 1.0f;
                p[0] = p[1] = Byte((80 + 140 * f) * crack);
                p[2] = Byte((85 + 130 * f) * crack);
                p[3] = 255;
                break;
            }
            case 3:
            { // water ripples
                const float w = 0.5f + 0.5f * std::sin(x * 0.08f + 6 * f) * std::cos(y * 0.05f + 4 * g);
                p[0] = Byte(20 + 40 * w);
                p[1] = Byte(70 + 80 * w);
                p[2] = Byte(90 + 110 * w);
                p[3] = 255;
                break;
            }
            case 4:
            { // sky with clouds
                const float c = f > 0.45f ? (f - 0.45f) * 3.0f : 0.0f;
                p[0] = Byte(90 + 165 * c + 0.1f * y);
                p[1] = Byte(140 + 115 * c);
                p[2] = Byte(220 + 35 * c);
                p[3] = 255;
                break;
            }
            case 5: // soil with pebbles
                p[0] = Byte(90 + 100 * g * f);
                p[1] = Byte(70 + 80 * g);
                p[2] = Byte(50 + 60 * f);
                p[3] = 255;
                break;
            case 6: // foliage: tint the leaves with noise, keep alpha
                p[0] = Byte(p[0] * (0.6f + f));
                p[1] = Byte(p[1] * (0.6f + f));
                p[2] = Byte(p[2] * (0.6f + g));
                break;
            default:
            { // reeds: vertical strokes with alpha
                const float stroke = noise.Smooth(x / 3.0f, 0.5f);
                const bool in = stroke > 0.62f && y > n * (1.0f - stroke);
                p[0] = Byte(80 + 100 * f);
                p[1] = Byte(110 + 100 * stroke);
                p[2] = Byte(40 + 30 * g);
                p[3] = in ? 255 : 0;
                break;
            }
            }
        }
    return img;
}

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

} // namespace

int main()
{
    std::vector<gfx::RgbaImage> images;
    for (int k = 0; k < 8; ++k)
        images.push_back(MakeImage(k));
    double pixels = 0;
    for (const auto& img : images)
        pixels += double(img.width) * img.height;

    // ours: best of three passes
    double oursError = 0, oursTime = 1e30;
    for (int pass = 0; pass < 3; ++pass)
    {
        std::vector<gfx::TextureLevel> levels(images.size());
        const auto t0 = Clock::now();
        for (size_t i = 0; i < images.size(); ++i)
            gfx::EncodeDxt3Image(images[i], levels[i]);
        oursTime = std::fmin(oursTime, Seconds(t0, Clock::now()));
        if (pass == 0)
            for (size_t i = 0; i < images.size(); ++i)
            {
                gfx::RgbaImage back;
                gfx::DecodeDxtLevel(gfx::FMT_DXT3, levels[i], back);
                oursError += gfxtest::SquaredColourError(images[i].pixels, back.pixels);
            }
    }

    // libsquish, cluster fit, uniform colour weights: one pass (it is slow)
    double squishError = 0;
    const auto t0 = Clock::now();
    std::vector<gfx::TextureLevel> squished(images.size());
    for (size_t i = 0; i < images.size(); ++i)
    {
        squished[i] = gfx::MakeLevelLayout(gfx::FMT_DXT3, images[i].width, images[i].height);
        squished[i].bytes.resize(squished[i].rowPitch * squished[i].rowCount);
        squish::CompressImage(images[i].pixels.data(), images[i].width, images[i].height, squished[i].bytes.data(),
                              squish::kDxt3 | squish::kColourClusterFit);
    }
    const double squishTime = Seconds(t0, Clock::now());
    for (size_t i = 0; i < images.size(); ++i)
    {
        gfx::RgbaImage back;
        gfx::DecodeDxtLevel(gfx::FMT_DXT3, squished[i], back);
        squishError += gfxtest::SquaredColourError(images[i].pixels, back.pixels);
    }

    const double samples = pixels * 3;
    const double oursRmse = std::sqrt(oursError / samples), squishRmse = std::sqrt(squishError / samples);
    std::printf("dxt3_rmse_ours=%.4f\n", oursRmse);
    std::printf("dxt3_rmse_squish=%.4f\n", squishRmse);
    std::printf("dxt3_rmse_ratio_vs_squish=%.4f\n", oursRmse / squishRmse);
    std::printf("dxt3_mpix_per_s_ours=%.2f\n", pixels / 1e6 / oursTime);
    std::printf("dxt3_mpix_per_s_squish=%.2f\n", pixels / 1e6 / squishTime);
    std::printf("dxt3_speed_ratio_vs_squish=%.2f\n", (pixels / oursTime) / (pixels / squishTime));

    // texture preparation from TGA files, as the loader does it: the scene's
    // own textures when the content generator has written them, else the
    // benchmark pictures
    std::vector<std::vector<uint8_t>> files;
    const char* source = "bench_images";
#ifdef QM_CONTENT_DIR
    std::error_code ec;
    std::vector<std::filesystem::path> scene;
    for (std::filesystem::recursive_directory_iterator it(QM_CONTENT_DIR, ec), end; !ec && it != end; it.increment(ec))
    {
        std::string ext = it->path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (it->is_regular_file() && ext == ".tga")
            scene.push_back(it->path());
    }
    std::sort(scene.begin(), scene.end());
    for (const auto& path : scene)
    {
        std::ifstream in(path, std::ios::binary);
        files.emplace_back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    if (!files.empty())
        source = "scene_archive";
#endif
    if (files.empty())
        for (const auto& img : images)
            files.push_back(gfxtest::MakeTga(img.width, img.height, img.pixels, {32, false, false}));
    gfx::TextureRequest request;
    request.format = gfx::FMT_DXT3;
    double prepare = 1e30;
    for (int pass = 0; pass < 2; ++pass)
    {
        const auto p0 = Clock::now();
        for (const auto& f : files)
        {
            gfx::PreparedTexture tex;
            if (!gfx::PrepareTexture(f.data(), f.size(), request, tex))
            {
                std::fprintf(stderr, "bench_gfx: texture preparation failed\n");
                return 1;
            }
        }
        prepare = std::fmin(prepare, Seconds(p0, Clock::now()));
    }
    std::printf("texture_prepare_source=%s\n", source);
    std::printf("texture_prepare_images=%zu\n", files.size());
    std::printf("texture_prepare_ms=%.1f\n", prepare * 1000);
    return 0;
}
