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

bool IsNumericType(std::string_view type) {
  for (std::string_view scalar : {"float", "int", "uint", "bool", "half", "double", "dword", "min16", "min10"}) {
    if (type.starts_with(scalar)) return true;
  }
  return false;
}

// How many components a member declaration's type takes in a register ("float3 a" 3, "float a" 1), or 0 for
// a type that starts a register of its own (matrices, arrays, structs).
size_t ComponentsOf(std::string_view member) {
  size_t at = SkipBlanks(member, 0);
  std::string_view type = IdentifierAt(member, at);
  while (type == "row_major" || type == "column_major" || type == "precise" || type == "uniform") {
    at = SkipBlanks(member, at + type.size());
    type = IdentifierAt(member, at);
  }
  const bool array = member.find('[') < member.find("packoffset");
  if (!IsNumericType(type) || array || type.find('x') != std::string_view::npos) return 0;
  const char last = type.back();
  return last >= '1' && last <= '4' ? static_cast<size_t>(last - '0') : 1;
}

// The member's packoffset component (c3.z -> 2), or 0 without one.
size_t PackedComponent(std::string_view member) {
  const size_t keyword = member.find("packoffset");
  const size_t dot = member.find('.', keyword);
  const size_t close = member.find(')', keyword);
  if (keyword == std::string_view::npos || dot == std::string_view::npos || dot > close) return 0;
  const size_t letter = SkipBlanks(member, dot + 1);
  const size_t component = letter < member.size() ? std::string_view("xyzw").find(member[letter]) : 0;
  return component == std::string_view::npos ? 0 : component;
}

// A member that packoffset puts across a register boundary, or an object that does not start a register.
std::string MisplacedMember(std::string_view member) {
  const size_t component = PackedComponent(member);
  const size_t components = ComponentsOf(member);
  if (component == 0 || (components != 0 && component + components <= 4)) return {};
  const size_t colon = member.rfind(':', member.find("packoffset"));
  size_t end = colon;
  while (end > 0 && !IsIdentifierCharacter(member[end - 1])) --end;
  size_t begin = end;
  while (begin > 0 && IsIdentifierCharacter(member[begin - 1])) --begin;
  return "packoffset of '" + std::string(member.substr(begin, end - begin)) +
         "' makes it cross a register boundary";
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
      for (std::string_view member : block.Members) {
        placed += ContainsWord(member, "packoffset") ? 1 : 0;
        const std::string misplaced = MisplacedMember(member);
        if (!misplaced.empty() && scan.Problem.empty()) scan.Problem = Located(source, at, misplaced);
      }
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
