#include "text/FontWordReader.h"

#include "text/FontFileError.h"

#include <filesystem>
#include <fstream>
#include <limits>

namespace {

// The white space of the "C" locale: blank, tab, line feed, vertical tab, form feed, carriage return.
bool IsWhiteSpace(char character) { return character == ' ' || (character >= '\t' && character <= '\r'); }

bool IsDigit(char character) { return character >= '0' && character <= '9'; }

// Everything after the first '=', or the whole word when it has none.
std::string_view ValueText(std::string_view word) {
  const size_t equals = word.find('=');
  return equals == std::string_view::npos ? word : word.substr(equals + 1);
}

bool ReadWholeFile(const std::wstring& fileName, std::string& contents) {
  std::ifstream file(std::filesystem::path(fileName), std::ios::binary);
  if (!file) {
    return false;
  }
  char chunk[16384];
  while (file.read(chunk, sizeof(chunk)) || file.gcount() > 0) {
    contents.append(chunk, static_cast<size_t>(file.gcount()));
  }
  return true;
}

}  // namespace

FontWordReader::FontWordReader(const std::wstring& fileName) : fileName_(fileName) {
  opened_ = ReadWholeFile(fileName, contents_);
}

void FontWordReader::NextWord() {
  while (position_ < contents_.size() && IsWhiteSpace(contents_[position_])) {
    ++position_;
  }
  if (position_ == contents_.size()) {
    return;
  }
  const size_t start = position_;
  while (position_ < contents_.size() && !IsWhiteSpace(contents_[position_])) {
    ++position_;
  }
  word_ = std::string_view(contents_).substr(start, position_ - start);
}

void FontWordReader::Skip(int count) {
  for (int i = 0; i < count; ++i) {
    NextWord();
  }
}

int32_t FontWordReader::Number() {
  NextWord();
  return ToNumber(ValueText(word_));
}

std::wstring FontWordReader::QuotedText() {
  NextWord();
  const size_t quote = word_.find('"');
  const size_t start = quote == std::string_view::npos ? 0 : quote + 1;
  // The closing quote is assumed to be the word's last character and is dropped unseen.
  const size_t end = word_.empty() ? 0 : word_.size() - 1;
  std::wstring text;
  for (size_t i = start; i < end; ++i) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(word_[i]));
  }
  return text;
}

std::array<int32_t, 4> FontWordReader::CommaList() {
  NextWord();
  std::string_view rest = ValueText(word_);
  std::array<int32_t, 4> numbers = {};
  for (size_t i = 0; i < 3; ++i) {
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos) {
      Fail(FontFileReason::InvalidNumber);
    }
    numbers[i] = ToNumber(rest.substr(0, comma + 1));
    rest = rest.substr(comma + 1);
  }
  numbers[3] = ToNumber(rest);
  return numbers;
}

int32_t FontWordReader::ToNumber(std::string_view valueText) const {
  // Words hold no white space, so the conversion starts right at the sign or the first digit.
  size_t i = 0;
  const bool negative = i < valueText.size() && valueText[i] == '-';
  if (i < valueText.size() && (valueText[i] == '-' || valueText[i] == '+')) {
    ++i;
  }
  if (i == valueText.size() || !IsDigit(valueText[i])) {
    Fail(FontFileReason::InvalidNumber);
  }
  // Accumulated as a magnitude so that the most negative value still fits on the way.
  const int64_t limit =
      negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min()) : std::numeric_limits<int32_t>::max();
  int64_t magnitude = 0;
  for (; i < valueText.size() && IsDigit(valueText[i]); ++i) {
    magnitude = magnitude * 10 + (valueText[i] - '0');
    if (magnitude > limit) {
      Fail(FontFileReason::NumberOutOfRange);
    }
  }
  return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

void FontWordReader::Fail(const char* reason) const { throw FontFileError(fileName_, reason, opened_); }
