#pragma once

// MS-DOS date and time stamps in local time (the process's time zone, TZ
// respected): year-1980 in bits 25..31, month 21..24, day 16..20, hour
// 11..15, minute 5..10, seconds/2 in 0..4. Resolution is two seconds.

#include <cstdint>
#include <ctime>

namespace quillet::platform {

// A stamp that cannot be read. Its time of day is never 00:00:00 and it
// cannot be written back.
inline constexpr std::uint32_t kBadDosTime = 0xFFFFFFFFu;

// Converts a Unix time to a DOS stamp in local time; seconds are rounded
// down to an even number. Returns false outside 1980..2107.
bool UnixToDosTime(std::time_t unix_time, std::uint32_t& dos_time);

// Converts a DOS stamp in local time to a Unix time. Returns false for a
// stamp with fields out of range (kBadDosTime among them).
bool DosToUnixTime(std::uint32_t dos_time, std::time_t& unix_time);

// True when the hour, minute and second fields are all zero.
inline bool IsMidnight(std::uint32_t dos_time) { return (dos_time & 0xFFFFu) == 0; }

// The same stamp with hour, minute and second set to zero.
inline std::uint32_t AtMidnight(std::uint32_t dos_time) { return dos_time & 0xFFFF0000u; }

}  // namespace quillet::platform
