#include "SourceRules.h"
#include "SourceScan.h"

#include <cctype>
#include <map>
#include <vector>

namespace d3dcompiler {

namespace {

struct Field {
  std::string Type;
  size_t Elements = 0;  // 0: not an array
};

constexpr size_t ImplicitSize = ~size_t{0};

using StructTable = std::map<std::string, std::vector<Field>, std::less<>>;

bool IsModifier(std::string_view word) {
  for (std::string_view modifier : {"const", "static", "uniform", "precise", "row_major", "column_major", "linear",
                                    "nointerpolation", "centroid", "noperspective", "sample", "volatile", "extern"}) {
    if (word == modifier) return true;
  }
  return false;
}

// Components of a numeric type name: float 1, float3 3, float4x4 16; 0 for anything else.
size_t NumericComponents(std::string_view type) {
  for (std::string_view scalar : {"float", "int", "uint", "bool", "half", "double", "dword", "min16float",
                                  "min16int", "min16uint", "min10float", "min12int"}) {
    if (!type.starts_with(scalar)) continue;
    const std::string_view shape = type.substr(scalar.size());
    if (shape.empty()) return 1;
    if (shape.size() == 1 && shape[0] >= '1' && shape[0] <= '4') return shape[0] - '0';
    if (shape.size() == 3 && shape[1] == 'x' && shape[0] >= '1' && shape[0] <= '4' && shape[2] >= '1' &&
        shape[2] <= '4') {
      return static_cast<size_t>((shape[0] - '0') * (shape[2] - '0'));
    }
  }
  return 0;
}

size_t ArrayLength(std::string_view text, size_t open) {
  size_t length = 0;
  size_t at = SkipBlanks(text, open + 1);
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) length = length * 10 + (text[at++] - '0');
  return length;
}

// Members of `struct Name { ... }` bodies, in order; a statement may declare several.
void ReadStructs(std::string_view source, StructTable* structs) {
  for (size_t at = source.find("struct"); at != std::string_view::npos; at = source.find("struct", at + 1)) {
    if (!WholeWordAt(source, at, "struct")) continue;
    const size_t nameAt = SkipBlanks(source, at + 6);
    const std::string_view name = IdentifierAt(source, nameAt);
    const size_t open = SkipBlanks(source, nameAt + name.size());
    if (name.empty() || open >= source.size() || source[open] != '{') continue;
    const size_t close = source.find('}', open);
    if (close == std::string_view::npos) continue;
    std::vector<Field> fields;
    size_t statement = open + 1;
    for (size_t end = source.find(';', statement); end < close; end = source.find(';', statement)) {
      std::string_view text = source.substr(statement, end - statement);
      size_t word = SkipBlanks(text, 0);
      while (IsModifier(IdentifierAt(text, word))) word = SkipBlanks(text, word + IdentifierAt(text, word).size());
      const std::string type(IdentifierAt(text, word));
      for (size_t declarator = word + type.size(); declarator < text.size();) {
        const size_t member = SkipBlanks(text, declarator);
        const size_t after = SkipBlanks(text, member + IdentifierAt(text, member).size());
        Field field{type, after < text.size() && text[after] == '[' ? ArrayLength(text, after) : 0};
        fields.push_back(field);
        const size_t comma = text.find(',', after);
        declarator = comma == std::string_view::npos ? text.size() : comma + 1;
      }
      statement = end + 1;
    }
    (*structs)[std::string(name)] = fields;
  }
}

size_t ScalarCount(const StructTable& structs, const Field& field);

size_t ScalarCountOfType(const StructTable& structs, const std::string& type) {
  if (const size_t components = NumericComponents(type)) return components;
  const auto found = structs.find(type);
  if (found == structs.end()) return 0;
  size_t count = 0;
  for (const Field& member : found->second) {
    const size_t members = ScalarCount(structs, member);
    if (members == 0) return 0;
    count += members;
  }
  return count;
}

size_t ScalarCount(const StructTable& structs, const Field& field) {
  return ScalarCountOfType(structs, field.Type) * (field.Elements == 0 ? 1 : field.Elements);
}

// The leaves of a brace list, nested braces opened up.
void Leaves(std::string_view text, size_t open, std::vector<std::string_view>* leaves, size_t* close) {
  size_t begin = open + 1;
  int depth = 0;
  for (size_t at = open + 1; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '(' || c == '[') ++depth;
    if ((c == ')' || c == ']') && depth > 0) --depth;
    if (depth != 0) continue;
    if (c == '{') {
      size_t inner = 0;
      Leaves(text, at, leaves, &inner);
      at = inner;
      begin = at + 1;
    } else if (c == ',' || c == '}') {
      const size_t first = SkipBlanks(text, begin);
      if (first < at) leaves->push_back(text.substr(first, at - first));
      begin = at + 1;
      if (c == '}') {
        *close = at;
        return;
      }
    }
  }
  *close = text.size();
}

