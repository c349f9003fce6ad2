// <d3dcompiler.h> as Microsoft's Direct3D samples spell it; Linux file names are case sensitive.
#pragma once

#include <d3dcompiler.h>
