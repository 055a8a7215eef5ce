// Consistency checks of the engine: a failed check throws TMPAssertionError naming the component's
// unit ("MP3Plyr") and the line, so that a misuse surfaces as an ordinary engine error instead of
// undefined behaviour.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>

namespace yumekaze::engine {

class TMPAssertionError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// Throws TMPAssertionError("Assertion failed (MP3Plyr, line N)") when condition is false.
inline void MPAssert(bool condition,
                     const std::source_location& where = std::source_location::current()) {
  if (!condition) {
    throw TMPAssertionError("Assertion failed (MP3Plyr, line " + std::to_string(where.line()) +
                            ")");
  }
}

}  // namespace yumekaze::engine
