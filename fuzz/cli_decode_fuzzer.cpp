// Fuzzes `yumekaze-cli decode` as its users run it: the command's entry point with the input in
// a file that lives in memory and raw PCM written to /dev/null. Leading tags, the VBR header,
// the first-frame search, free-format measurement, resynchronisation and every frame are on the
// way. The command must end with success or with its input error, never anything else.
//
// Input: one control byte, then the file.
//   bits 0-1 --channels stereo|mix|left|right, bit 2 --full-band, bit 3 --cpu 3dnow,
//   bits 4-5 --freq-limit: 24000 (the default), 1000, 48000 or 0 Hz
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "cli/command_line.h"

namespace {

// A failed check names itself, then aborts so that libFuzzer keeps the input.
#define Check(condition) ((condition) ? void() : Fail(#condition, __LINE__))

[[noreturn]] void Fail(const char* condition, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, condition);
  std::abort();
}

// The input as a file that lives in memory only.
class MemoryFile {
 public:
  MemoryFile(const uint8_t* data, size_t size) : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
    Check(fd_ >= 0);
    for (size_t done = 0; done < size;) {
      const ssize_t wrote = ::write(fd_, data + done, size - done);
      Check(wrote > 0);
      done += static_cast<size_t>(wrote);
    }
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const kChannels[] = {"stereo", "mix", "left", "right"};
  static const char* const kLimits[] = {"24000", "1000", "48000", "0"};
  const MemoryFile file(data + 1, size - 1);
  std::vector<std::string> args = {"--channels", kChannels[data[0] & 3], "--freq-limit",
                                   kLimits[(data[0] >> 4) & 3]};
  if (data[0] & 4) args.push_back("--full-band");
  if (data[0] & 8) args.insert(args.end(), {"--cpu", "3dnow"});
  args.insert(args.end(), {file.Path(), "-o", "/dev/null"});

  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  const int status = yumekaze::cli::RunDecodeCommand(std::span<char* const>(argv));
  Check(status == yumekaze::cli::kExitSuccess || status == yumekaze::cli::kExitFailure);
  return 0;
}
