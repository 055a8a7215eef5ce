#include "cli/fd_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace yumekaze::cli {

FdStream::~FdStream() {
  if (owns_fd_) ::close(fd_);
}

bool FdStream::Open(const std::string& path) {
  if (path == "-") {
    fd_ = STDIN_FILENO;
  } else {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      last_error_ = errno;
      return false;
    }
    owns_fd_ = true;
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    last_error_ = errno;
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    last_error_ = EISDIR;
    return false;
  }
  // Standard input stays a plain stream even when it is a redirected file: it is read from where
  // it stands, front to back.
  seekable_ = owns_fd_ && S_ISREG(info.st_mode);
  size_ = seekable_ ? info.st_size : 0;
  return true;
}

void FdStream::Fail(const char* what, int error) {
  last_error_ = error;
  throw engine::TMPStreamError(std::string(what) + std::strerror(error));
}

size_t FdStream::Read(uint8_t* buffer, size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) Fail("Read error. ", errno);
  }
}

int64_t FdStream::Seek(int64_t offset, engine::SeekOrigin origin) {
  if (!seekable_) Fail("Seek error. ", ESPIPE);
  const int whence = origin == engine::SeekOrigin::Beginning ? SEEK_SET
                     : origin == engine::SeekOrigin::Current ? SEEK_CUR
                                                             : SEEK_END;
  const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (position < 0) Fail("Seek error. ", errno);
  return position;
}

}  // namespace yumekaze::cli
