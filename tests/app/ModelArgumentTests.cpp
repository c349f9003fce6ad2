// The command line of viewer mode: which model it names, and the names it refuses with one line.
#include "app/ModelArgument.h"
#include "content/ModelFileError.h"
#include "support/ScratchFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

using testing::StrEq;
using testing::ThrowsMessage;

namespace {

std::string FromArguments(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) {
    argv.push_back(argument.data());
  }
  return ModelFromCommandLine(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(ModelArgument, NoArgumentIsTheCharacterAndAFileIsMadeAbsoluteAgainstTheCurrentFolder) {
  EXPECT_EQ(FromArguments({"engine"}), "");
  ScratchFolder folder;  // the current folder while it lives
  folder.WriteFile("hero.glb", "x");
  std::filesystem::create_directory(folder.Path() / "models");
  folder.WriteFile("models/Ship.FBX", "x");
  EXPECT_EQ(FromArguments({"engine", "hero.glb"}), (std::filesystem::current_path() / "hero.glb").string());
  EXPECT_EQ(FromArguments({"engine", "models/Ship.FBX"}),
            (std::filesystem::current_path() / "models/Ship.FBX").string());
  // Without "." or ".." (importers name sibling files from the path), and any letter in the C locale.
  folder.WriteFile("models/dück.glb", "x");
  EXPECT_EQ(FromArguments({"engine", "models/./../models/dück.glb"}),
            std::filesystem::current_path().string() + "/models/dück.glb");
}

TEST(ModelArgument, MissingFilesFoldersAndExtraArgumentsStopWithOneLine) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder.Path() / "models");
  EXPECT_THAT(
      [] {
        FromArguments({"engine", "gone.glb"});
      },
      ThrowsMessage<ModelFileError>(StrEq("gone.glb: no such file")));
  EXPECT_THAT(
      [] {
        FromArguments({"engine", "models"});
      },
      ThrowsMessage<ModelFileError>(StrEq("models: it is a folder, not a model file")));
  EXPECT_THAT(
      [] {
        FromArguments({"engine", "a.glb", "b.glb"});
      },
      ThrowsMessage<FatalError>(StrEq("usage: engine [MODEL_FILE]: one model file at most")));
}

TEST(ModelArgument, ExecutableFolderIsTheFolderOfTheRunningProgram) {
  const std::filesystem::path folder = ExecutableFolder();
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_TRUE(std::filesystem::exists(folder / "app_tests"));
}
