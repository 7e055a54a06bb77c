// Portable core: one scene file read from an archive and handed to a parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "data/RarArchive.h"
#include "src/ClassRender/Log.h"

// Extracts `name` from the archive and calls parse(data, size), which returns
// 0 or a non-zero status; the bytes are freed afterwards. 0, or non-zero with
// one log line "<what> <name>: ..." (1 when the entry is missing, else the
// parser's status).
template <class Parse> int LoadSceneEntry(const ArchiveView& archive, const char* what, const char* name, Parse parse)
{
    ArchiveView view = {archive.data, archive.size, 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (name == nullptr || !ExtractArchiveEntry("", name, &data, &size, &view))
    {
        LogWrite(g_szLogFile, "%s %s: not in the archive\n", what, name != nullptr ? name : "(null)");
        return 1;
    }
    const int status = parse(static_cast<const void*>(data), static_cast<size_t>(size));
    free(data);
    if (status != 0)
        LogWrite(g_szLogFile, "%s %s: bad file (%d)\n", what, name, status);
    return status;
}

// The same into an object with Release() and LoadBytes(data, size): emptied
// first, so a missing entry leaves it empty too.
template <class Object>
int LoadSceneObject(const ArchiveView& archive, const char* what, const char* name, Object& object)
{
    object.Release();
    return LoadSceneEntry(archive, what, name,
                          [&object](const void* data, size_t size) { return object.LoadBytes(data, size); });
}
