#include "SourceRules.h"
#include "SourceScan.h"

#include <map>

namespace d3dcompiler {

namespace {

// The position of the '}' that closes the '{' at `open`, or npos.
size_t ClosingBrace(std::string_view source, size_t open) {
  int depth = 0;
  for (size_t at = open; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (source[at] == '{') ++depth;
    if (source[at] == '}' && --depth == 0) return at;
  }
  return std::string_view::npos;
}

// The members' text on one line, so that the derived struct keeps its line numbers.
std::string OnOneLine(std::string_view members) {
  std::string line;
  for (size_t at = 0; at < members.size(); ++at) {
    const size_t skipped = SkipCommentOrString(members, at);
    if (skipped != at && members[at] != '"') {  // comments go: a line comment would swallow the rest
      line += ' ';
      at = skipped - 1;
      continue;
    }
    line += members[at] == '\n' || members[at] == '\r' ? ' ' : members[at];
  }
  return line;
}

}  // namespace

std::string WithFlattenedInheritance(std::string_view source) {
  std::map<std::string, std::string, std::less<>> members;  // struct name -> all its members, bases' first
  std::string result;
  size_t copied = 0;
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (!WholeWordAt(source, at, "struct")) continue;
    const size_t nameAt = SkipBlanks(source, at + 6);
    const std::string_view name = IdentifierAt(source, nameAt);
    size_t next = SkipBlanks(source, nameAt + name.size());
    std::string inherited;
    size_t colon = std::string_view::npos;
    if (next < source.size() && source[next] == ':') {
      colon = next;
      const size_t baseAt = SkipBlanks(source, next + 1);
      const std::string_view base = IdentifierAt(source, baseAt);
      const auto found = members.find(base);
      if (found == members.end()) continue;
      inherited = found->second;
      next = SkipBlanks(source, baseAt + base.size());
    }
    if (name.empty() || next >= source.size() || source[next] != '{') continue;
    const size_t close = ClosingBrace(source, next);
    if (close == std::string_view::npos) continue;
    members[std::string(name)] = inherited + OnOneLine(source.substr(next + 1, close - next - 1)) + " ";
    if (colon != std::string_view::npos) {
      result.append(source.substr(copied, colon - copied));
      result += "{" + inherited;
      for (size_t i = colon; i < next; ++i) {
        if (source[i] == '\n') result += '\n';  // the lines between the base's name and the brace
      }
      copied = next + 1;
    }
    at = next;
  }
  if (copied == 0) return std::string(source);
  result.append(source.substr(copied));
  return result;
}

}  // namespace d3dcompiler
