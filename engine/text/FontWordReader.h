// Reads a font description one whitespace-separated word at a time and takes values out of the words.
// The reader never looks at key names: the caller knows which word stands where and asks for it in order.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class FontWordReader {
 public:
  // Reads the whole file up front. A file that cannot be opened reads as one without words.
  explicit FontWordReader(const std::wstring& fileName);

  // Reads and ignores `count` words.
  void Skip(int count);

  // Each of these reads the next word and takes its value:
  // - Number: the text after the first '=' (the whole word without one), converted like std::stoi:
  //   optional sign, digits, and nothing after the digits matters ("x=12abc" is 12). No leading digit
  //   is InvalidNumber, a value outside 32 bits NumberOutOfRange.
  int32_t Number();
  // - QuotedText: from after the first '"' (or from the word's start without one) to the end of the
  //   word less its last character, so face="Arial" gives Arial and face=Arial gives face=Aria. Each
  //   byte becomes the character of the same code.
  std::wstring QuotedText();
  // - CommaList: four numbers "a,b,c,d" after the '='. Fewer than four is InvalidNumber; anything after
  //   the fourth number's digits is ignored like any number's tail.
  std::array<int32_t, 4> CommaList();

  // The error to throw for this file.
  [[noreturn]] void Fail(const char* reason) const;

 private:
  // Advances to the next word. At the end of the words the previous word stays current, so a file that
  // ends early repeats its last word for every later read.
  void NextWord();
  int32_t ToNumber(std::string_view valueText) const;

  std::wstring fileName_;
  bool opened_ = false;
  std::string contents_;
  size_t position_ = 0;
  std::string_view word_;  // empty until the first word is read
};
