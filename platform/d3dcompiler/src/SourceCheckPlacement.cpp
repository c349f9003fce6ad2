#include "SourceRules.h"
#include "SourceScan.h"

#include <cctype>
#include <vector>

namespace d3dcompiler {

namespace {

constexpr const char* GlobalsBlock = "$Global";

bool ContainsWord(std::string_view text, std::string_view word) {
  for (size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) {
    if (WholeWordAt(text, at, word)) return true;
  }
  return false;
}

// `register(c#)` in a global declaration, with blanks allowed around the parenthesis.
bool BindsConstantRegister(std::string_view statement) {
  for (size_t at = statement.find("register"); at != std::string_view::npos; at = statement.find("register", at + 1)) {
    const size_t open = SkipBlanks(statement, at + 8);
    if (open >= statement.size() || statement[open] != '(') continue;
    const size_t slot = SkipBlanks(statement, open + 1);
    if (slot + 1 < statement.size() && (statement[slot] == 'c' || statement[slot] == 'C') &&
        std::isdigit(static_cast<unsigned char>(statement[slot + 1]))) {
      return true;
    }
  }
  return false;
}

struct Block {
  std::string Name;
  size_t Begin;                          // the cbuffer keyword
  std::vector<std::string_view> Members;  // member declarations
};

// The cbuffer (or tbuffer) at `at`; false when it has no body.
bool ReadBlock(std::string_view source, size_t at, size_t keywordLength, Block* block, size_t* end) {
  const size_t nameAt = SkipBlanks(source, at + keywordLength);
  block->Name = std::string(IdentifierAt(source, nameAt));
  block->Begin = at;
  const size_t open = source.find('{', nameAt);
  if (open == std::string_view::npos || source.find(';', nameAt) < open) return false;
  int depth = 0;
  size_t statement = open + 1;
  for (size_t i = open + 1; i < source.size(); ++i) {
    const size_t skipped = SkipCommentOrString(source, i);
    if (skipped != i) {
      i = skipped - 1;
      continue;
    }
    const char c = source[i];
    if (c == '{' || c == '(') ++depth;
    if ((c == '}' || c == ')') && depth > 0) {
      --depth;
    } else if (c == '}') {
      *end = i;
      return true;
    } else if (c == ';' && depth == 0) {
      block->Members.push_back(source.substr(statement, i - statement));
      statement = i + 1;
    }
  }
  return false;
}

std::string Located(std::string_view source, size_t at, const std::string& problem) {
  return std::to_string(LineAt(source, at)) + ": " + problem;
}

}  // namespace

PlacementScan ScanExplicitPlacement(std::string_view source) {
  PlacementScan scan;
  int depth = 0;
  size_t statement = 0;
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    const char c = source[at];
    if (depth == 0 && (WholeWordAt(source, at, "cbuffer") || WholeWordAt(source, at, "tbuffer"))) {
      Block block;
      size_t end = 0;
      if (!ReadBlock(source, at, 7, &block, &end)) continue;
      size_t placed = 0;
      for (std::string_view member : block.Members) placed += ContainsWord(member, "packoffset") ? 1 : 0;
      if (placed != 0 && placed != block.Members.size() && scan.Problem.empty()) {
        scan.Problem = Located(source, at, "cannot mix packoffset elements with nonpackoffset elements in a cbuffer");
      }
      if (placed != 0) scan.ExplicitlyPlaced.insert(block.Name);
      at = end;
      statement = end + 1;
      continue;
    }
    if (c == '{' || c == '(') ++depth;
    if ((c == '}' || c == ')') && depth > 0) --depth;
    if (depth == 0 && (c == ';' || c == '}')) {
      if (BindsConstantRegister(source.substr(statement, at - statement))) scan.ExplicitlyPlaced.insert(GlobalsBlock);
      statement = at + 1;
    }
  }
  return scan;
}

}  // namespace d3dcompiler
