// Reading an image file named by a Windows path, with the Win32 error codes Windows gives for a missing
// file, a missing folder or a file that cannot be read.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wic {

// Reads the whole file named `name` (UTF-8) into `bytes`; backslashes separate folders, as on Windows.
// Failures: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the folder exists but the file does not,
// HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND) when the folder does not exist or the name is empty,
// E_ACCESSDENIED for unreadable files and folders; each is reported on stderr under `call`.
HRESULT ReadWholeFile(const char* call, const std::string& name, std::vector<BYTE>& bytes);

// Creates the file named `name` for writing, or empties it if it exists, and hands out its descriptor; the
// same failures as ReadWholeFile, E_ACCESSDENIED also for a read-only file or folder.
HRESULT CreateFileForWriting(const char* call, const std::string& name, int& descriptor);

}  // namespace wic
