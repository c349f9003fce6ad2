#include "SourceRules.h"
#include "SourceScan.h"

#include <algorithm>
#include <vector>

namespace d3dcompiler {

namespace {

// Blanks `length` characters at `at` except line breaks, so what follows keeps its line.
void Blank(std::string& text, size_t at, size_t length) {
  for (size_t i = at; i < at + length && i < text.size(); ++i) {
    if (text[i] != '\n') text[i] = ' ';
  }
}

// `unsigned int` (and `unsigned int2`...) is uint to the Windows compiler; the front end reserves the word.
bool RewriteUnsigned(std::string& text, size_t at) {
  if (!WholeWordAt(text, at, "unsigned")) return false;
  const size_t type = SkipBlanks(text, at + 8);
  if (text.compare(type, 3, "int") != 0) return false;
  Blank(text, at, type - at);
  text[type - 1] = 'u';  // "unsigned int" -> "       uint"
  return true;
}

// An effect's `= sampler_state { ... }` sets state a Direct3D 12 root signature or heap decides; the
// Windows compiler accepts and ignores it outside effects, the front end refuses it.
bool RewriteSamplerState(std::string& text, size_t at) {
  if (text[at] != '=') return false;
  const size_t keyword = SkipBlanks(text, at + 1);
  if (!WholeWordAt(text, keyword, "sampler_state")) return false;
  const size_t open = SkipBlanks(text, keyword + 13);
  if (open >= text.size() || text[open] != '{') return false;
  const size_t close = text.find('}', open);
  if (close == std::string::npos) return false;
  Blank(text, at, close + 1 - at);
  return true;
}

// ldexp(x, e) is x * 2^e for float exponents too; the front end hands a float exponent to an instruction
// that takes integers.
bool RewriteLdexp(std::string& text, size_t at, std::vector<std::pair<size_t, std::string>>* inserts) {
  if (!WholeWordAt(text, at, "ldexp")) return false;
  const size_t open = SkipBlanks(text, at + 5);
  std::vector<TextSpan> arguments;
  size_t close = 0;
  if (open >= text.size() || text[open] != '(' || !ReadArguments(text, open, &arguments, &close) ||
      arguments.size() != 2) {
    return false;
  }
  Blank(text, at, 5);
  text[arguments[0].End] = '*';
  inserts->push_back({arguments[0].Begin, "("});
  inserts->push_back({arguments[0].End, ")"});
  inserts->push_back({arguments[1].Begin, "exp2("});
  inserts->push_back({close, ")"});
  return true;
}

}  // namespace

std::string WithWindowsSyntax(std::string_view source) {
  std::string text(source);
  std::vector<std::pair<size_t, std::string>> inserts;
  for (size_t at = 0; at < text.size(); ++at) {
    const size_t skipped = SkipCommentOrString(text, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (RewriteUnsigned(text, at) || RewriteSamplerState(text, at)) continue;
    RewriteLdexp(text, at, &inserts);
  }
  // From the last position, so the earlier ones stay where they were.
  std::stable_sort(inserts.begin(), inserts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto insert = inserts.rbegin(); insert != inserts.rend(); ++insert) {
    text.insert(insert->first, insert->second);
  }
  return text;
}

}  // namespace d3dcompiler
