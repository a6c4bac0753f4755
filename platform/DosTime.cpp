#include "platform/DosTime.h"

namespace quillet::platform {

namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;

struct DosFields {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};

DosFields Split(std::uint32_t dos_time) {
  return DosFields{
      static_cast<int>(dos_time >> 25) + kFirstYear, static_cast<int>((dos_time >> 21) & 0x0F),
      static_cast<int>((dos_time >> 16) & 0x1F),     static_cast<int>((dos_time >> 11) & 0x1F),
      static_cast<int>((dos_time >> 5) & 0x3F),      static_cast<int>(dos_time & 0x1F) * 2};
}

bool SameLocalTime(const std::tm& tm, const DosFields& f) {
  return tm.tm_year + 1900 == f.year && tm.tm_mon + 1 == f.month && tm.tm_mday == f.day &&
         tm.tm_hour == f.hour && tm.tm_min == f.minute && tm.tm_sec == f.second;
}

}  // namespace

bool UnixToDosTime(std::time_t unix_time, std::uint32_t& dos_time) {
  std::tm tm{};
  if (localtime_r(&unix_time, &tm) == nullptr) return false;
  int year = tm.tm_year + 1900;
  if (year < kFirstYear || year > kLastYear) return false;
  int second = tm.tm_sec > 59 ? 59 : tm.tm_sec;  // a leap second keeps its minute
  dos_time = static_cast<std::uint32_t>(year - kFirstYear) << 25 |
             static_cast<std::uint32_t>(tm.tm_mon + 1) << 21 |
             static_cast<std::uint32_t>(tm.tm_mday) << 16 |
             static_cast<std::uint32_t>(tm.tm_hour) << 11 |
             static_cast<std::uint32_t>(tm.tm_min) << 5 | static_cast<std::uint32_t>(second / 2);
  return true;
}

bool DosToUnixTime(std::uint32_t dos_time, std::time_t& unix_time) {
  const DosFields f = Split(dos_time);
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.hour > 23 || f.minute > 59 || f.second > 58)
    return false;
  std::tm tm{};
  tm.tm_year = f.year - 1900;
  tm.tm_mon = f.month - 1;
  tm.tm_mday = f.day;
  tm.tm_hour = f.hour;
  tm.tm_min = f.minute;
  tm.tm_sec = f.second;
  tm.tm_isdst = -1;
  std::time_t result = std::mktime(&tm);
  if (result == static_cast<std::time_t>(-1)) return false;
  // mktime moves a day past the month's end into the next month, and a local
  // time skipped by a daylight-saving change (midnight itself in some zones)
  // to another hour. Setting such a stamp would read back as a different one,
  // and a 00:00:00 stamp would no longer mark its file as processed: refuse it.
  std::tm back{};
  if (localtime_r(&result, &back) == nullptr || !SameLocalTime(back, f)) return false;
  unix_time = result;
  return true;
}

}  // namespace quillet::platform
