#pragma once

// Descriptor-level guards of the POSIX file layer: holding a log file
// against other openers, preparing a temporary or increment file beside it,
// and the pending mark. Only PosixFileSystem.cpp includes this header.

#include <sys/stat.h>

#include "platform/FileSystem.h"

namespace quillet::platform {

// Holds the open regular file `fd` (opened read-write): refuses it with
// EMLINK when it has more than one hard link, takes an exclusive flock and,
// where the system grants one, a write lease. Fails with EWOULDBLOCK when
// another holder has the file or another descriptor of it is open. On
// failure nothing is left taken apart from what closing `fd` releases.
bool HoldFile(int fd, const struct stat& st);

// Checks and prepares the open file `fd` beside a log file as
// FileSystem::OpenBeside describes, before anything in it is truncated or
// written. False with errno set when it is refused or cannot be prepared.
bool PrepareBeside(int fd, const struct stat& st, OpenMode mode, const FileInfo& log);

bool SetPendingMark(int fd, bool pending);
bool GetPendingMark(int fd, bool& pending);

}  // namespace quillet::platform
