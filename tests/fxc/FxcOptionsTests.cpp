// fxc's command line as build scripts written for the Windows tool pass it, and the header it writes.
#include <gtest/gtest.h>

#include "FxcOptions.h"
#include "ObjectWriter.h"

#include <d3dcompiler.h>

namespace {

struct Case {
  std::vector<std::string> arguments;
  std::string profile, entry, object, header, variable;
  UINT flags;
  std::vector<std::pair<std::string, std::string>> defines;
  std::vector<std::string> includes;
};

TEST(FxcOptions, BothPrefixesJoinedAndSeparateValuesGiveTheSameOptions) {
  const Case cases[] = {
      {{"/T", "ps_5_0", "/E", "PSMain", "/Fo", "out.cso", "in.hlsl"}, "ps_5_0", "PSMain", "out.cso", "", "g_PSMain", 0,
       {}, {}},
      {{"-Tvs_5_1", "-EVSMain", "-Fhout.h", "-Vnvertex", "in.hlsl", "-nologo"}, "vs_5_1", "VSMain", "", "out.h",
       "vertex", 0, {}, {}},
      {{"in.hlsl", "/T", "cs_5_0", "/Zi", "/Od", "/DA=2", "/D", "B", "/I", "inc", "/Iinc2"}, "cs_5_0", "main", "", "",
       "g_main", D3DCOMPILE_DEBUG | D3DCOMPILE_SKIP_OPTIMIZATION, {{"A", "2"}, {"B", "1"}}, {"inc", "inc2"}},
      {{"/T", "ps_4_0", "/O3", "/WX", "/Zpr", "/Qstrip_reflect", "in.hlsl"}, "ps_4_0", "main", "", "", "g_main",
       D3DCOMPILE_OPTIMIZATION_LEVEL3 | D3DCOMPILE_WARNINGS_ARE_ERRORS | D3DCOMPILE_PACK_MATRIX_ROW_MAJOR, {}, {}},
      {{"/T", "ps_4_0", "/O0", "in.hlsl"}, "ps_4_0", "main", "", "", "g_main", D3DCOMPILE_OPTIMIZATION_LEVEL0, {}, {}},
  };
  for (const Case& expected : cases) {
    SCOPED_TRACE(expected.arguments.front());
    const fxc::ParseResult parsed = fxc::ParseOptions(expected.arguments);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->input, "in.hlsl");
    EXPECT_EQ(parsed.options->profile, expected.profile);
    EXPECT_EQ(parsed.options->entry, expected.entry);
    EXPECT_EQ(parsed.options->objectFile, expected.object);
    EXPECT_EQ(parsed.options->headerFile, expected.header);
    EXPECT_EQ(parsed.options->variableName, expected.variable);
    EXPECT_EQ(parsed.options->compileFlags, expected.flags);
    EXPECT_EQ(parsed.options->defines, expected.defines);
    EXPECT_EQ(parsed.options->includeDirs, expected.includes);
  }
}

TEST(FxcOptions, MistakesAreNamedAndAbsolutePathsAreInputs) {
  const std::pair<std::vector<std::string>, std::string> mistakes[] = {
      {{"/T", "ps_5_0"}, "no input file"},
      {{"in.hlsl"}, "no target profile"},
      {{"/T", "ps_5_0", "/Q", "in.hlsl"}, "unknown option /Q"},
      {{"in.hlsl", "/T"}, "option /T needs a value"},
      {{"/T", "ps_5_0", "a.hlsl", "b.hlsl"}, "more than one input file"},
  };
  for (const auto& [arguments, error] : mistakes) {
    const fxc::ParseResult parsed = fxc::ParseOptions(arguments);
    EXPECT_FALSE(parsed.options);
    EXPECT_NE(parsed.error.find(error), std::string::npos) << parsed.error;
  }
  // An existing file given by its absolute path is the input, though it starts with '/'.
  const fxc::ParseResult parsed = fxc::ParseOptions({"/T", "ps_5_0", "/proc/self/status"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->input, "/proc/self/status");
}

TEST(FxcOptions, TheHeaderDefinesTheBytesUnderTheVariableName) {
  const std::string text = fxc::HeaderText("g_VSMain", "shaders.hlsl", "vs_5_0", "VSMain", {3, 2, 255, 0, 7});
  EXPECT_NE(text.find("const BYTE g_VSMain[] =\n{\n      3,   2, 255,   0,   7\n};\n"), std::string::npos) << text;
  EXPECT_EQ(text.rfind("#if 0", 0), 0u);  // the comment block fxc starts with
}

}  // namespace
