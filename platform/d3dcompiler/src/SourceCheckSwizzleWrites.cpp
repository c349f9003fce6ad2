#include "SourceRules.h"
#include "SourceScan.h"

namespace d3dcompiler {

namespace {

bool IsSwizzle(std::string_view name) {
  if (name.size() < 2 || name.size() > 4) return false;
  const bool position = name.find_first_not_of("xyzw") == std::string_view::npos;
  const bool colour = name.find_first_not_of("rgba") == std::string_view::npos;
  return position || colour;
}

bool RepeatsAComponent(std::string_view swizzle) {
  for (size_t i = 0; i < swizzle.size(); ++i) {
    if (swizzle.find(swizzle[i], i + 1) != std::string_view::npos) return true;
  }
  return false;
}

// Whether an assignment (=, +=, <<= and the like, not ==) starts at `at`.
bool AssignmentAt(std::string_view source, size_t at) {
  size_t end = at;
  while (end < source.size() && std::string_view("+-*/%&|^<>").find(source[end]) != std::string_view::npos) ++end;
  if (end - at > 2 || end >= source.size() || source[end] != '=') return false;
  if (end + 1 < source.size() && source[end + 1] == '=') return false;
  const std::string_view op = source.substr(at, end - at);
  if (op.size() == 1) return op != "<" && op != ">";  // <= and >= compare
  return op.empty() || op == "<<" || op == ">>";
}

}  // namespace

std::string FindRepeatedSwizzleWrite(std::string_view source) {
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (source[at] != '.') continue;
    const std::string_view swizzle = IdentifierAt(source, at + 1);
    if (!IsSwizzle(swizzle) || !RepeatsAComponent(swizzle)) continue;
    if (AssignmentAt(source, SkipBlanks(source, at + 1 + swizzle.size()))) {
      return std::to_string(LineAt(source, at)) + ": l-value '." + std::string(swizzle) +
             "' names a component more than once; a swizzle that is written to must name each component once";
    }
  }
  return {};
}

}  // namespace d3dcompiler
