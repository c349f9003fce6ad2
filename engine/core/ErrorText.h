// The pieces every stopping line and every log line is built from, so that a failed call and an unusable
// file read the same way wherever they are found, and the one stop helper for failed platform calls.
#pragma once

#include "core/FatalError.h"

#include <windows.h>

#include <string>
#include <string_view>

// The result code as eight hex digits: "0x887A0004".
std::string HexCode(HRESULT result);

// The system's sentence for the code without its trailing line break, or empty when it has none.
std::wstring SystemText(HRESULT result);

// "<system text> (<hex code>)", or the hex code alone when the system has no text for it.
std::string DescribeResult(HRESULT result);

// A file name as it goes into a line of the console: UTF-8.
std::string FileNameText(std::wstring_view fileName);

// "<call>: <problem> (<hex code>)", the shape of every line about a failed platform call.
std::string CallFailureLine(const char* call, const std::string& problem, HRESULT result);

// A platform call the program cannot go on without failed: no factory or device, or a GPU object nothing
// can be drawn without (out of memory, a lost device). The program stops on it with the single line
// what() gives, e.g. "D3D12CreateDevice: no device on the default adapter (0x887A0004)".
class CallFailedError : public FatalError {
 public:
  CallFailedError(const char* call, const char* problem, HRESULT result);
};

// Throws CallFailedError when `result` is a failure.
void StopIfFailed(HRESULT result, const char* call, const char* problem);
