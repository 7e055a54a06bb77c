// Portable core: the wall-clock time of day the overlay's clock shows, read
// through one seam that tests can drive.
#pragma once

struct LocalClockTime
{
    int hour;   // 0..23
    int minute; // 0..59
    int second; // 0..60 (60: a leap second)
};

// Fills *out and returns true, or returns false when there is no time.
using LocalTimeSource = bool (*)(LocalClockTime* out);

// The local time from the installed source. False when the source fails or
// gives a field out of range; *out is then left as it was, so a failed read
// can never be shown.
bool LocalTimeRead(LocalClockTime* out);

// Replaces the source; null restores the C library's local time.
void LocalTimeSetSource(LocalTimeSource source);
