#include "HlslRules.h"

#include "ConstantBufferLayout.h"
#include "SourceRules.h"
#include "SpirvCheckSemantics.h"
#include "SpirvEditor.h"
#include "SpirvOptimizer.h"
#include "SpirvPassArithmetic.h"
#include "StructuredBufferLayout.h"

#include <cstring>

namespace d3dcompiler {

namespace {

std::vector<uint32_t> AsWords(const std::vector<std::byte>& code) {
  std::vector<uint32_t> words(code.size() / sizeof(uint32_t));
  std::memcpy(words.data(), code.data(), words.size() * sizeof(uint32_t));
  return words;
}

std::vector<std::byte> AsBytes(const std::vector<uint32_t>& words) {
  const auto* begin = reinterpret_cast<const std::byte*>(words.data());
  return {begin, begin + words.size() * sizeof(uint32_t)};
}

}  // namespace

std::string RewrittenForFrontEnd(std::string_view source) {
  return WithFlattenedInitializers(
      WithFlattenedInheritance(WithWindowsSyntax(WithTypedefMajority(WithUnsignedInterlockedValues(source)))));
}

HlslRules::HlslRules(const CompileRequest& request, std::string_view prepared, bool optimize)
    : sourceName_(request.SourceName),
      optimize_(optimize),
      source_(RewrittenForFrontEnd(prepared)) {
  PlacementScan placement = ScanExplicitPlacement(request.Source);
  explicitlyPlaced_ = std::move(placement.ExplicitlyPlaced);
  std::string problem = placement.Problem.empty() ? FindRepeatedSwizzleWrite(request.Source) : placement.Problem;
  if (!problem.empty()) {
    const size_t colon = problem.find(": ");  // "<line>: <text>"
    sourceProblem_ = sourceName_ + ":" + problem.substr(0, colon) + ": error: " + problem.substr(colon + 2) + "\n";
  }
}

CompileOutcome HlslRules::Refuse(CompileOutcome outcome, const std::string& message) const {
  outcome.Result = E_FAIL;
  outcome.Code.clear();
  outcome.Messages += message;
  return outcome;
}

CompileOutcome HlslRules::Finish(CompileOutcome outcome) const {
  if (FAILED(outcome.Result)) return outcome;
  if (!sourceProblem_.empty()) return Refuse(std::move(outcome), sourceProblem_);
  SpirvEditor module;
  if (!module.Load(AsWords(outcome.Code))) {
    return Refuse(std::move(outcome), sourceName_ + ": error: the front end produced no SPIR-V module\n");
  }
  std::string problem = FindOutputWithoutSemantic(module);
  if (problem.empty()) problem = PackConstantBuffers(module, explicitlyPlaced_);
  if (!problem.empty()) return Refuse(std::move(outcome), sourceName_ + ": error: " + problem + "\n");
  PackStructuredBuffers(module);
  ApplyHlslArithmetic(module);
  std::vector<uint32_t> words = module.Save();
  const std::string invalid = ValidateAndOptimize(words, optimize_);
  if (!invalid.empty()) {
    return Refuse(std::move(outcome), sourceName_ + ": error: internal compiler error, the code does not validate: " +
                                          invalid);
  }
  outcome.Code = AsBytes(words);
  return outcome;
}

}  // namespace d3dcompiler
