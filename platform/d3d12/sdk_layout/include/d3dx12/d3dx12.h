// The Agility SDK package lays its helpers out as include/d3dx12/d3dx12.h, and programs written against it
// include them by that path. Here they are the same D3DX12 helpers as <d3dx12.h>.
#pragma once

#include <d3dx12.h>
