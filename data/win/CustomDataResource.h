// Windows layer: the bytes of a CustomData resource of a module.
#pragma once
#include <windows.h>

#include <cstdint>

// Resource `id` of type "CustomData" in `module` (null: the running
// program). The bytes are read-only and live as long as the module. False,
// with *data null and *size 0, when the resource is missing or empty.
bool FindCustomData(HMODULE module, int id, const unsigned char** data, uint32_t* size);
