#include "SourceRules.h"
#include "SourceScan.h"

#include <map>

namespace d3dcompiler {

namespace {

bool IsMajority(std::string_view word) { return word == "row_major" || word == "column_major"; }

// `typedef row_major float4x4 Name;` read at `at` (the typedef keyword): the name and its majority.
bool ReadMajorityTypedef(std::string_view source, size_t at, std::string* name, std::string* majority,
                         size_t* end) {
  size_t next = SkipBlanks(source, at + 7);
  const std::string_view modifier = IdentifierAt(source, next);
  if (!IsMajority(modifier)) return false;
  const size_t semicolon = source.find(';', next);
  if (semicolon == std::string_view::npos) return false;
  size_t nameEnd = semicolon;
  while (nameEnd > next && !IsIdentifierCharacter(source[nameEnd - 1])) --nameEnd;
  size_t nameBegin = nameEnd;
  while (nameBegin > next && IsIdentifierCharacter(source[nameBegin - 1])) --nameBegin;
  if (nameBegin == nameEnd) return false;
  *name = std::string(source.substr(nameBegin, nameEnd - nameBegin));
  *majority = std::string(modifier);
  *end = semicolon;
  return true;
}

// Whether the word ending at `end` is followed by a declared variable, as in `Name value;` (not a cast, a
// constructor call, a function or another typedef).
bool DeclaresAfter(std::string_view source, size_t end) {
  const size_t next = SkipBlanks(source, end);
  const std::string_view declared = IdentifierAt(source, next);
  if (declared.empty()) return false;
  const size_t after = SkipBlanks(source, next + declared.size());
  return after >= source.size() || source[after] != '(';  // a function's return type takes no modifier
}

// Whether the word starting at `at` already has a majority modifier in front of it.
bool HasMajorityBefore(std::string_view source, size_t at) {
  size_t end = at;
  while (end > 0 && (source[end - 1] == ' ' || source[end - 1] == '\t')) --end;
  size_t begin = end;
  while (begin > 0 && IsIdentifierCharacter(source[begin - 1])) --begin;
  return IsMajority(source.substr(begin, end - begin));
}

}  // namespace

std::string WithTypedefMajority(std::string_view source) {
  std::map<std::string, std::string, std::less<>> majorities;  // typedef name -> its modifier
  std::string result;
  size_t copied = 0;
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (!IsIdentifierCharacter(source[at]) || (at > 0 && IsIdentifierCharacter(source[at - 1]))) continue;
    const std::string_view word = IdentifierAt(source, at);
    std::string name;
    std::string majority;
    size_t end = 0;
    if (word == "typedef" && ReadMajorityTypedef(source, at, &name, &majority, &end)) {
      majorities[name] = majority;
      at = end;
      continue;
    }
    const auto found = majorities.find(word);
    if (found != majorities.end() && DeclaresAfter(source, at + word.size()) && !HasMajorityBefore(source, at)) {
      result.append(source.substr(copied, at - copied));
      result += found->second + " ";
      copied = at;
    }
    at += word.empty() ? 0 : word.size() - 1;
  }
  if (copied == 0) return std::string(source);
  result.append(source.substr(copied));
  return result;
}

}  // namespace d3dcompiler
