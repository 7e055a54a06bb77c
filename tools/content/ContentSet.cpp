#include "tools/content/ContentSet.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/content/Pictures.h"
#include "tools/content/StbCodecs.h"
#include "tools/content/TgaFile.h"

namespace qmc {

ContentSet BuildContent(const std::string& fontPath, const std::string& sceneShot)
{
    ContentSet set;
    Image shot;
    if (!sceneShot.empty())
    {
        std::ifstream in(sceneShot, std::ios::binary);
        shot =
            DecodeImage(std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
        if (shot.Empty())
        {
            set.error = "cannot read the scene picture " + sceneShot;
            return set;
        }
    }
    set.textures = AllTextures(fontPath);
    bool glyphs = false;
    for (auto& t : set.textures)
        glyphs |= t.name.rfind("digits\\", 0) == 0;
    if (!glyphs)
    {
        set.error = "cannot read the glyph font " + fontPath;
        return set;
    }
    for (auto& t : set.textures)
        set.entries.push_back({t.name, EncodeTga(t.image)});
    set.sounds = AllSounds();
    for (auto& s : set.sounds)
    {
        if (s.ogg.empty())
        {
            set.error = "Vorbis encoding failed for " + s.name;
            return set;
        }
        set.entries.push_back({s.name, s.ogg});
        char line[160];
        std::snprintf(line, sizeof line, "%s lufs=%.1f peak_dbfs=%.1f seconds=%.1f bytes=%zu", s.name.c_str(), s.lufs,
                      20 * std::log10(s.peak), double(s.pcm.size()) / s.channels / kSampleRate, s.ogg.size());
        set.soundFigures.push_back(line);
    }
    for (auto& p : AllPictures(set.textures, fontPath, shot.Empty() ? nullptr : &shot))
    {
        set.pictures.push_back({p.file, std::move(p.bytes)});
        set.pictureImages.push_back(std::move(p.image));
    }
    return set;
}

static std::string WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        return "cannot write " + path.string();
    return {};
}

std::string WriteArchiveEntries(const ContentSet& set, const std::string& dir)
{
    for (auto& e : set.entries)
    {
        std::string rel = e.name;
        for (char& c : rel)
            if (c == '\\')
                c = '/';
        std::string err = WriteFile(std::filesystem::path(dir) / rel, e.bytes);
        if (!err.empty())
            return err;
    }
    return {};
}

std::string WritePictures(const ContentSet& set, const std::string& dir)
{
    for (auto& p : set.pictures)
    {
        std::string err = WriteFile(std::filesystem::path(dir) / p.file, p.bytes);
        if (!err.empty())
            return err;
    }
    return {};
}

} // namespace qmc
