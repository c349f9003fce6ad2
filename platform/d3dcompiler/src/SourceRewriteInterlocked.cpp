#include "SourceRules.h"
#include "SourceScan.h"

#include <algorithm>
#include <array>
#include <vector>

namespace d3dcompiler {

namespace {

struct InterlockedMethod {
  std::string_view Name;
  size_t ValueArguments;  // the arguments after the byte address that are values, not the out parameter
};

// Every Interlocked* method of RWByteAddressBuffer; only those buffers have them as methods.
constexpr std::array<InterlockedMethod, 9> Methods{{{"InterlockedAdd", 1},
                                                   {"InterlockedAnd", 1},
                                                   {"InterlockedOr", 1},
                                                   {"InterlockedXor", 1},
                                                   {"InterlockedMin", 1},
                                                   {"InterlockedMax", 1},
                                                   {"InterlockedExchange", 1},
                                                   {"InterlockedCompareExchange", 2},
                                                   {"InterlockedCompareStore", 2}}};

// The front end drops a compare-store; it becomes a compare-exchange whose original value goes to a
// variable of its own.
constexpr std::string_view CompareStore = "InterlockedCompareStore";
constexpr std::string_view CompareExchange = "InterlockedCompareExchange";

const InterlockedMethod* MethodNamed(std::string_view name) {
  for (const InterlockedMethod& method : Methods) {
    if (method.Name == name) return &method;
  }
  return nullptr;
}

struct Edit {
  size_t At;
  size_t Length;  // characters replaced
  std::string Text;
};

std::string Applied(std::string_view source, std::vector<Edit> edits) {
  std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.At < b.At; });
  std::string result;
  size_t copied = 0;
  for (const Edit& edit : edits) {
    result.append(source.substr(copied, edit.At - copied));
    result += edit.Text;
    copied = edit.At + edit.Length;
  }
  result.append(source.substr(copied));
  return result;
}

// The first position at or after `at` past blanks, comments and preprocessor lines: where the next
// top-level declaration starts.
size_t DeclarationStart(std::string_view source, size_t at) {
  for (;;) {
    at = SkipBlanks(source, at);
    if (at >= source.size() || source[at] != '#') return at;
    const size_t end = source.find('\n', at);
    if (end == std::string_view::npos) return source.size();
    at = end;
  }
}

}  // namespace

std::string WithUnsignedInterlockedValues(std::string_view source) {
  std::vector<Edit> edits;
  int depth = 0;
  size_t declaration = 0;  // after the last top-level ';' or '}'
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    const char c = source[at];
    if (c == '{') ++depth;
    if (c == '}' && depth > 0) --depth;
    if (depth == 0 && (c == ';' || c == '}')) declaration = at + 1;
    if (c != '.') continue;
    const size_t nameAt = SkipBlanks(source, at + 1);
    const std::string_view name = IdentifierAt(source, nameAt);
    const InterlockedMethod* method = MethodNamed(name);
    const size_t open = SkipBlanks(source, nameAt + name.size());
    if (method == nullptr || open >= source.size() || source[open] != '(') continue;
    std::vector<TextSpan> arguments;
    size_t close = 0;
    if (!ReadArguments(source, open, &arguments, &close)) continue;
    for (size_t value = 1; value <= method->ValueArguments && value < arguments.size(); ++value) {
      edits.push_back({arguments[value].Begin, 0, "(uint)("});
      edits.push_back({arguments[value].End, 0, ")"});
    }
    if (name == CompareStore) {
      const std::string original = "compareStoreOriginal" + std::to_string(edits.size());
      edits.push_back({DeclarationStart(source, declaration), 0, "static uint " + original + "; "});
      edits.push_back({nameAt, name.size(), std::string(CompareExchange)});
      edits.push_back({close, 0, ", " + original});
    }
    at = close;
  }
  return edits.empty() ? std::string(source) : Applied(source, std::move(edits));
}

}  // namespace d3dcompiler
