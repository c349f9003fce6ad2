// The bitmap font description. Empty for now; the font parser is filled in by the text work.
#pragma once

#include <cstdint>
#include <string>

class BitmapFont {};

inline BitmapFont ParseFontFile(const std::wstring& /*fileName*/, int32_t /*screenWidth*/,
                                int32_t /*screenHeight*/) {
  return {};
}
