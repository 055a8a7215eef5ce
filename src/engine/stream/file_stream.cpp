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
    const ssize_t n = ::pread(fd_, buffer, count, static_cast<off_t>(position_));
    if (n >= 0) {
      position_ += n;
      return static_cast<size_t>(n);
    }
    if (errno != EINTR)
      throw TMPStreamError("Read error in \"" + path_ + "\". " + SystemReason(errno));
  }
}

int64_t TMPFileStream::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::Beginning ? 0
                       : origin == SeekOrigin::Current ? position_
                                                       : Size();
  if (base + offset < 0) {
    throw TMPStreamError("Seek error in \"" + path_ + "\". " + SystemReason(EINVAL));
  }
  position_ = base + offset;
  return position_;
}

int64_t TMPFileStream::Size() {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) {
    throw TMPStreamError("Cannot read the size of \"" + path_ + "\". " + SystemReason(errno));
  }
  return info.st_size;
}

std::unique_ptr<TMPStream> TMPFileStream::Duplicate() {
  const int fd = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  return std::unique_ptr<TMPStream>(new TMPFileStream(path_, fd));
}

}  // namespace yumekaze::engine
