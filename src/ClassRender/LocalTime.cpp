// Portable core: the wall-clock time of day, through a seam.
#include "src/ClassRender/LocalTime.h"

#include <ctime>

static bool LibraryLocalTime(LocalClockTime* out)
{
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1))
        return false;
    // single-threaded program: the library's static result is safe here
    const std::tm* local = std::localtime(&now);
    if (local == nullptr)
        return false;
    out->hour = local->tm_hour;
    out->minute = local->tm_min;
    out->second = local->tm_sec;
    return true;
}

static LocalTimeSource s_source = LibraryLocalTime;

bool LocalTimeRead(LocalClockTime* out)
{
    LocalClockTime time = {-1, -1, -1};
    if (out == nullptr || !s_source(&time))
        return false;
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 || time.second > 60)
        return false;
    *out = time;
    return true;
}

void LocalTimeSetSource(LocalTimeSource source)
{
    s_source = source ? source : LibraryLocalTime;
}
