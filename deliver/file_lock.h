// An exclusive lock on a file, held for the object's life, between processes as well as
// threads: the timer's delivery run and a user's, or two changes to the subscriptions file.
#pragma once

#include <filesystem>
#include <functional>

namespace orla::deliver {

class FileLock {
 public:
  // Waits for the lock, calling `waiting` (may be empty) first when someone else holds it.
  // Raises std::system_error naming the file when it cannot be made or locked.
  explicit FileLock(const std::filesystem::path& file, const std::function<void()>& waiting = {});
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int descriptor_ = -1;
};

}  // namespace orla::deliver
