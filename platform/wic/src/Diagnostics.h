// The one-line stderr reports of the imaging component, in the format every platform module uses: every
// failing call says what went wrong, and every method this platform does not offer says so the first time
// it is called. Beside them, the spellings its messages use for file names and GUIDs.
#pragma once

#include <windows.h>

#include "platform_common/Diagnostics.h"

#include <string>

namespace wic {

using platform::Fail;
using platform::NotImplemented;

// The text in double quotes, for file names in messages.
std::string Quoted(const std::string& text);

// "{6FDDC324-4E03-4BFE-B185-3D77768DC90F}", the registry spelling of a GUID.
std::string GuidText(REFGUID guid);

}  // namespace wic
