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

namespace {

// The compile running on this thread, which the include handler's files are checked for.
thread_local HlslRules* RunningCompile = nullptr;

}  // namespace

std::string RewrittenInclude(std::string_view source, const std::string& fileName) {
  if (RunningCompile != nullptr) RunningCompile->Check(fileName, source);
  return RewrittenForFrontEnd(source);
}

HlslRules::HlslRules(const CompileRequest& request, std::string_view prepared, bool optimize)
    : sourceName_(request.SourceName),
      optimize_(optimize),
      source_(RewrittenForFrontEnd(prepared)) {
  Check(sourceName_, request.Source);
  enclosing_ = RunningCompile;  // a compile started from an include handler's callback
  RunningCompile = this;
}

HlslRules::~HlslRules() { RunningCompile = enclosing_; }

// Placement and refusals of one file's text; the first problem found is the one reported.
void HlslRules::Check(const std::string& fileName, std::string_view text) {
  PlacementScan placement = ScanExplicitPlacement(text);
  explicitlyPlaced_.merge(placement.ExplicitlyPlaced);
  const std::string problem = placement.Problem.empty() ? FindRepeatedSwizzleWrite(text) : placement.Problem;
  if (!problem.empty() && sourceProblem_.empty()) {
    const size_t colon = problem.find(": ");  // "<line>: <text>"
    sourceProblem_ = fileName + ":" + problem.substr(0, colon) + ": error: " + problem.substr(colon + 2) + "\n";
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
