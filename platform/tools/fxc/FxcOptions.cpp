#include "FxcOptions.h"

#include <d3dcompiler.h>

#include <array>
#include <filesystem>
#include <functional>

namespace fxc {
namespace {

// Switches without a value and the compile flags they stand for.
struct Switch {
  const char* name;
  UINT flags;
};

constexpr std::array kSwitches = {
    Switch{"Zi", D3DCOMPILE_DEBUG},
    Switch{"Od", D3DCOMPILE_SKIP_OPTIMIZATION},
    Switch{"O0", D3DCOMPILE_OPTIMIZATION_LEVEL0},
    Switch{"O1", D3DCOMPILE_OPTIMIZATION_LEVEL1},
    Switch{"O2", D3DCOMPILE_OPTIMIZATION_LEVEL2},
    Switch{"O3", D3DCOMPILE_OPTIMIZATION_LEVEL3},
    Switch{"WX", D3DCOMPILE_WARNINGS_ARE_ERRORS},
    Switch{"Vd", D3DCOMPILE_SKIP_VALIDATION},
    Switch{"Zpr", D3DCOMPILE_PACK_MATRIX_ROW_MAJOR},
    Switch{"Zpc", D3DCOMPILE_PACK_MATRIX_COLUMN_MAJOR},
    Switch{"Gpp", D3DCOMPILE_PARTIAL_PRECISION},
    Switch{"Gfa", D3DCOMPILE_AVOID_FLOW_CONTROL},
    Switch{"Gfp", D3DCOMPILE_PREFER_FLOW_CONTROL},
    Switch{"Ges", D3DCOMPILE_ENABLE_STRICTNESS},
    Switch{"Gec", D3DCOMPILE_ENABLE_BACKWARDS_COMPATIBILITY},
    Switch{"Gis", D3DCOMPILE_IEEE_STRICTNESS},
    Switch{"all_resources_bound", D3DCOMPILE_ALL_RESOURCES_BOUND},
    Switch{"enable_unbounded_descriptor_tables", D3DCOMPILE_ENABLE_UNBOUNDED_DESCRIPTOR_TABLES},
    Switch{"res_may_alias", D3DCOMPILE_RESOURCES_MAY_ALIAS},
    // Accepted for compatibility; they change nothing in the layer's byte code.
    Switch{"Zss", 0},
    Switch{"Zsb", 0},
    Switch{"Qstrip_reflect", 0},
    Switch{"Qstrip_debug", 0},
    Switch{"Qstrip_priv", 0},
    Switch{"Qembed_debug", 0},
    Switch{"Vi", 0},
};

// Options with a value, longest names first so that `/Fo` is not read as `/F` + `o`.
enum class Valued { Profile, Entry, Define, Include, Object, Header, Variable, DebugFile, Ignored };
struct ValuedOption {
  const char* name;
  Valued kind;
};
constexpr std::array kValuedOptions = {
    ValuedOption{"Fo", Valued::Object},   ValuedOption{"Fh", Valued::Header},    ValuedOption{"Vn", Valued::Variable},
    ValuedOption{"Fd", Valued::DebugFile}, ValuedOption{"Fe", Valued::Ignored}, ValuedOption{"Fc", Valued::Ignored},
    ValuedOption{"Fx", Valued::Ignored},  ValuedOption{"T", Valued::Profile},   ValuedOption{"E", Valued::Entry},
    ValuedOption{"D", Valued::Define},    ValuedOption{"I", Valued::Include},
};

bool LooksLikeOption(const std::string& argument) {
  if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return false;
  // An absolute path is the input file, not an option.
  return !(argument[0] == '/' && std::filesystem::is_regular_file(argument));
}

void Store(Options& options, Valued kind, const std::string& value) {
  switch (kind) {
    case Valued::Profile:
      options.profile = value;
      break;
    case Valued::Entry:
      options.entry = value;
      break;
    case Valued::Define: {
      const size_t equals = value.find('=');
      options.defines.emplace_back(value.substr(0, equals),
                                   equals == std::string::npos ? std::string("1") : value.substr(equals + 1));
      break;
    }
    case Valued::Include:
      options.includeDirs.push_back(value);
      break;
    case Valued::Object:
      options.objectFile = value;
      break;
    case Valued::Header:
      options.headerFile = value;
      break;
    case Valued::Variable:
      options.variableName = value;
      break;
    case Valued::DebugFile:
    case Valued::Ignored:
      break;
  }
}

// Reads the option at arguments[index] (prefix already checked); advances `index` past a separate value.
std::string ReadOption(const std::vector<std::string>& arguments, size_t& index, Options& options) {
  const std::string name = arguments[index].substr(1);
  if (name == "nologo") {
    options.noLogo = true;
    return {};
  }
  if (name == "?" || name == "help") {
    options.help = true;
    return {};
  }
  for (const Switch& known : kSwitches) {
    if (name == known.name) {
      options.compileFlags |= known.flags;
      return {};
    }
  }
  for (const ValuedOption& known : kValuedOptions) {
    const std::string prefix = known.name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    std::string value = name.substr(prefix.size());
    if (value.empty()) {
      if (index + 1 >= arguments.size()) return "option " + arguments[index] + " needs a value";
      value = arguments[++index];
    }
    Store(options, known.kind, value);
    return {};
  }
  return "unknown option " + arguments[index];
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& arguments) {
  Options options;
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (!LooksLikeOption(argument)) {
      if (!options.input.empty()) return {std::nullopt, "more than one input file: " + options.input + ", " + argument};
      options.input = argument;
      continue;
    }
    std::string error = ReadOption(arguments, index, options);
    if (!error.empty()) return {std::nullopt, error};
  }
  if (options.help) return {options, {}};
  if (options.input.empty()) return {std::nullopt, "no input file"};
  if (options.profile.empty()) return {std::nullopt, "no target profile (/T, e.g. /T ps_5_0)"};
  if (options.variableName.empty()) options.variableName = "g_" + options.entry;
  return {options, {}};
}

const char* UsageText() {
  return "Usage: fxc <options> <file>\n"
         "\n"
         "   /T <profile>    target profile (vs_5_0, ps_5_0, cs_5_0, ...)\n"
         "   /E <name>       entry point (default main)\n"
         "   /D <id>=<text>  define a macro (a bare <id> is 1)\n"
         "   /I <folder>     add a folder to the include search\n"
         "   /Fo <file>      write the object file (.cso)\n"
         "   /Fh <file>      write a C header holding the object\n"
         "   /Vn <name>      the header's variable name (default g_<entry>)\n"
         "   /Zi             debug information\n"
         "   /Od             no optimisation\n"
         "   /O0 .. /O3      optimisation level\n"
         "   /WX             warnings are errors\n"
         "   /Zpr, /Zpc      row- or column-major matrices\n"
         "   /nologo         no banner\n"
         "\n"
         "Options start with / or -; values may follow the option or be joined to it.\n";
}

}  // namespace fxc
