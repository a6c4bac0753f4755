#include "platform/Descriptors.h"

#include <unistd.h>

#include <cerrno>

namespace quillet::platform {

void CloseKeepingErrno(int fd) {
  const int saved_errno = errno;
  close(fd);
  errno = saved_errno;
}

}  // namespace quillet::platform
