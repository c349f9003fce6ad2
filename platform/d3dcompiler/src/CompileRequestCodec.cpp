#include "CompileRequestCodec.h"

#include "CompileChannel.h"

#include <cstring>

namespace d3dcompiler {

namespace {

// A macro given without a definition stays distinguishable from one defined as the empty text.
constexpr uint64_t WithoutDefinition = 0;
constexpr uint64_t WithDefinition = 1;

std::string_view BytesOf(const std::vector<std::byte>& code) {
  return {reinterpret_cast<const char*>(code.data()), code.size()};
}

// Every field of a request must reach the helper; one added to CompileRequest changes its size, and then
// belongs in EncodeRequest and DecodeRequest (and so in the cache key) before this is updated.
static_assert(sizeof(CompileRequest) == sizeof(std::string_view) + 2 * sizeof(std::string) + 2 * sizeof(void*) +
                                            sizeof(shaderc_shader_kind) + sizeof(UINT),
              "CompileRequest changed: carry the new field to the compile helper");

}  // namespace

IncludeKind KindOfInclude(const ID3DInclude* include) {
  if (include == nullptr) return IncludeKind::None;
  return include == D3D_COMPILE_STANDARD_FILE_INCLUDE ? IncludeKind::StandardFiles : IncludeKind::Caller;
}

std::string EncodeRequest(const CompileRequest& request) {
  MessageWriter writer;
  writer.Text(request.SourceName);
  writer.Text(request.Source);
  writer.Text(request.EntryPoint);
  writer.Number(uint64_t(request.Stage));
  writer.Number(request.Flags);
  writer.Number(uint64_t(KindOfInclude(request.Include)));
  uint64_t count = 0;
  for (const D3D_SHADER_MACRO* macro = request.Defines; macro != nullptr && macro->Name != nullptr; ++macro) ++count;
  writer.Number(count);
  for (uint64_t i = 0; i < count; ++i) {
    const D3D_SHADER_MACRO& macro = request.Defines[i];
    writer.Text(macro.Name);
    writer.Number(macro.Definition != nullptr ? WithDefinition : WithoutDefinition);
    writer.Text(macro.Definition != nullptr ? macro.Definition : "");
  }
  return writer.Bytes();
}

bool DecodeRequest(const std::string& payload, DecodedRequest* decoded) {
  MessageReader reader(payload);
  decoded->Request.SourceName = reader.Text();
  decoded->Source = reader.Text();
  decoded->Request.EntryPoint = reader.Text();
  decoded->Request.Stage = shaderc_shader_kind(reader.Number());
  decoded->Request.Flags = UINT(reader.Number());
  decoded->Includes = IncludeKind(reader.Number());
  const uint64_t count = reader.Number();
  std::vector<bool> defined;
  for (uint64_t i = 0; i < count && reader.Intact(); ++i) {
    std::string name = reader.Text();
    defined.push_back(reader.Number() == WithDefinition);
    decoded->DefineTexts.emplace_back(std::move(name), reader.Text());
  }
  for (size_t i = 0; i < decoded->DefineTexts.size(); ++i) {
    const auto& [name, definition] = decoded->DefineTexts[i];
    decoded->Defines.push_back({name.c_str(), defined[i] ? definition.c_str() : nullptr});
  }
  decoded->Defines.push_back({nullptr, nullptr});
  decoded->Request.Source = decoded->Source;
  decoded->Request.Defines = decoded->Defines.data();
  decoded->Request.Include = nullptr;
  return reader.Intact();
}

std::string EncodeOutcome(const HelperOutcome& outcome) {
  MessageWriter writer;
  writer.Number(uint32_t(outcome.Outcome.Result));
  writer.Text(BytesOf(outcome.Outcome.Code));
  writer.Text(outcome.Outcome.Messages);
  writer.Number(outcome.Cacheable ? 1 : 0);
  writer.Number(outcome.Includes.size());
  for (const IncludedFile& file : outcome.Includes) {
    writer.Text(file.Path);
    writer.Text(file.Content);
  }
  return writer.Bytes();
}

bool DecodeOutcome(const std::string& payload, HelperOutcome* outcome) {
  MessageReader reader(payload);
  outcome->Outcome.Result = HRESULT(uint32_t(reader.Number()));
  const std::string code = reader.Text();
  const auto* bytes = reinterpret_cast<const std::byte*>(code.data());
  outcome->Outcome.Code.assign(bytes, bytes + code.size());
  outcome->Outcome.Messages = reader.Text();
  outcome->Cacheable = reader.Number() != 0;
  const uint64_t count = reader.Number();
  for (uint64_t i = 0; i < count && reader.Intact(); ++i) {
    IncludedFile file;
    file.Path = reader.Text();
    file.Content = reader.Text();
    outcome->Includes.push_back(std::move(file));
  }
  return reader.Intact();
}

}  // namespace d3dcompiler
