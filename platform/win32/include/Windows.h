// <windows.h> as many Windows programs spell it; Linux file names are case sensitive.
#pragma once

#include <windows.h>
