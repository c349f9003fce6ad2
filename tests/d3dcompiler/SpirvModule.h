// Just enough of a SPIR-V reader to check what the compiler emitted: names, decorations, variables and
// which instructions occur.
#pragma once

#include <spirv/unified1/spirv.hpp>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

class SpirvModule {
 public:
  explicit SpirvModule(std::vector<uint32_t> words) : words_(std::move(words)) {
    for (size_t at = 5; at < words_.size() && (words_[at] >> 16) != 0; at += words_[at] >> 16) {
      Read(static_cast<spv::Op>(words_[at] & 0xFFFF), &words_[at + 1]);
    }
  }

  bool Contains(spv::Op opcode) const { return opcodes_.contains(opcode); }

  // The id of the variable called `name`, or of the variable whose block type is called `name`
  // (a cbuffer's variable has no name of its own).
  uint32_t Variable(const std::string& name) const {
    for (const auto& [variable, pointee] : variablePointees_) {
      if (Name(variable) == name || Name(pointee) == name) {
        return variable;
      }
    }
    return 0;
  }

  std::optional<uint32_t> Decoration(uint32_t id, spv::Decoration decoration) const {
    const auto found = decorations_.find({id, decoration});
    return found == decorations_.end() ? std::nullopt : std::optional(found->second);
  }

  bool MemberDecorated(uint32_t type, uint32_t member, spv::Decoration decoration) const {
    return memberDecorations_.contains({type, member, decoration});
  }

  uint32_t PointeeOf(uint32_t variable) const { return variablePointees_.at(variable); }

  // Semantic name -> Location of every entry-point input.
  std::map<std::string, uint32_t> InputSemantics() const {
    std::map<std::string, uint32_t> inputs;
    for (const auto& [id, semantic] : semantics_) {
      if (inputVariables_.contains(id)) {
        inputs[semantic] = Decoration(id, spv::DecorationLocation).value_or(~0u);
      }
    }
    return inputs;
  }

 private:
  static std::string Text(const uint32_t* operand) { return reinterpret_cast<const char*>(operand); }

  std::string Name(uint32_t id) const {
    const auto found = names_.find(id);
    return found == names_.end() ? std::string() : found->second;
  }

  void Read(spv::Op opcode, const uint32_t* operands) {
    opcodes_.insert(opcode);
    switch (opcode) {
      case spv::OpName:
        names_[operands[0]] = Text(&operands[1]);
        break;
      case spv::OpDecorate:
        decorations_[{operands[0], operands[1]}] = operands[2];
        break;
      case spv::OpMemberDecorate:
        memberDecorations_.insert({operands[0], operands[1], operands[2]});
        break;
      case spv::OpDecorateString:
        if (operands[1] == spv::DecorationUserSemantic) semantics_[operands[0]] = Text(&operands[2]);
        break;
      case spv::OpTypePointer:
        pointerPointees_[operands[0]] = operands[2];
        break;
      case spv::OpVariable:
        variablePointees_[operands[1]] = pointerPointees_[operands[0]];
        if (operands[2] == spv::StorageClassInput) inputVariables_.insert(operands[1]);
        break;
      default:
        break;
    }
  }

  std::vector<uint32_t> words_;
  std::set<spv::Op> opcodes_;
  std::map<uint32_t, std::string> names_;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> decorations_;
  std::set<std::tuple<uint32_t, uint32_t, uint32_t>> memberDecorations_;
  std::map<uint32_t, std::string> semantics_;
  std::map<uint32_t, uint32_t> pointerPointees_;
  std::map<uint32_t, uint32_t> variablePointees_;
  std::set<uint32_t> inputVariables_;
};
