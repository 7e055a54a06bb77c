// Portable core: the rain. Each drop is a thin streak, one triangle, falling
// at 500 units a second to the level below it (river or pools), where its
// base stays on the water and widens while the drop sinks 30 units further;
// then it starts again 400 to 500 units higher at a new place. The vertices
// are written into memory the caller hands over (a locked dynamic buffer).
#pragma once

#include <cstdint>

constexpr int RAIN_MAX_DROPS = 1000;
constexpr int RAIN_VERTICES_PER_DROP = 3;

struct RainDrop
{
    float x, y, z; // the streak's lower end
    float level;   // the water it falls to
};

// Position and diffuse colour (format 0x42, 16 bytes).
struct RainVertex
{
    float x, y, z;
    uint32_t color;
};

struct RainDrops
{
    uint32_t m_nCount = 0; // drops 0..m_nCount-1 fall and draw
    RainDrop m_Drops[RAIN_MAX_DROPS] = {};

    // Stores the count (at most RAIN_MAX_DROPS) and places those drops
    // anywhere up to 500 high. Draws per drop: y, x, z.
    void Build(uint32_t count);
    // Writes each drop's three vertices as it stands (when out is not null,
    // 3 x m_nCount of them), then moves it by dt; a drop 30 below its level
    // starts again higher up (draws: height, x, z).
    void Advance(float dt, RainVertex* out);
};

// Triangle i of the streaks: 3i, 3i + 2, 3i + 1, for count triangles.
void RainIndices(uint32_t count, uint16_t* out);

// The streak's three vertices for a drop: the transparent top 60 above it,
// then the base corners, faded in between heights 500 and 300.
void RainStreak(const RainDrop& drop, RainVertex* out);
