// contentgen OUTDIR [--pictures DIR] [--review DIR] [--scene-shot PICTURE]
// Writes every texture and sound of the data archive under its entry name
// ('\' in a name becomes a folder), the resource pictures to --pictures, and
// contact sheets, sonograms and level figures to --review. --scene-shot takes
// a render of the scene (PNG) for the loading, preview and dialog pictures;
// without it they are painted from the textures.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/content/ContentSet.h"

int main(int argc, char** argv)
{
    std::string out, pictures, review, shot;
    for (int i = 1; i < argc; ++i)
    {
        if (!std::strcmp(argv[i], "--pictures") && i + 1 < argc)
            pictures = argv[++i];
        else if (!std::strcmp(argv[i], "--review") && i + 1 < argc)
            review = argv[++i];
        else if (!std::strcmp(argv[i], "--scene-shot") && i + 1 < argc)
            shot = argv[++i];
        else if (argv[i][0] != '-' && out.empty())
            out = argv[i];
        else
        {
            std::fprintf(stderr, "usage: contentgen OUTDIR [--pictures DIR] [--review DIR] [--scene-shot PICTURE]\n");
            return 2;
        }
    }
    if (out.empty())
    {
        std::fprintf(stderr, "usage: contentgen OUTDIR [--pictures DIR] [--review DIR] [--scene-shot PICTURE]\n");
        return 2;
    }
    auto t0 = std::chrono::steady_clock::now();
    qmc::ContentSet set = qmc::BuildContent(QM_GLYPH_FONT, shot);
    if (!set.error.empty())
    {
        std::fprintf(stderr, "contentgen: %s\n", set.error.c_str());
        return 1;
    }
    std::string err = qmc::WriteArchiveEntries(set, out);
    if (err.empty() && !pictures.empty())
        err = qmc::WritePictures(set, pictures);
    if (err.empty() && !review.empty())
        err = qmc::WriteReview(set, review);
    if (!err.empty())
    {
        std::fprintf(stderr, "contentgen: %s\n", err.c_str());
        return 1;
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    size_t bytes = 0;
    for (auto& e : set.entries)
        bytes += e.bytes.size();
    std::printf("entries=%zu entry_bytes=%zu seconds=%.1f\n", set.entries.size(), bytes, secs);
    for (auto& s : set.soundFigures)
        std::printf("%s\n", s.c_str());
    return 0;
}
