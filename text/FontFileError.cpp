#include "text/FontFileError.h"

namespace {

// File names are ASCII in practice; anything else is shown as '?' rather than guessed at.
std::string NarrowFileName(const std::wstring& fileName) {
  std::string narrow;
  narrow.reserve(fileName.size());
  for (const wchar_t character : fileName) {
    narrow += (character > 0 && character < 128) ? static_cast<char>(character) : '?';
  }
  return narrow;
}

std::string ErrorLine(const std::wstring& fileName, const std::string& reason, bool fileOpened) {
  std::string line = NarrowFileName(fileName) + ": " + reason;
  if (!fileOpened) {
    line += " (the file cannot be opened)";
  }
  return line;
}

}  // namespace

FontFileError::FontFileError(const std::wstring& fileName, const std::string& reason, bool fileOpened)
    : FatalError(ErrorLine(fileName, reason, fileOpened)), reason_(reason) {}
