// Host tool: encodes every .tga picture below a folder as the .dds file the
// saver loads in its place (DXT3, V8U8 for the water bump maps), and removes
// the .tga, so the data archive ships textures ready for the device.
//   texbake DIR
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/TextureBake.h"

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: texbake DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    std::error_code ec;
    std::vector<fs::path> pictures;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file() && it->path().extension() == ".tga")
            pictures.push_back(it->path());
    if (ec)
    {
        std::fprintf(stderr, "texbake: cannot read %s: %s\n", root.string().c_str(), ec.message().c_str());
        return 1;
    }
    std::sort(pictures.begin(), pictures.end());

    size_t before = 0, after = 0;
    for (const fs::path& picture : pictures)
    {
        std::ifstream in(picture, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<uint8_t> dds;
        std::string error;
        const std::string name = fs::relative(picture, root).generic_string();
        if (!in.good() && !in.eof())
            error = "unreadable";
        else if (!gfx::BakeTexture(bytes.data(), bytes.size(), gfx::BakedTextureFormat(name), dds, &error))
            error = error.empty() ? "cannot encode" : error;
        if (!error.empty())
        {
            std::fprintf(stderr, "texbake: %s: %s\n", name.c_str(), error.c_str());
            return 1;
        }
        fs::path target = picture;
        target.replace_extension(".dds");
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(dds.data()), static_cast<std::streamsize>(dds.size()));
        if (!out.good())
        {
            std::fprintf(stderr, "texbake: cannot write %s\n", target.string().c_str());
            return 1;
        }
        out.close();
        fs::remove(picture);
        before += bytes.size();
        after += dds.size();
    }
    std::printf("texbake: %zu pictures, %zu bytes of TGA became %zu bytes of DDS\n", pictures.size(), before, after);
    return 0;
}
