// Entry points of a shared library defined in the program and forwarded to the library, which is
// loaded at the first call instead of at process start. Linked with --as-needed, the program then
// does not depend on the library: commands that never call it neither map nor relocate it.
#pragma once

#include <dlfcn.h>

namespace yumekaze::cli {

// The library's handle, loaded at the first call; null when it cannot be loaded.
template <const char* Soname>
void* OnDemandLibrary() {
  static void* const handle = ::dlopen(Soname, RTLD_NOW | RTLD_LOCAL);
  return handle;
}

// The library's `name`, which has the type of Self (the entry point being forwarded, which also
// keys the cached address); null when the library or the entry point is missing.
template <const char* Soname, auto Self>
auto Resolve(const char* name) {
  using Fn = decltype(Self);
  static const Fn real = [name] {
    void* const library = OnDemandLibrary<Soname>();
    return library != nullptr ? reinterpret_cast<Fn>(::dlsym(library, name)) : nullptr;
  }();
  return real;
}

// Calls the library's `name` with args, or returns fallback when it is missing.
template <const char* Soname, auto Self, typename Result, typename... Args>
Result Forward(const char* name, Result fallback, Args... args) {
  const auto real = Resolve<Soname, Self>(name);
  return real != nullptr ? real(args...) : fallback;
}

template <const char* Soname, auto Self, typename... Args>
void ForwardVoid(const char* name, Args... args) {
  if (const auto real = Resolve<Soname, Self>(name)) real(args...);
}

}  // namespace yumekaze::cli
