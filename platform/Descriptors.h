#pragma once

// Descriptor helpers shared by the POSIX services of this layer.

namespace quillet::platform {

// Closes `fd` without disturbing the errno of the failure being reported.
void CloseKeepingErrno(int fd);

}  // namespace quillet::platform
