// How the layer reports misuse: one stderr line naming the call, like the Direct3D 12 debug layer, in the
// format every platform module uses.
#pragma once

#include <windows.h>

#include "platform_common/Diagnostics.h"

namespace d3d12vk {

using platform::Fail;
using platform::NotImplemented;
using platform::Report;
using platform::ReportNotImplementedOnce;

// Text for a VkResult in messages.
const char* DescribeVkResult(int result);

}  // namespace d3d12vk
