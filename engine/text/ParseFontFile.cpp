// The font description is read strictly by word position, line by line of a BMFont text file:
//   info face="..." size=n bold italic charset unicode stretchH smooth aa padding=t,r,b,l spacing=h,v
//   common lineHeight=n base=n scaleW=n scaleH=n pages=n packed=n
//   page id=n file="..."
//   chars count=n
//   char id x y width height xoffset yoffset xadvance page chnl      (count times)
//   kernings count=n
//   kerning first second amount                                      (count times)
// Key names are not checked and line breaks carry no meaning, so a file with other words in between
// shifts every later value.

#include "text/BitmapFont.h"
#include "text/FontFileError.h"
#include "text/FontWordReader.h"

#include <new>

namespace {

void ReadInfoLine(FontWordReader& words, BitmapFont& font) {
  words.Skip(1);  // info
  font.FaceName = words.QuotedText();
  font.Size = words.Number();
  words.Skip(7);  // bold, italic, charset, unicode, stretchH, smooth, aa
  const auto padding = words.CommaList();
  font.PaddingTop = static_cast<float>(padding[0]);
  font.PaddingRight = static_cast<float>(padding[1]);
  font.PaddingBottom = static_cast<float>(padding[2]);
  font.PaddingLeft = static_cast<float>(padding[3]);
  words.Skip(1);  // spacing
}

void ReadCommonAndPageLines(FontWordReader& words, BitmapFont& font) {
  words.Skip(1);  // common
  font.LineHeight = static_cast<float>(words.Number());
  font.Base = static_cast<float>(words.Number());
  font.TextureWidth = words.Number();
  font.TextureHeight = words.Number();
  words.Skip(4);  // pages, packed, page, id
  font.TextureFile = words.QuotedText();
}

// A table sized by a count of the file. Counts are trusted, but one that no table can have is an error
// of the file like a bad number, not a crash.
template <typename Entry>
std::vector<Entry> AllocateTable(const FontWordReader& words, int32_t count) {
  if (count < 0) {
    words.Fail(FontFileReason::NegativeCount);
  }
  try {
    return std::vector<Entry>(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    words.Fail(FontFileReason::CountTooLarge);
  }
}

Glyph ReadGlyph(FontWordReader& words, const BitmapFont& font) {
  const auto textureWidth = static_cast<float>(font.TextureWidth);
  const auto textureHeight = static_cast<float>(font.TextureHeight);
  Glyph glyph;
  words.Skip(1);  // char
  glyph.Id = words.Number();
  glyph.U = static_cast<float>(words.Number()) / textureWidth;
  glyph.V = static_cast<float>(words.Number()) / textureHeight;
  glyph.Width = static_cast<float>(words.Number());
  glyph.TexWidth = glyph.Width / textureWidth;
  glyph.Height = static_cast<float>(words.Number());
  glyph.TexHeight = glyph.Height / textureHeight;
  glyph.XOffset = static_cast<float>(words.Number());
  glyph.YOffset = static_cast<float>(words.Number());
  glyph.XAdvance = static_cast<float>(words.Number());
  words.Skip(2);  // page, chnl
  return glyph;
}

void ReadGlyphs(FontWordReader& words, BitmapFont& font) {
  words.Skip(1);  // chars
  font.GlyphCount = words.Number();
  font.Glyphs = AllocateTable<Glyph>(words, font.GlyphCount);
  for (Glyph& glyph : font.Glyphs) {
    glyph = ReadGlyph(words, font);
  }
}

void ReadKernings(FontWordReader& words, BitmapFont& font) {
  words.Skip(1);  // kernings
  font.KerningCount = words.Number();
  font.Kernings = AllocateTable<KerningPair>(words, font.KerningCount);
  for (KerningPair& pair : font.Kernings) {
    words.Skip(1);  // kerning
    pair.First = words.Number();
    pair.Second = words.Number();
    pair.Amount = static_cast<float>(words.Number());
  }
}

}  // namespace

BitmapFont ParseFontFile(const std::wstring& fileName, int32_t /*screenWidth*/, int32_t /*screenHeight*/) {
  FontWordReader words(fileName);
  BitmapFont font;
  ReadInfoLine(words, font);
  ReadCommonAndPageLines(words, font);
  ReadGlyphs(words, font);
  ReadKernings(words, font);
  return font;
}
