// DirectX-Headers' D3DX12 helpers, on top of our d3d12.h so the interface identifiers are there too.
#pragma once

#include <d3d12.h>

#include_next <d3dx12.h>
