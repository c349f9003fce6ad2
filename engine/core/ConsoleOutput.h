// The console log's one writer. Wide log lines and narrow trace lines share stdout, and a C library may fix
// a stream's character width at its first write and then drop output of the other width; so every line,
// wide or narrow, goes out as UTF-8 through the one narrow stream, in the order it was written.
#pragma once

#include <string>
#include <string_view>

std::string ToUtf8(std::wstring_view text);

// Writes the line and a line break to stdout and flushes, so the log interleaves correctly with anything
// else the process prints and survives a crash that follows.
void WriteConsoleLine(std::string_view utf8Line);
void WriteConsoleLine(std::wstring_view line);

// Writes the line to stderr: what went wrong when the program goes on regardless.
void WriteErrorLine(std::string_view utf8Line);
