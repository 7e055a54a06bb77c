#include "src/ClassBase/WorldRules.h"

#include <cstring>

int WorldParticleCount(bool enabled, int32_t strength)
{
    // 64-bit so a huge registry value cannot overflow into a small count.
    const int64_t count = static_cast<int64_t>(enabled ? strength : 0) * 1000 / 100;
    if (count < 0 || count > 1000)
        return 1000;
    return static_cast<int>(count);
}

float WorldFrameTime(uint32_t now, uint32_t previous)
{
    const float t = static_cast<float>(now - previous) * 0.001f;
    return t > 0.1f ? 0.1f : t;
}

uint32_t WorldBlendFactor(float blend)
{
    return (static_cast<uint32_t>(static_cast<int>(blend * 255.0f)) << 24) | 0xFFFFFFu;
}

bool SceneLoadReadsEntry(const char* normalisedName)
{
    static const char* const kUnread[] = {"DIGITS_",          "TREE01.SKIN", "TREE01.LINKANIM", "TREE01_STAY.ANIM",
                                          "TREE01_WIND.ANIM", "BARK01.",     "LEAVES01."};
    const size_t length = std::strlen(normalisedName);
    if (length >= 4 && std::strcmp(normalisedName + length - 4, ".OGG") == 0)
        return false;
    for (const char* prefix : kUnread)
        if (std::strncmp(normalisedName, prefix, std::strlen(prefix)) == 0)
            return false;
    return true;
}
