// The stubs' unknwn.h, through which <wsl/winadapter.h> and <wrl/client.h> reach the other stubs, after
// the Windows HWND (see basetsd.h).
#pragma once

#include <basetsd.h>
#include_next <unknwn.h>
