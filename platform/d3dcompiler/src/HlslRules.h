// The Windows compiler's rules where the front end's differ, applied at one point of a compile: the source
// is checked and rewritten before the front end sees it, and the SPIR-V it makes is checked and passed over
// afterwards (constant buffer packing, arithmetic). Each rule lives in a file of its own (SourceRules.h,
// ConstantBufferLayout.h, SpirvPassArithmetic.h, SpirvCheckSemantics.h).
#pragma once

#include "HlslCompiler.h"

#include <set>
#include <string>
#include <string_view>

namespace d3dcompiler {

class HlslRules {
 public:
  // `request.Source` is the caller's text, which messages count lines in; `prepared` is what goes to the front
  // end, which is to leave optimising to Finish (`optimize`).
  HlslRules(const CompileRequest& request, std::string_view prepared, bool optimize);
  ~HlslRules();
  HlslRules(const HlslRules&) = delete;
  HlslRules& operator=(const HlslRules&) = delete;

  // The text to hand the front end.
  const std::string& Source() const { return source_; }

  // The front end's outcome with the module passes applied, or a failure for a rule the source or the
  // module breaks.
  CompileOutcome Finish(CompileOutcome outcome) const;

 private:
  CompileOutcome Refuse(CompileOutcome outcome, const std::string& message) const;
  void Check(const std::string& fileName, std::string_view text);
  friend std::string RewrittenInclude(std::string_view, const std::string&);

  std::string sourceName_;
  bool optimize_;
  std::string source_;
  std::set<std::string> explicitlyPlaced_;
  HlslRules* enclosing_ = nullptr;
  std::string sourceProblem_;  // "<file>:<line>: error: ..." when the source breaks a rule
};

}  // namespace d3dcompiler
