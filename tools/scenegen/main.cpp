// scenegen: writes every scene file the program loads, lists them, and
// renders previews of the valley.
//   scenegen OUTDIR                      write the files (camera\x -> OUTDIR/camera/x)
//   scenegen --list                      entry names, one a line
//   scenegen --textures                  texture entries the models name
//   scenegen --stats                     vertex and triangle counts per file, then the budget
//   scenegen --budget                    triangles against the 16-bit first-index cap, as name=value
//   scenegen --preview PATH FRAME OUT.png [--texdir DIR]
//   scenegen --overview OUT.png [--texdir DIR]
//   scenegen --view EX EY EZ AX AY AZ MS OUT.png [--texdir DIR]   any eye, look-at and time
//   scenegen --stand-in-textures DIR     stand-in .tga pictures for the textures only the models name
// --flat-water leaves out the mirrored pictures on the water.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "Preview.h"
#include "Scene.h"

namespace {

bool MakeDirs(const std::string& path)
{
    std::string cur;
    for (size_t i = 0; i <= path.size(); ++i)
    {
        if (i == path.size() || path[i] == '/')
        {
            if (!cur.empty())
                mkdir(cur.c_str(), 0755);
        }
        if (i < path.size())
            cur += path[i];
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The models' triangles, and the highest first index of any material
// against the cap the format's 16 bits set.
void PrintBudget(const sg::SceneContent& scene)
{
    size_t triangles = 0, firstMax = 0, textureBytes = 0;
    std::string worst;
    for (const auto& m : scene.models)
    {
        triangles += m.second.indices.size() / 3;
        for (const auto& mat : m.second.materials)
            if (mat.firstIndex >= firstMax)
            {
                firstMax = mat.firstIndex;
                worst = m.first;
            }
    }
    for (const auto& t : scene.textures)
        textureBytes += t.second.size();
    std::printf("scene_triangles=%zu\nscene_triangles_scenery=%zu\n", triangles,
                scene.models.at("scene.singleobject").indices.size() / 3);
    std::printf("scene_first_index_max=%zu (%s)\nscene_first_index_cap=65535\n", firstMax, worst.c_str());
    std::printf("scene_made_texture_bytes=%zu\n", textureBytes);
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: scenegen OUTDIR | --list | --textures | --stats | --budget | --stand-in-textures DIR |\n"
                 "       --preview PATH FRAME OUT.png [--texdir DIR] | --overview OUT.png [--texdir DIR] |\n"
                 "       --view EX EY EZ AX AY AZ MS OUT.png [--texdir DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string cmd = argv[1];
    sg::PreviewOptions opt;
    for (int i = 2; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--texdir") == 0)
            opt.textureDir = argv[i + 1];
    for (int i = 2; i < argc; ++i)
        if (std::strcmp(argv[i], "--flat-water") == 0)
            opt.reflections = false;

    const sg::SceneContent scene = sg::BuildScene();
    if (cmd == "--list")
    {
        for (const auto& f : scene.Files())
            std::printf("%s\n", f.first.c_str());
        return 0;
    }
    if (cmd == "--textures")
    {
        for (const auto& t : sg::ReferencedTextures(scene))
            std::printf("%s\n", t.c_str());
        return 0;
    }
    if (cmd == "--stats")
    {
        size_t total = 0;
        for (const auto& f : scene.Files())
            total += f.second.size();
        for (const auto& m : scene.models)
            std::printf("%s vertices=%zu triangles=%zu materials=%zu\n", m.first.c_str(), m.second.vertices.size(),
                        m.second.indices.size() / 3, m.second.materials.size());
        for (const auto& m : scene.skins)
            std::printf("%s vertices=%zu triangles=%zu bones=%u\n", m.first.c_str(), m.second.positions.size(),
                        m.second.indices.size() / 3, unsigned(m.second.boneCount));
        for (const auto& a : scene.anims)
            std::printf("%s bones=%u frames=%u\n", a.first.c_str(), unsigned(a.second.boneCount),
                        unsigned(a.second.frameCount));
        for (const auto& l : scene.links)
            std::printf("%s cards=%zu\n", l.first.c_str(), l.second.cards.size());
        for (const auto& l : scene.lists)
            std::printf("%s instances=%zu\n", l.first.c_str(), l.second.placements.size());
        std::printf("collision faces=%zu\nfiles=%zu bytes=%zu\n", scene.collision.faces.size(), scene.Files().size(),
                    total);
        PrintBudget(scene);
        return 0;
    }
    if (cmd == "--budget")
    {
        PrintBudget(scene);
        return 0;
    }
    if (cmd == "--preview")
    {
        if (argc < 5)
            return Usage();
        return sg::RenderPathFrame(scene, std::atoi(argv[2]), std::atoi(argv[3]), argv[4], opt) ? 0 : 1;
    }
    if (cmd == "--stand-in-textures")
    {
        if (argc < 3 || !MakeDirs(argv[2]))
            return Usage();
        for (const auto& t : sg::ReferencedTextures(scene))
            if (!sg::ProgramNamesTexture(t) && scene.textures.count(t) == 0 &&
                !sg::WriteStandInTexture(t, std::string(argv[2]) + "/" + t))
            {
                std::fprintf(stderr, "cannot write %s\n", t.c_str());
                return 1;
            }
        return 0;
    }
    if (cmd == "--view")
    {
        if (argc < 10)
            return Usage();
        float v[7];
        for (int i = 0; i < 7; ++i)
            v[i] = float(std::atof(argv[2 + i]));
        return sg::RenderViewPng(scene, {v[0], v[1], v[2]}, {v[3], v[4], v[5]}, int(v[6]), argv[9], opt) ? 0 : 1;
    }
    if (cmd == "--overview")
    {
        if (argc < 3)
            return Usage();
        return sg::RenderOverview(scene, argv[2], opt) ? 0 : 1;
    }
    if (cmd[0] == '-')
        return Usage();

    for (const auto& f : scene.Files())
    {
        std::string path = cmd + "/" + f.first;
        for (auto& c : path)
            if (c == '\\')
                c = '/';
        const size_t slash = path.rfind('/');
        if (!MakeDirs(path.substr(0, slash)))
        {
            std::fprintf(stderr, "cannot create the folder of %s\n", path.c_str());
            return 1;
        }
        FILE* out = std::fopen(path.c_str(), "wb");
        if (!out || std::fwrite(f.second.data(), 1, f.second.size(), out) != f.second.size())
        {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            if (out)
                std::fclose(out);
            return 1;
        }
        std::fclose(out);
    }
    return 0;
}
