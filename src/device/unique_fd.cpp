#include "device/unique_fd.h"

#include <unistd.h>

namespace tavrinex::device {

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace tavrinex::device
