// <d3dcompiler.h> as some Windows programs spell it; Linux file names are case sensitive.
#pragma once

#include <d3dcompiler.h>
