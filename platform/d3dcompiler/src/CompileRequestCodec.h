// A compile request and its outcome as message payloads, for the trip to the compile helper and back.
// The encoded request is also the cache key: it holds everything the result depends on but the includes.
#pragma once

#include "HlslCompiler.h"
#include "IncludeLog.h"

#include <string>
#include <utility>
#include <vector>

namespace d3dcompiler {

// How the request resolves #include; a caller's own handler lives in the program, never in the helper.
enum class IncludeKind : uint32_t { None = 0, StandardFiles = 1, Caller = 2 };

IncludeKind KindOfInclude(const ID3DInclude* include);

std::string EncodeRequest(const CompileRequest& request);

// A request read back from a payload, owning the text its CompileRequest points into. Include is left
// null: the helper decides what stands in for `Includes`.
struct DecodedRequest {
  CompileRequest Request;
  IncludeKind Includes = IncludeKind::None;
  std::string Source;
  std::vector<std::pair<std::string, std::string>> DefineTexts;
  std::vector<D3D_SHADER_MACRO> Defines;  // pointing into DefineTexts, ending with {nullptr, nullptr}
};

bool DecodeRequest(const std::string& payload, DecodedRequest* decoded);

struct HelperOutcome {
  CompileOutcome Outcome;
  // False when the result depends on what a caller's include handler gave, which a cache cannot check.
  bool Cacheable = true;
  std::vector<IncludedFile> Includes;
};

std::string EncodeOutcome(const HelperOutcome& outcome);
bool DecodeOutcome(const std::string& payload, HelperOutcome* outcome);

}  // namespace d3dcompiler
