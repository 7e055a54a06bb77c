// Portable core: the .transobj transform track file.
#include "src/ClassBase/TransObjFile.h"

#include "src/ClassBase/SceneBytes.h"

using scenefile::ByteReader;
using scenefile::ByteWriter;

int ReadCameraPathFile(const void* data, size_t size, CameraPathData& out)
{
    out = CameraPathData();
    ByteReader r(data, size);
    uint32_t tag, n;
    if (!r.GetU32(tag) || !r.GetU32(n))
        return 1;
    if (n == 0)
        return 2;
    if (r.Remaining() % 24 != 0 || r.Remaining() / 24 != n)
        return 3;
    CameraPathData d;
    d.eyes.resize(n);
    d.targets.resize(n);
    for (auto& e : d.eyes)
        r.GetFloats(&e.x, 3);
    for (auto& t : d.targets)
        r.GetFloats(&t.x, 3);
    out = std::move(d);
    return 0;
}

int ReadTrajectoryFile(const void* data, size_t size, TrajectoryData& out)
{
    out = TrajectoryData();
    ByteReader r(data, size);
    uint32_t objects, n;
    if (!r.GetU32(objects) || !r.GetU32(n))
        return 1;
    if (n == 0)
        return 2;
    const size_t per = 64 * TRAJECTORY_OBJECTS;
    if (r.Remaining() % per != 0 || r.Remaining() / per != n)
        return 3;
    TrajectoryData d;
    d.frames = n;
    d.matrices.resize(size_t(n) * TRAJECTORY_OBJECTS);
    for (auto& m : d.matrices)
        r.GetFloats(&m.m[0][0], 16);
    out = std::move(d);
    return 0;
}

int ReadInstanceListFile(const void* data, size_t size, InstanceListData& out)
{
    out = InstanceListData();
    ByteReader r(data, size);
    uint32_t c;
    if (!r.GetU32(c))
        return 1;
    if (r.Remaining() % 64 != 0 || r.Remaining() / 64 != c)
        return 3;
    InstanceListData d;
    d.placements.resize(c);
    for (auto& m : d.placements)
        r.GetFloats(&m.m[0][0], 16);
    out = std::move(d);
    return 0;
}

std::vector<uint8_t> WriteCameraPathFile(const CameraPathData& in)
{
    if (in.eyes.size() != in.targets.size() || in.eyes.size() > 0xFFFFFFFFu)
        return {};
    ByteWriter w;
    w.PutU32(2);
    w.PutU32(uint32_t(in.eyes.size()));
    for (const auto& e : in.eyes)
        w.PutFloats(&e.x, 3);
    for (const auto& t : in.targets)
        w.PutFloats(&t.x, 3);
    return std::move(w.Bytes());
}

std::vector<uint8_t> WriteTrajectoryFile(const TrajectoryData& in)
{
    if (in.matrices.size() != size_t(in.frames) * TRAJECTORY_OBJECTS)
        return {};
    ByteWriter w;
    w.PutU32(TRAJECTORY_OBJECTS);
    w.PutU32(in.frames);
    for (const auto& m : in.matrices)
        w.PutFloats(&m.m[0][0], 16);
    return std::move(w.Bytes());
}

std::vector<uint8_t> WriteInstanceListFile(const InstanceListData& in)
{
    ByteWriter w;
    w.PutU32(uint32_t(in.placements.size()));
    for (const auto& m : in.placements)
        w.PutFloats(&m.m[0][0], 16);
    return std::move(w.Bytes());
}
