#include "ConstantBufferStatics.h"

#include <cctype>
#include <vector>

namespace d3dcompiler {

namespace {

struct Span {
  size_t begin;
  size_t end;  // one past the last character
};

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Reads a source outside its comments: the position after a comment that starts at `at`, or `at` itself.
size_t SkipComment(std::string_view source, size_t at) {
  if (source.compare(at, 2, "//") == 0) {
    const size_t end = source.find('\n', at);
    return end == std::string_view::npos ? source.size() : end;
  }
  if (source.compare(at, 2, "/*") == 0) {
    const size_t end = source.find("*/", at + 2);
    return end == std::string_view::npos ? source.size() : end + 2;
  }
  return at;
}

bool WordAt(std::string_view source, size_t at, std::string_view word) {
  return source.compare(at, word.size(), word) == 0 && (at == 0 || !IsWordCharacter(source[at - 1])) &&
         (at + word.size() >= source.size() || !IsWordCharacter(source[at + word.size()]));
}

size_t LineOf(std::string_view source, size_t at) {
  size_t line = 1;
  for (size_t i = 0; i < at; ++i) line += source[i] == '\n';
  return line;
}

// The statement's first word, past blanks and comments.
bool StartsWithStatic(std::string_view source, Span statement) {
  size_t at = statement.begin;
  while (at < statement.end) {
    const size_t skipped = SkipComment(source, at);
    if (skipped != at) {
      at = skipped;
    } else if (std::isspace(static_cast<unsigned char>(source[at]))) {
      ++at;
    } else {
      return WordAt(source, at, "static");
    }
  }
  return false;
}

// One cbuffer block: where it starts and ends (the closing brace and an optional semicolon) and its
// member statements. False when the block cannot be read simply (preprocessor lines inside, no end).
bool ReadBlock(std::string_view source, size_t keyword, Span* block, std::vector<Span>* statements) {
  size_t at = keyword;
  while (at < source.size() && source[at] != '{') {
    const size_t skipped = SkipComment(source, at);
    if (skipped != at) {
      at = skipped;
    } else if (source[at] == ';' || source[at] == '#') {
      return false;
    } else {
      ++at;
    }
  }
  if (at >= source.size()) return false;
  int depth = 0;
  size_t statementBegin = ++at;
  for (; at < source.size(); ++at) {
    const size_t skipped = SkipComment(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    const char c = source[at];
    if (c == '#') return false;
    if (c == '{' || c == '(') ++depth;
    if ((c == ')' || c == '}') && depth > 0) {
      --depth;
    } else if (c == '}') {
      size_t end = at + 1;
      while (end < source.size() && (source[end] == ' ' || source[end] == '\t')) ++end;
      if (end < source.size() && source[end] == ';') ++end;
      *block = {keyword, end};
      return true;
    } else if (c == ';' && depth == 0) {
      statements->push_back({statementBegin, at + 1});
      statementBegin = at + 1;
    }
  }
  return false;
}

// The text with every character but line breaks made a blank, so what follows keeps its line.
std::string Blanked(std::string_view text) {
  std::string blank(text);
  for (char& c : blank) {
    if (c != '\n') c = ' ';
  }
  return blank;
}

}  // namespace

std::string WithStaticsOutsideConstantBuffers(std::string_view source) {
  std::string result;
  size_t copied = 0;
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipComment(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (!WordAt(source, at, "cbuffer")) continue;
    Span block{};
    std::vector<Span> statements;
    if (!ReadBlock(source, at, &block, &statements)) continue;
    std::vector<Span> statics;
    for (const Span& statement : statements) {
      if (StartsWithStatic(source, statement)) statics.push_back(statement);
    }
    if (statics.empty()) {
      at = block.end - 1;
      continue;
    }
    result.append(source.substr(copied, block.begin - copied));
    for (const Span& moved : statics) {
      result += "\n#line " + std::to_string(LineOf(source, moved.begin)) + "\n";
      result.append(source.substr(moved.begin, moved.end - moved.begin));
    }
    result += "\n#line " + std::to_string(LineOf(source, block.begin)) + "\n";
    if (statics.size() == statements.size()) {
      result += Blanked(source.substr(block.begin, block.end - block.begin));
    } else {
      size_t from = block.begin;
      for (const Span& moved : statics) {
        result.append(source.substr(from, moved.begin - from));
        result += Blanked(source.substr(moved.begin, moved.end - moved.begin));
        from = moved.end;
      }
      result.append(source.substr(from, block.end - from));
    }
    copied = block.end;
    at = block.end - 1;
  }
  if (copied == 0) return std::string(source);
  result.append(source.substr(copied));
  return result;
}

}  // namespace d3dcompiler
