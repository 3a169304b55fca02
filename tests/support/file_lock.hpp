// An exclusive lock on a file, held while the scope lasts: test processes that
// share one build tree take turns building what they all reuse (templates).
// flock() locks belong to the open file, so threads of one process exclude each other too.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

namespace zpk::test {

// Waits for the lock on `file` (created when missing) and holds it until destroyed.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& file) : fd_(::open(file.c_str(), O_RDWR | O_CREAT, 0644)) {
    if (fd_ < 0) throw std::runtime_error("cannot open lock file " + file.string());
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno != EINTR) {
        ::close(fd_);
        throw std::runtime_error("cannot lock " + file.string());
      }
    }
  }
  ~FileLock() {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

}  // namespace zpk::test
