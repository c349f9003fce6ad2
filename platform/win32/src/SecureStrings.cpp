// The MSVC runtime's secure copy, format and case-blind comparison functions. Their invalid-parameter
// behaviour is that of a runtime whose handler returns: one stderr line, an empty destination where there is
// one to empty, and the errno value both returned (or set) as the documented result says.

#include <secure_crt.h>

#include "Diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>
#include <vector>

namespace {

void ReportInvalidParameter(const char* call, const char* what) { win32::Report(call, "invalid parameter: %s", what); }

template <typename Char>
errno_t Reject(errno_t error, const char* call, const char* what, Char* destination, size_t destinationSize) {
  if (destination != nullptr && destinationSize > 0) destination[0] = Char{};
  ReportInvalidParameter(call, what);
  errno = error;
  return error;
}

template <typename Char>
size_t Length(const Char* text) {
  size_t length = 0;
  while (text[length] != Char{}) ++length;
  return length;
}

// Appends `source` at `offset` of `destination`; the whole result must fit with its terminator.
template <typename Char>
errno_t CopyAt(const char* call, Char* destination, size_t destinationSize, size_t offset, const Char* source) {
  const size_t length = Length(source);
  if (offset + length + 1 > destinationSize) {
    return Reject(ERANGE, call, "the destination is too small", destination, destinationSize);
  }
  std::memmove(destination + offset, source, (length + 1) * sizeof(Char));
  return 0;
}

template <typename Char>
errno_t Copy(const char* call, Char* destination, size_t destinationSize, const Char* source, bool append) {
  if (destination == nullptr || destinationSize == 0) {
    return Reject<Char>(EINVAL, call, "null or empty destination", nullptr, 0);
  }
  if (source == nullptr) return Reject(EINVAL, call, "null source", destination, destinationSize);
  size_t offset = 0;
  if (append) {
    while (offset < destinationSize && destination[offset] != Char{}) ++offset;
    if (offset == destinationSize) {
      return Reject(EINVAL, call, "the destination is not terminated within its size", destination, destinationSize);
    }
  }
  return CopyAt(call, destination, destinationSize, offset, source);
}

// The MSVC runtime's printf dialect in glibc's spelling. Where they differ:
// - long is 32 bits on Windows, so %ld and %lu read a 32-bit value (which is what LONG and DWORD are here);
//   %I64d and %I32d name the width outright, %Id the pointer's.
// - %s and %c take the function's own character type, %S and %C the other one, %hs/%hc always narrow and
//   %ls/%lc/%ws/%wc always wide. glibc reads %s as narrow in both families and wants %ls for wide.
template <typename Char>
std::basic_string<Char> GlibcFormat(const Char* format) {
  constexpr bool kWideFunction = sizeof(Char) == sizeof(wchar_t);
  auto in = [](Char c, const char* set) { return c != 0 && c < 128 && std::strchr(set, static_cast<char>(c)); };
  std::basic_string<Char> result;
  for (const Char* p = format; *p != 0; ++p) {
    result += *p;
    if (*p != '%') continue;
    ++p;
    if (*p == '%') {
      result += *p;
      continue;
    }
    while (in(*p, "-+ #0123456789.*")) result += *p++;
    std::string length;
    while (in(*p, "hlLqjztwI")) {
      const char modifier = static_cast<char>(*p++);
      length += modifier;
      if (modifier == 'I' && p[0] == '6' && p[1] == '4') {
        length += "64";
        p += 2;
      } else if (modifier == 'I' && p[0] == '3' && p[1] == '2') {
        length += "32";
        p += 2;
      }
    }
    if (*p == 0) break;
    const char conversion = *p < 128 ? static_cast<char>(*p) : '?';
    std::string translated;
    if (std::strchr("diouxX", conversion) != nullptr) {
      if (length == "l" || length == "I32")
        translated = "";
      else if (length == "I64" || length == "I" || length == "q")
        translated = "ll";
      else
        translated = length;
      translated += conversion;
    } else if (std::strchr("scSC", conversion) != nullptr) {
      const bool upper = conversion == 'S' || conversion == 'C';
      bool wide;
      if (length == "h")
        wide = false;
      else if (length == "l" || length == "w")
        wide = true;
      else
        wide = upper != kWideFunction;
      translated = std::string(wide ? "l" : "") + static_cast<char>(upper ? conversion - 'S' + 's' : conversion);
    } else {
      result.append(length.begin(), length.end());
      result += *p;
      continue;
    }
    result.append(translated.begin(), translated.end());
  }
  return result;
}

}  // namespace

