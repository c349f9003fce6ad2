// The three constant buffers of the object shaders: camera constants, one world matrix per draw item and
// the bone palette. Each is one persistently mapped upload buffer; the frame waits for the GPU before it
// returns, so the CPU may rewrite them between frames without a second copy.
#pragma once

#include "content/Mesh.h"
#include "core/Direct3D12.h"
#include "math/Matrix.h"
#include "render/Camera.h"
#include "render/ConstantBufferLayout.h"

#include <windows.h>

#include <cstdint>
#include <vector>

// An upload buffer of byteSize bytes, mapped for the whole run at *mapped. Stops when it cannot be made.
ID3D12Resource* CreateMappedUploadBuffer(ID3D12Device* device, uint64_t byteSize, uint8_t** mapped);

// A constant-buffer view of byteSize bytes at `offset` into the buffer, written to `destination`.
void CreateConstantView(ID3D12Device* device, ID3D12Resource* buffer, uint64_t offset, uint32_t byteSize,
                        D3D12_CPU_DESCRIPTOR_HANDLE destination);

// The skinning matrices go in as the animation made them: they are column-vector matrices already.
void WriteBonePalette(const std::vector<float4x4>& palette, uint8_t* mapped);

// Every draw item of a mesh whose world matrix changed, each slot's byte offset traced on the console.
void WriteObjectConstants(std::vector<Mesh>& meshes, uint8_t* mapped);

// Viewer mode: every frame, the draw items that follow the animation, dirty or not. Not traced: the trace
// records where the program places its meshes, once per placement, not every pose of the animation.
void WriteAnimatedObjectConstants(const std::vector<Mesh>& meshes, uint8_t* mapped);

PassConstantsRecord MakePassConstants(const Camera& camera);
