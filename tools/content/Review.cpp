// Review material for people: a contact sheet of every texture and picture
// (over a checkerboard, so alpha shows) and a sonogram with a level strip
// for each sound, around its loop seam.
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>

#include "tools/content/Canvas.h"
#include "tools/content/ContentSet.h"
#include "tools/content/StbCodecs.h"

namespace qmc {
namespace {

std::string Save(const std::filesystem::path& p, const Image& img)
{
    std::vector<uint8_t> png = EncodePng(img);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    return out ? std::string() : "cannot write " + p.string();
}

Image Checker(int w, int h)
{
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float k = ((x / 8 + y / 8) & 1) ? 0.62f : 0.45f;
            img.Set(x, y, {k, k * 1.02f, k * 1.05f, 1});
        }
    return img;
}

Image Sheet(const std::vector<Image>& items, int cell, int cols)
{
    int rows = int((items.size() + cols - 1) / cols);
    Image sheet(cols * (cell + 4) + 4, rows * (cell + 4) + 4);
    for (int y = 0; y < sheet.Height(); ++y)
        for (int x = 0; x < sheet.Width(); ++x)
            sheet.Set(x, y, {0.15f, 0.15f, 0.15f, 1});
    for (size_t i = 0; i < items.size(); ++i)
    {
        const Image& src = items[i];
        float k = float(cell) / std::max(src.Width(), src.Height());
        int w = std::max(1, int(src.Width() * k)), h = std::max(1, int(src.Height() * k));
        Image thumb = src.Resized(w, h);
        Image bg = Checker(w, h);
        bg.Blit(thumb, 0, 0);
        sheet.Blit(bg, 4 + int(i % cols) * (cell + 4), 4 + int(i / cols) * (cell + 4));
    }
    return sheet;
}

void Fft(std::vector<std::complex<float>>& a)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i)
    {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1)
    {
        float ang = -2 * 3.14159265f / len;
        std::complex<float> wl(std::cos(ang), std::sin(ang));
        for (size_t i = 0; i < n; i += len)
        {
            std::complex<float> w(1);
            for (size_t j = 0; j < len / 2; ++j)
            {
                auto u = a[i + j], v = a[i + j + len / 2] * w;
                a[i + j] = u + v;
                a[i + j + len / 2] = u - v;
                w *= wl;
            }
        }
    }
}

// Sonogram of the last 4 s of the loop followed by its first 6 s (the seam
// sits at the white tick), 0..16 kHz, with the peak level per column below.
Image Sonogram(const SoundEntry& s)
{
    const int n = 1024, hop = 512, rows = 372;
    const long frames = long(s.pcm.size() / s.channels);
    const long start = frames - 4L * kSampleRate, total = 10L * kSampleRate;
    const int cols = int(total / hop);
    Image img(cols, rows + 80);
    auto mono = [&](long i) {
        i = ((i % frames) + frames) % frames;
        float v = 0;
        for (int c = 0; c < s.channels; ++c)
            v += s.pcm[size_t(i) * s.channels + c];
        return v / s.channels;
    };
    for (int c = 0; c < cols; ++c)
    {
        std::vector<std::complex<float>> buf(n);
        float peak = 0;
        for (int i = 0; i < n; ++i)
        {
            float w = 0.5f - 0.5f * std::cos(2 * 3.14159265f * i / n);
            float v = mono(start + long(c) * hop + i);
            buf[i] = v * w;
            if (i < hop)
                peak = std::fmax(peak, std::fabs(v));
        }
        Fft(buf);
        for (int r = 0; r < rows; ++r)
        {
            int bin = int(double(rows - 1 - r) / rows * (n / 2) * 16000.0 / (kSampleRate / 2));
            float db = 20 * std::log10(std::abs(buf[bin]) / (n / 4) + 1e-9f);
            float t = Clamp01((db + 100) / 90);
            Rgba col = t < 0.5f ? Mix({0, 0, 0.1f, 1}, {0.6f, 0.1f, 0.5f, 1}, t * 2)
                                : Mix({0.6f, 0.1f, 0.5f, 1}, {1, 0.95f, 0.5f, 1}, (t - 0.5f) * 2);
            img.Set(c, r, col);
        }
        float pdb = 20 * std::log10(peak + 1e-9f);
        int bar = int(Clamp01((pdb + 60) / 60) * 76);
        for (int y = 0; y < 80; ++y)
        {
            bool on = 79 - y < bar;
            float line = (79 - y == 76) ? 0.5f : 0.0f; // 0 dBFS mark
            img.Set(c, rows + y, on ? Rgba{0.3f, 0.8f, 0.4f, 1} : Rgba{line, line, line, 1});
        }
    }
    int seam = int(4L * kSampleRate / hop);
    for (int y = 0; y < 10; ++y)
        img.Set(seam, y, {1, 1, 1, 1});
    return img;
}

} // namespace

std::string WriteReview(const ContentSet& set, const std::string& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::vector<Image> scene, water, glyphs;
    for (auto& t : set.textures)
    {
        if (t.name.rfind("digits", 0) == 0)
            glyphs.push_back(t.image);
        else if (t.name.rfind("water\\", 0) == 0 || t.name.rfind("wave", 0) == 0)
            water.push_back(t.image);
        else
            scene.push_back(t.image);
    }
    std::string err = Save(std::filesystem::path(dir) / "textures.png", Sheet(scene, 256, 6));
    if (err.empty())
        err = Save(std::filesystem::path(dir) / "water_frames.png", Sheet(water, 128, 8));
    if (err.empty())
        err = Save(std::filesystem::path(dir) / "glyphs.png", Sheet(glyphs, 64, 14));
    if (err.empty())
        err = Save(std::filesystem::path(dir) / "pictures.png", Sheet(set.pictureImages, 512, 3));
    for (size_t i = 0; i < set.pictureImages.size() && err.empty(); ++i)
        err = Save(std::filesystem::path(dir) / (set.pictures[i].file + ".png"), set.pictureImages[i]);
    // The loading screen as a 1024 x 768 display shows it: the background
    // stretched, the corners at their pixel size.
    if (err.empty() && set.pictureImages.size() >= 5)
    {
        Image screen = set.pictureImages[0].Resized(1024, 768);
        if (set.pictureImages[0].Width() < 1024)
        {
            // Resized only reduces well; enlarge by sampling instead.
            const Image& bg = set.pictureImages[0];
            for (int y = 0; y < 768; ++y)
                for (int x = 0; x < 1024; ++x)
                    screen.Set(x, y, bg.SampleWrap(x * bg.Width() / 1024.0f - 0.5f, y * bg.Height() / 768.0f - 0.5f));
        }
        screen.Blit(set.pictureImages[1], 0, 0);
        screen.Blit(set.pictureImages[2], 0, 768 - 128);
        screen.Blit(set.pictureImages[3], 1024 - 256, 0);
        screen.Blit(set.pictureImages[4], 1024 - 256, 768 - 128);
        err = Save(std::filesystem::path(dir) / "loading_screen.png", screen);
    }
    for (auto& s : set.sounds)
        if (err.empty())
            err = Save(std::filesystem::path(dir) / (s.name + ".png"), Sonogram(s));
    return err;
}

} // namespace qmc
