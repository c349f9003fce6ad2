// Arbitrary bytes as a font description. The parse reads its file by name, so every input is written to
// a scratch file first. A file the parse refuses throws FontFileError; anything else that escapes, and
// any memory error or undefined behaviour on the way, is a finding.
#include "FuzzScratchFile.h"

#include "text/BitmapFont.h"
#include "text/FontFileError.h"

#include <cstddef>
#include <cstdint>

namespace {

// Counts are trusted: a count in the millions makes the reader build a table that large from the words
// the file ends with, and a larger one fails its allocation, which AddressSanitizer turns into an abort
// instead of std::bad_alloc. Neither says anything about the reader and both would stop the fuzzer, so
// inputs holding a number from 2^20 up to the 32-bit limit are left out. Larger numbers stay in: they are
// refused as out of range before any table is made.
bool HasHugeInRangeNumber(const uint8_t* data, size_t size) {
  constexpr uint64_t Smallest = uint64_t{1} << 20;
  constexpr uint64_t Limit = uint64_t{1} << 31;
  uint64_t value = 0;
  bool inNumber = false;
  for (size_t i = 0; i <= size; ++i) {
    const bool digit = i < size && data[i] >= '0' && data[i] <= '9';
    if (digit) {
      value = inNumber ? value * 10 + (data[i] - '0') : data[i] - '0';
      value = value > Limit ? Limit : value;
      inNumber = true;
    } else if (inNumber) {
      if (value >= Smallest && value < Limit) {
        return true;
      }
      inNumber = false;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (HasHugeInRangeNumber(data, size)) {
    return -1;  // not added to the corpus
  }
  static const FuzzScratchFile file("font", ".fnt");
  file.Write(data, size);
  try {
    const BitmapFont font = ParseFontFile(file.WidePath(), 800, 600);
    // The tables must hold what their counts say: the layout walks them by count elsewhere.
    if (font.Glyphs.size() != static_cast<size_t>(font.GlyphCount) ||
        font.Kernings.size() != static_cast<size_t>(font.KerningCount)) {
      __builtin_trap();
    }
  } catch (const FontFileError&) {}
  return 0;
}
