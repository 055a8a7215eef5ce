#include "engine/stream/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace yumekaze::engine {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

}  // namespace

TMPFileStream::TMPFileStream(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    throw TMPStreamError("Cannot open file \"" + path + "\". " + SystemReason(errno));
  }
  // A directory opens read-only without complaint; refuse it here rather than at the first read.
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd_);
    fd_ = -1;
    throw TMPStreamError("Cannot open file \"" + path + "\". " + SystemReason(error));
  }
}

TMPFileStream::~TMPFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

size_t TMPFileStream::Read(uint8_t* buffer, size_t count) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, count);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR)
      throw TMPStreamError("Read error in \"" + path_ + "\". " + SystemReason(errno));
  }
}

int64_t TMPFileStream::Seek(int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Beginning ? SEEK_SET
                     : origin == SeekOrigin::Current ? SEEK_CUR
                                                     : SEEK_END;
  const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (position < 0) throw TMPStreamError("Seek error in \"" + path_ + "\". " + SystemReason(errno));
  return position;
}

int64_t TMPFileStream::Size() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    throw TMPStreamError("Cannot read the size of \"" + path_ + "\". " + SystemReason(errno));
  }
  return info.st_size;
}

}  // namespace yumekaze::engine
