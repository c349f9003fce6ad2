// The command line of the program: nothing for the character of the run folder, or one model file to
// view, named relative to the folder the program was started from.
#pragma once

#include <filesystem>
#include <string>

// The model file the command line names, made absolute against the current folder, or empty when there
// is no argument. Throws ModelFileError (one line naming the file) for a file that does not exist or a
// folder, and FatalError for more than one argument.
std::string ModelFromCommandLine(int argc, char** argv);

// The folder of the running executable, where Shaders/, the font and the textures are staged.
std::filesystem::path ExecutableFolder();