errno_t strcpy_s(char* destination, size_t destinationSize, const char* source) {
  return Copy("strcpy_s", destination, destinationSize, source, false);
}

errno_t wcscpy_s(wchar_t* destination, size_t destinationSize, const wchar_t* source) {
  return Copy("wcscpy_s", destination, destinationSize, source, false);
}

errno_t strcat_s(char* destination, size_t destinationSize, const char* source) {
  return Copy("strcat_s", destination, destinationSize, source, true);
}

errno_t wcscat_s(wchar_t* destination, size_t destinationSize, const wchar_t* source) {
  return Copy("wcscat_s", destination, destinationSize, source, true);
}

int vsprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, va_list arguments) {
  if (buffer == nullptr || sizeOfBuffer == 0 || format == nullptr) {
    Reject(EINVAL, "sprintf_s", "null buffer or format, or a buffer of no size", buffer, sizeOfBuffer);
    return -1;
  }
  const std::string glibcFormat = GlibcFormat(format);
  const int needed = std::vsnprintf(buffer, sizeOfBuffer, glibcFormat.c_str(), arguments);
  if (needed < 0) {
    Reject(EINVAL, "sprintf_s", "the format could not be applied", buffer, sizeOfBuffer);
    return -1;
  }
  if (static_cast<size_t>(needed) + 1 > sizeOfBuffer) {
    Reject(ERANGE, "sprintf_s", "the buffer is too small for the text", buffer, sizeOfBuffer);
    return -1;
  }
  return needed;
}

int sprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = vsprintf_s(buffer, sizeOfBuffer, format, arguments);
  va_end(arguments);
  return written;
}

int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list arguments) {
  if (buffer == nullptr || sizeOfBuffer == 0 || format == nullptr) {
    Reject(EINVAL, "swprintf_s", "null buffer or format, or a buffer of no size", buffer, sizeOfBuffer);
    return -1;
  }
  const std::wstring glibcFormat = GlibcFormat(format);
  // vswprintf says -1 both for "does not fit" and for a bad format, so the text is formatted into scratch
  // space that grows until it fits; only then is its length compared with the program's buffer.
  std::vector<wchar_t> scratch(std::max<size_t>(sizeOfBuffer, 256));
  for (;;) {
    va_list copy;
    va_copy(copy, arguments);
    const int written = std::vswprintf(scratch.data(), scratch.size(), glibcFormat.c_str(), copy);
    va_end(copy);
    if (written >= 0) {
      if (static_cast<size_t>(written) + 1 > sizeOfBuffer) {
        Reject(ERANGE, "swprintf_s", "the buffer is too small for the text", buffer, sizeOfBuffer);
        return -1;
      }
      std::wmemcpy(buffer, scratch.data(), static_cast<size_t>(written) + 1);
      return written;
    }
    if (scratch.size() >= (size_t{1} << 24)) {
      Reject(EINVAL, "swprintf_s", "the format could not be applied", buffer, sizeOfBuffer);
      return -1;
    }
    scratch.resize(scratch.size() * 4);
  }
}

int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = vswprintf_s(buffer, sizeOfBuffer, format, arguments);
  va_end(arguments);
  return written;
}

namespace {

int FoldAscii(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

// Compares at most `count` characters, folding ASCII capitals to small letters first, as the MSVC runtime
// does in the "C" locale (so '_' sorts after the letters, whichever case they were written in).
template <typename Char>
int CompareFolded(const char* call, const Char* first, const Char* second, size_t count) {
  if (first == nullptr || second == nullptr) {
    ReportInvalidParameter(call, "null string");
    errno = EINVAL;
    return _NLSCMPERROR;
  }
  for (size_t i = 0; i < count; ++i) {
    using Unsigned = std::make_unsigned_t<Char>;
    const int a = FoldAscii(static_cast<Unsigned>(first[i]));
    const int b = FoldAscii(static_cast<Unsigned>(second[i]));
    if (a != b) return a - b;
    if (a == 0) return 0;
  }
  return 0;
}

}  // namespace

int _stricmp(const char* first, const char* second) { return CompareFolded("_stricmp", first, second, SIZE_MAX); }

int _strnicmp(const char* first, const char* second, size_t count) {
  return CompareFolded("_strnicmp", first, second, count);
}

int _wcsicmp(const wchar_t* first, const wchar_t* second) { return CompareFolded("_wcsicmp", first, second, SIZE_MAX); }

int _wcsnicmp(const wchar_t* first, const wchar_t* second, size_t count) {
  return CompareFolded("_wcsnicmp", first, second, count);
}
