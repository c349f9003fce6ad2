#include "FontFileText.h"

#include <sstream>

std::string FontFileText::Text() const {
  std::ostringstream out;
  out << "info face=" << face << " size=" << size
      << " bold=0 italic=0 charset=\"\" unicode=1 stretchH=100 smooth=1 aa=1 padding=" << padding << " spacing=1,1\n";
  out << "common lineHeight=" << lineHeight << " base=" << base << " scaleW=" << scaleW << " scaleH=" << scaleH
      << " pages=1 packed=0\n";
  out << "page id=0 file=\"atlas.png\"\n";
  out << "chars count=" << glyphs.size() << "\n";
  for (const GlyphLine& g : glyphs) {
    out << "char id=" << g.id << " x=" << g.x << " y=" << g.y << " width=" << g.width << " height=" << g.height
        << " xoffset=" << g.xoffset << " yoffset=" << g.yoffset << " xadvance=" << g.xadvance << " page=0 chnl=15\n";
  }
  out << "kernings count=" << kernings.size() << "\n";
  for (const KerningLine& k : kernings) {
    out << "kerning first=" << k.first << " second=" << k.second << " amount=" << k.amount << "\n";
  }
  return out.str();
}
