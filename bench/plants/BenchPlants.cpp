// Prints skin_ratio_vs_copy: the time to skin every plant of one frame (each
// tree kind's bark and leaf cards, the reeds) into write-only memory, over
// the time a memcpy of the same number of bytes takes, in the same run, with
// the saver's own archive and loaders.
//
//   bench_plants [ARCHIVE]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "src/ClassBase/BoneAnimation.h"
#include "src/ClassBase/LeafCards.h"
#include "src/ClassBase/SkinMesh.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Plant
{
    const char* skin;
    const char* leaves; // null: none
    const char* animation;
};
// The world's three tree kinds (the first two show the same tree) and the reeds.
const Plant kPlants[] = {
    {"tree02.skin", "tree02.linkanim", "tree02_stay.anim"},
    {"tree02.skin", "tree02.linkanim", "tree02_stay.anim"},
    {"tree03.skin", "tree03.linkanim", "tree03_stay.anim"},
    {"kamish.skin", nullptr, "kamish_stay.anim"},
};
constexpr size_t kKinds = sizeof(kPlants) / sizeof(kPlants[0]);

// The fastest of a few batches: the least disturbed by the other work on
// the machine.
template <class F> double BestMicroseconds(int batches, int runs, F work)
{
    double best = 1e30;
    for (int b = 0; b < batches; ++b)
    {
        const Clock::time_point start = Clock::now();
        for (int r = 0; r < runs; ++r)
            work(r);
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
        best = std::min(best, us);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : QM_DATA_ARCHIVE;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty())
    {
        std::fprintf(stderr, "bench_plants: cannot read %s\n", path);
        return 1;
    }
    const ArchiveView archive = {bytes.data(), static_cast<uint32_t>(bytes.size()), 0};

    CSkinMesh skins[kKinds], leaves[kKinds];
    CBoneAnimation animations[kKinds];
    size_t vertices = 0;
    for (size_t k = 0; k < kKinds; ++k)
    {
        if (skins[k].LoadFrom(archive, kPlants[k].skin) != 0 ||
            animations[k].LoadFrom(archive, kPlants[k].animation) != 0 ||
            (kPlants[k].leaves != nullptr && LoadLeafCardsFrom(archive, kPlants[k].leaves, leaves[k]) != 0))
        {
            std::fprintf(stderr, "bench_plants: the plants of %s do not load\n", path);
            return 1;
        }
        vertices += skins[k].m_nVertices + leaves[k].m_nVertices;
    }
    const size_t size = vertices * sizeof(TexturedVertex);
    std::unique_ptr<TexturedVertex[]> out(new TexturedVertex[vertices]);
    std::unique_ptr<TexturedVertex[]> source(new TexturedVertex[vertices]);
    std::memset(source.get(), 1, size);

    const int batches = 15, runs = 200;
    const double skinUs = BestMicroseconds(batches, runs, [&](int run) {
        TexturedVertex* at = out.get();
        for (size_t k = 0; k < kKinds; ++k)
        {
            const CBoneAnimation& a = animations[k];
            const gfx::Mat4* bones = a.m_pMatrices + static_cast<size_t>(run % a.m_nFrames) * a.m_nBones;
            skins[k].Skin(bones, a.m_nBones, at);
            at += skins[k].m_nVertices;
            if (leaves[k].IsLoaded())
            {
                leaves[k].Skin(bones, a.m_nBones, at);
                at += leaves[k].m_nVertices;
            }
        }
    });
    const double skinCheck = out[vertices / 2].x;
    const double copyUs = BestMicroseconds(batches, runs, [&](int) { std::memcpy(out.get(), source.get(), size); });
    std::printf("skin_vertices=%zu\n", vertices);
    std::printf("skin_bytes=%zu\n", size);
    std::printf("skin_us=%.2f\n", skinUs);
    std::printf("copy_us=%.2f\n", copyUs);
    std::printf("skin_ratio_vs_copy=%.2f\n", copyUs > 0.0 ? skinUs / copyUs : 0.0);
    // keeps the skinned vertices observable
    return out[0].x == 12345.0f && skinCheck == 0.0 ? 2 : 0;
}
