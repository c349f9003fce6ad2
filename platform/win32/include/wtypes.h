// The basic Windows types, which <wtypes.h> gathers for programs that include it alone.
#pragma once

#include <windef.h>
#include <winerror.h>
