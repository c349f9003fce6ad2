// mbstowcs_s with the semantics of the MSVC runtime: the result is an errno value, the count includes the
// terminator, the destination is terminated even on failure, and _TRUNCATE converts what fits.

#include <secure_crt.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstring>
#include <cwchar>

namespace {

// The MSVC runtime's "C" locale maps every byte to the character of the same code, where glibc's rejects
// bytes above 127. Other locales convert through the C library.
bool IsClassicLocale() {
  const char* name = std::setlocale(LC_CTYPE, nullptr);
  return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

// Converts the next character of `source`, returning its byte length (0 at the terminator, -1 when the
// bytes are not a valid character).
int NextCharacter(const char* source, wchar_t& out, std::mbstate_t& state) {
  if (IsClassicLocale()) {
    out = static_cast<unsigned char>(*source);
    return out == 0 ? 0 : 1;
  }
  const size_t length = std::mbrtowc(&out, source, MB_LEN_MAX, &state);
  if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2)) return -1;
  return static_cast<int>(length);
}

// The number of characters in `source`, or -1 when it holds an invalid sequence.
long long CountCharacters(const char* source) {
  std::mbstate_t state{};
  long long count = 0;
  wchar_t ignored;
  for (;;) {
    const int length = NextCharacter(source, ignored, state);
    if (length < 0) return -1;
    if (length == 0) return count;
    source += length;
    ++count;
  }
}

errno_t Fail(errno_t error, wchar_t* destination, size_t destinationSize) {
  if (destination != nullptr && destinationSize > 0) destination[0] = L'\0';
  errno = error;
  return error;
}

}  // namespace

errno_t mbstowcs_s(size_t* convertedCount, wchar_t* destination, size_t destinationSize, const char* source,
                   size_t count) {
  if (convertedCount != nullptr) *convertedCount = 0;
  if (destination == nullptr && destinationSize > 0) return Fail(EINVAL, nullptr, 0);
  if (destination != nullptr && destinationSize == 0) return Fail(EINVAL, nullptr, 0);
  if (source == nullptr) return Fail(EINVAL, destination, destinationSize);

  // Without a destination the call measures the whole string; `count` does not apply.
  if (destination == nullptr) {
    const long long characters = CountCharacters(source);
    if (characters < 0) return Fail(EILSEQ, nullptr, 0);
    if (convertedCount != nullptr) *convertedCount = static_cast<size_t>(characters) + 1;
    return 0;
  }

  const bool truncate = count == _TRUNCATE;
  const size_t limit = truncate ? destinationSize - 1 : count;
  std::mbstate_t state{};
  size_t written = 0;
  while (written < limit) {
    wchar_t character;
    const int length = NextCharacter(source, character, state);
    if (length < 0) return Fail(EILSEQ, destination, destinationSize);
    if (length == 0) break;
    if (written + 1 >= destinationSize) return Fail(ERANGE, destination, destinationSize);
    destination[written++] = character;
    source += length;
  }
  destination[written] = L'\0';
  if (convertedCount != nullptr) *convertedCount = written + 1;
  // With _TRUNCATE the call says whether anything was left out.
  if (truncate && written == limit && *source != '\0') return STRUNCATE;
  return 0;
}
