#include "cli/input_buffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace yumekaze::cli {

InputBuffer::~InputBuffer() {
  if (ownsFd_) ::close(fd_);
}

bool InputBuffer::Open(const std::string& path) {
  if (path == "-") {
    fd_ = STDIN_FILENO;
  } else {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return false;
    ownsFd_ = true;
  }
  struct stat info {};
  if (::fstat(fd_, &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      errno = EISDIR;
      return false;
    }
    if (S_ISREG(info.st_mode)) size_ = info.st_size;
  }
  buffer_.resize(2 * kBlockSize);
  return true;
}

bool InputBuffer::Request(size_t count) {
  while (Available() < count && !atEnd_) {
    if (buffer_.size() - end_ < kBlockSize) {
      // Move the unread rest to the front; the buffer holds two blocks, so a block always fits
      // behind any rest a frame parser asks for.
      std::memmove(buffer_.data(), buffer_.data() + begin_, Available());
      end_ -= begin_;
      begin_ = 0;
    }
    const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) atEnd_ = true;
    end_ += static_cast<size_t>(got);
  }
  return true;
}

void InputBuffer::Skip(size_t count) {
  count = std::min(count, Available());
  begin_ += count;
  position_ += count;
}

}  // namespace yumekaze::cli
