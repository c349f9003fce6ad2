// The Windows Runtime C++ Template Library as Direct3D programs use it: ComPtr (from the DirectX-Headers
// stubs' <wrl/client.h>) and the handle wrappers.
#pragma once

#include <windows.h>

#include <wrl/client.h>
#include <wrl/wrappers/corewrappers.h>
