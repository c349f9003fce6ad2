// Reading HLSL text the way the source rules need it: outside comments and string literals, by words,
// and call arguments split at their top-level commas.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace d3dcompiler {

bool IsIdentifierCharacter(char c);

// The position after a comment or string literal that starts at `at`, or `at` itself.
size_t SkipCommentOrString(std::string_view source, size_t at);

// Whether `word` stands at `at` as a whole word.
bool WholeWordAt(std::string_view source, size_t at, std::string_view word);

// The identifier starting at `at` (empty when none does).
std::string_view IdentifierAt(std::string_view source, size_t at);

// The first position at or after `at` that is not a blank or a comment.
size_t SkipBlanks(std::string_view source, size_t at);

// 1-based line of `at`.
size_t LineAt(std::string_view source, size_t at);

struct TextSpan {
  size_t Begin;
  size_t End;  // one past the last character
};

// The arguments of the call whose '(' is at `open`, split at top-level commas, and the position of its
// ')' in `close`. False when the parentheses do not close.
bool ReadArguments(std::string_view source, size_t open, std::vector<TextSpan>* arguments, size_t* close);

}  // namespace d3dcompiler
