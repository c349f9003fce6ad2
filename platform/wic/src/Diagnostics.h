// The one-line stderr reports of the imaging component: every failing call says what went wrong, and every
// method this platform does not offer says so the first time it is called.
#pragma once

#include <windows.h>

#include <string>

namespace wic {

// Prints "<call>: <problem> (0x<code>)" and returns the code, so a failure reads `return Fail(...)`.
HRESULT Fail(const char* call, const std::string& problem, HRESULT code);

// Prints "<method> is not implemented" once per method name and returns E_NOTIMPL.
HRESULT NotImplemented(const char* method);

// The text in double quotes, for file names in messages.
std::string Quoted(const std::string& text);

// "{6FDDC324-4E03-4BFE-B185-3D77768DC90F}", the registry spelling of a GUID.
std::string GuidText(REFGUID guid);

}  // namespace wic
