#include "deliver/file_lock.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace orla::deliver {

FileLock::FileLock(const std::filesystem::path& file, const std::function<void()>& waiting) {
  descriptor_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor_ < 0) {
    throw std::system_error(errno, std::generic_category(), "cannot open " + file.string());
  }
  if (::flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
    return;
  }
  if (waiting) {
    waiting();
  }
  int result = 0;
  do {
    result = ::flock(descriptor_, LOCK_EX);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const int error = errno;
    ::close(descriptor_);
    throw std::system_error(error, std::generic_category(), "cannot lock " + file.string());
  }
}

FileLock::~FileLock() {
  // Closing the file gives the lock back.
  ::close(descriptor_);
}

}  // namespace orla::deliver