std::string Build(const StructTable& structs, const Field& field, const std::vector<std::string_view>& leaves,
                  size_t* next) {
  std::string text;
  if (field.Elements != 0) {
    text = "{";
    for (size_t element = 0; element < field.Elements; ++element) {
      text += (element == 0 ? "" : ", ") + Build(structs, {field.Type, 0}, leaves, next);
    }
    return text + "}";
  }
  if (const size_t components = NumericComponents(field.Type)) {
    text = field.Type + "(";
    for (size_t i = 0; i < components; ++i) text += (i == 0 ? "" : ", ") + std::string(leaves[(*next)++]);
    return text + ")";
  }
  const std::vector<Field>& members = structs.find(field.Type)->second;
  text = "{";
  for (size_t i = 0; i < members.size(); ++i) text += (i == 0 ? "" : ", ") + Build(structs, members[i], leaves, next);
  return text + "}";
}

// The declared type and array length of a declaration whose '=' is at `equals`.
bool ReadDeclaration(std::string_view source, size_t equals, Field* field) {
  size_t end = equals;
  while (end > 0 && std::isspace(static_cast<unsigned char>(source[end - 1]))) --end;
  if (end > 0 && source[end - 1] == ']') {
    const size_t open = source.rfind('[', end);
    if (open == std::string_view::npos) return false;
    field->Elements = SkipBlanks(source, open + 1) == end - 1 ? ImplicitSize : ArrayLength(source, open);
    end = open;
    while (end > 0 && std::isspace(static_cast<unsigned char>(source[end - 1]))) --end;
  }
  size_t begin = end;
  while (begin > 0 && IsIdentifierCharacter(source[begin - 1])) --begin;  // the name
  size_t typeEnd = begin;
  while (typeEnd > 0 && std::isspace(static_cast<unsigned char>(source[typeEnd - 1]))) --typeEnd;
  size_t typeBegin = typeEnd;
  while (typeBegin > 0 && IsIdentifierCharacter(source[typeBegin - 1])) --typeBegin;
  field->Type = std::string(source.substr(typeBegin, typeEnd - typeBegin));
  return begin < end && typeBegin < typeEnd;
}

}  // namespace

std::string WithFlattenedInitializers(std::string_view source) {
  StructTable structs;
  ReadStructs(source, &structs);
  std::string result;
  size_t copied = 0;
  for (size_t at = 0; at < source.size(); ++at) {
    const size_t skipped = SkipCommentOrString(source, at);
    if (skipped != at) {
      at = skipped - 1;
      continue;
    }
    if (source[at] != '=' || (at > 0 && std::string_view("=!<>+-*/%&|^").find(source[at - 1]) != std::string_view::npos)) {
      continue;
    }
    const size_t open = SkipBlanks(source, at + 1);
    Field field;
    if (open >= source.size() || source[open] != '{' || !ReadDeclaration(source, at, &field)) continue;
    std::vector<std::string_view> leaves;
    size_t close = 0;
    Leaves(source, open, &leaves, &close);
    if (close >= source.size()) continue;
    if (field.Elements == ImplicitSize) {  // `float4 k[] = {...}`: the list gives the length
      const size_t element = ScalarCountOfType(structs, field.Type);
      field.Elements = element == 0 || leaves.size() % element != 0 ? 0 : leaves.size() / element;
      if (field.Elements == 0) continue;
    }
    const size_t scalars = ScalarCount(structs, field);
    if (scalars == 0 || scalars != leaves.size()) continue;
    size_t next = 0;
    std::string rebuilt = Build(structs, field, leaves, &next);
    for (size_t i = open; i <= close; ++i) {
      if (source[i] == '\n') rebuilt += '\n';  // the lines the list took
    }
    result.append(source.substr(copied, open - copied));
    result += rebuilt;
    copied = close + 1;
    at = close;
  }
  if (copied == 0) return std::string(source);
  result.append(source.substr(copied));
  return result;
}

}  // namespace d3dcompiler
