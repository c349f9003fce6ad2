#include "text/FontFileError.h"

#include "core/ErrorText.h"

namespace {

std::string ErrorLine(const std::wstring& fileName, const std::string& reason, bool fileOpened) {
  std::string line = FileNameText(fileName) + ": " + reason;
  if (!fileOpened) {
    line += " (the file cannot be opened)";
  }
  return line;
}

}  // namespace

FontFileError::FontFileError(const std::wstring& fileName, const std::string& reason, bool fileOpened)
    : FatalError(ErrorLine(fileName, reason, fileOpened)), reason_(reason) {}
