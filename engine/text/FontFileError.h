// The one error a font description can raise: a value that is not a number, or a count that cannot size
// its table. The program stops on it with the single line what() gives, e.g.
// "newarial.fnt: invalid stoi argument".
#pragma once

#include "core/FatalError.h"

#include <string>

// What went wrong, in the words of the standard conversions the reader follows.
namespace FontFileReason {
inline constexpr const char* InvalidNumber = "invalid stoi argument";
inline constexpr const char* NumberOutOfRange = "stoi argument out of range";
inline constexpr const char* NegativeCount = "bad array new length";
inline constexpr const char* CountTooLarge = "bad allocation";
}  // namespace FontFileReason

class FontFileError : public FatalError {
 public:
  // `fileOpened` false adds a hint to the line: a missing file shows up as a bad first number, which
  // alone would send the reader looking inside a file that is not there.
  FontFileError(const std::wstring& fileName, const std::string& reason, bool fileOpened);

  // One of the FontFileReason texts.
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};
