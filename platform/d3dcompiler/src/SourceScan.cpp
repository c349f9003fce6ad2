#include "SourceScan.h"

#include <cctype>

namespace d3dcompiler {

bool IsIdentifierCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

size_t SkipCommentOrString(std::string_view source, size_t at) {
  if (source.compare(at, 2, "//") == 0) {
    const size_t end = source.find('\n', at);
    return end == std::string_view::npos ? source.size() : end;
  }
  if (source.compare(at, 2, "/*") == 0) {
    const size_t end = source.find("*/", at + 2);
    return end == std::string_view::npos ? source.size() : end + 2;
  }
  if (at < source.size() && source[at] == '"') {
    size_t end = at + 1;
    while (end < source.size() && source[end] != '"' && source[end] != '\n') end += source[end] == '\\' ? 2 : 1;
    return end < source.size() ? end + 1 : source.size();
  }
  return at;
}

bool WholeWordAt(std::string_view source, size_t at, std::string_view word) {
  return source.compare(at, word.size(), word) == 0 && (at == 0 || !IsIdentifierCharacter(source[at - 1])) &&
         (at + word.size() >= source.size() || !IsIdentifierCharacter(source[at + word.size()]));
}

std::string_view IdentifierAt(std::string_view source, size_t at) {
  if (at >= source.size() || std::isdigit(static_cast<unsigned char>(source[at]))) return {};
  size_t end = at;
  while (end < source.size() && IsIdentifierCharacter(source[end])) ++end;
  return source.substr(at, end - at);
}

size_t SkipBlanks(std::string_view source, size_t at) {
  while (at < source.size()) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at && source[at] != '"') {
      at = skipped;
    } else if (std::isspace(static_cast<unsigned char>(source[at]))) {
      ++at;
    } else {
      break;
    }
  }
  return at;
}

size_t LineAt(std::string_view source, size_t at) {
  size_t line = 1;
  for (size_t i = 0; i < at && i < source.size(); ++i) line += source[i] == '\n';
  return line;
}

bool ReadArguments(std::string_view source, size_t open, std::vector<TextSpan>* arguments, size_t* close) {
  int depth = 0;
  size_t begin = open + 1;
  for (size_t at = open + 1; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    const char c = source[at];
    if (c == '(' || c == '[' || c == '{') ++depth;
    if ((c == ')' || c == ']' || c == '}') && depth > 0) {
      --depth;
    } else if (c == ')') {
      if (at > begin || !arguments->empty()) arguments->push_back({begin, at});
      *close = at;
      return true;
    } else if (c == ',' && depth == 0) {
      arguments->push_back({begin, at});
      begin = at + 1;
    }
  }
  return false;
}

}  // namespace d3dcompiler
