// Portable core: the stb_image and stb_image_resize implementations of the
// core; the rest of the core includes their headers only. Tools and tests that
// need other stb parts compile static copies of their own.
#include <cstdlib>

#define STB_IMAGE_IMPLEMENTATION
// Zeroed allocations: a JPEG scan that names a Huffman table its file never
// defined would otherwise decode with leftover heap bytes as the table and
// index far outside it.
#define STBI_MALLOC(size)     std::calloc(1, size)
#define STBI_REALLOC(p, size) std::realloc(p, size)
#define STBI_FREE(p)          std::free(p)
#define STBI_MAX_DIMENSIONS   16384 // refuse absurd headers before allocating
#define STB_IMAGE_RESIZE_IMPLEMENTATION

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#endif

// stb shifts negative values left (well defined since C++20, and what
// every compiler does); keep the sanitizer's shift check for our own code.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("shift"))), apply_to = function)
#endif
#include <stb_image.h>
#include <stb_image_resize.h>
#if defined(__clang__)
#pragma clang attribute pop
#endif

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
