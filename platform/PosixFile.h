#pragma once

// An open file of the POSIX file layer: a descriptor behind the File
// interface. Reads and writes are retried when interrupted; a large write
// starts the writeback early so that the final Sync waits only for the
// tail.

#include <memory>

#include "platform/FileSystem.h"

namespace quillet::platform {

// The File for the open descriptor `fd`, which it owns from then on and
// closes at the latest when destroyed.
std::unique_ptr<File> MakePosixFile(int fd);

}  // namespace quillet::platform
