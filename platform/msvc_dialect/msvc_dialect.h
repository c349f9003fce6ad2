// Read before every C++ source of a program that links platform_msvc_dialect (a forced include).
//
// MSVC's preprocessor joins a prefix to a stringized macro argument: in `#define NAME(x) SetName(x, L#x)`,
// `L#x` becomes the wide literal L"x". GCC and Clang keep the `L` and the narrow "x" apart, two tokens that
// mean nothing together. Here `L` on its own is a macro that turns the narrow literal after it into a wide
// string with static storage, so such macros compile to what MSVC makes of them. `L"x"` and `L'x'` are single
// tokens and stay untouched. DirectXMath, which programs of this kind use, names variables `L`; it is read
// first, when the program has it on its include path, so that its functions keep their own variable.
#pragma once

#ifdef __cplusplus

#if __has_include(<DirectXMath.h>)
#include <DirectXMath.h>
#endif

#include <mutex>
#include <set>
#include <string>

namespace platform_msvc_dialect {

struct WidePrefix {};

// The wide copy of an ASCII literal, kept for the life of the program: one copy per distinct text.
inline const wchar_t* operator+(WidePrefix, const char* narrow) {
  static std::mutex mutex;
  static std::set<std::wstring> texts;
  const std::lock_guard<std::mutex> lock(mutex);
  return texts.emplace(narrow, narrow + std::char_traits<char>::length(narrow)).first->c_str();
}

}  // namespace platform_msvc_dialect

#define L ::platform_msvc_dialect::WidePrefix{} +

#endif  // __cplusplus
