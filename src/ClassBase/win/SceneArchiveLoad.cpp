// Windows layer: the portable scene classes read from the executable's own
// data archive (resource CustomData 454).
#include <windows.h>

#include "data/win/ArchiveResource.h"
#include "src/ClassBase/CameraPath.h"
#include "src/ClassBase/CollisionFaces.h"
#include "src/ClassBase/ObjectTrajectory.h"
#include "src/ClassBase/TransformList.h"

namespace {

ArchiveView ExecutableArchive()
{
    ArchiveView view = {nullptr, 0, 0};
    GetArchiveView(&view);
    return view;
}

} // namespace

int CCameraPath::Load(const char* fileName)
{
    return LoadFrom(ExecutableArchive(), fileName);
}

int ObjectTrajectory::Load(const char* fileName)
{
    return LoadFrom(ExecutableArchive(), fileName);
}

int CTransformList::Load(const char* fileName)
{
    return LoadFrom(ExecutableArchive(), fileName);
}

int CCollisionFaces::Load()
{
    return LoadFrom(ExecutableArchive(), "coll.collface");
}
