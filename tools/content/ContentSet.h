// The whole generated content: archive entries as file bytes, plus the
// resource pictures and the figures measured on the way.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/content/Image.h"
#include "tools/content/Sounds.h"
#include "tools/content/Textures.h"

namespace qmc {

struct ArchiveEntry
{
    std::string name; // with '\' between folders, as the archive stores it
    std::vector<uint8_t> bytes;
};

struct PictureFile
{
    std::string file; // file name in the pictures folder
    std::vector<uint8_t> bytes;
};

struct ContentSet
{
    std::vector<TextureEntry> textures;
    std::vector<SoundEntry> sounds;
    std::vector<ArchiveEntry> entries; // textures, then sounds
    std::vector<PictureFile> pictures;
    std::vector<Image> pictureImages;      // the same pictures, for the contact sheet
    std::vector<std::string> soundFigures; // "name lufs=... peak=..." lines
    std::string error;
};

// `sceneShot`: optional PNG (or any picture) of the rendered scene for the
// loading, preview and dialog pictures; empty means they are painted.
ContentSet BuildContent(const std::string& fontPath, const std::string& sceneShot = "");
// Each returns an empty string or what went wrong.
std::string WriteArchiveEntries(const ContentSet& set, const std::string& dir);
std::string WritePictures(const ContentSet& set, const std::string& dir);
std::string WriteReview(const ContentSet& set, const std::string& dir);

} // namespace qmc
