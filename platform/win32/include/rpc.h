// The stubs' rpc.h, which Direct3D's headers include first, after the Windows HWND (see basetsd.h).
#pragma once

#include <basetsd.h>
#include_next <rpc.h>
