#include "SpirvOptimizer.h"

#include <spirv-tools/libspirv.hpp>
#include <spirv-tools/optimizer.hpp>

namespace d3dcompiler {

namespace {

constexpr spv_target_env Environment = SPV_ENV_VULKAN_1_3;

spvtools::ValidatorOptions DeviceRules() {
  spvtools::ValidatorOptions options;
  options.SetScalarBlockLayout(true);
  return options;
}

auto Collector(std::string* messages) {
  return [messages](spv_message_level_t, const char*, const spv_position_t&, const char* message) {
    *messages += std::string(message) + "\n";
  };
}

}  // namespace

std::string ValidationProblems(const std::vector<uint32_t>& words) {
  std::string messages;
  spvtools::SpirvTools tools(Environment);
  tools.SetMessageConsumer(Collector(&messages));
  return tools.Validate(words.data(), words.size(), DeviceRules()) ? std::string() : messages;
}

std::string ValidateAndOptimize(std::vector<uint32_t>& words, bool optimize) {
  if (!optimize) return ValidationProblems(words);
  std::string messages;
  spvtools::Optimizer optimizer(Environment);
  optimizer.SetMessageConsumer(Collector(&messages));
  optimizer.RegisterPerformancePasses();
  spvtools::OptimizerOptions options;
  options.set_run_validator(true);
  options.set_validator_options(DeviceRules());
  std::vector<uint32_t> optimized;
  if (!optimizer.Run(words.data(), words.size(), &optimized, options)) {
    return messages.empty() ? std::string("the optimiser failed\n") : messages;
  }
  words = std::move(optimized);
  return {};
}

}  // namespace d3dcompiler
