// The one object that owns the GPU state and the scene. Other subsystems read and write its fields
// directly; every operation runs on the main thread, between frames.
#pragma once

#include "content/Mesh.h"
#include "core/Direct3D12.h"
#include "content/TextureLoader.h"
#include "math/Matrix.h"
#include "render/Camera.h"
#include "text/TextLabel.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct IDXGIFactory4;
class SwapChain;
class DescriptorHeaps;
class PipelineLibrary;
class SceneDriver;
class ModelLoader;

class Renderer {
 public:
  // Binds the window and takes its client size; the camera gets its default lens. No GPU object exists
  // until InitDirect3D.
  explicit Renderer(HWND window);

  void InitDirect3D();
  // The font atlas into descriptor slot 0 and the model texture into slot 1; the last step of InitDirect3D.
  void LoadTextures();
  // The pipelines, the text box and the character, or what Scene loads in its place.
  void LoadContent();
  // Imports the model file with the loader on an upload context of its own and waits for the uploads.
  Model ImportModel(ModelLoader& loader, const std::string& path);
  // Uploads the images as textures after the ones already held and returns the first one's slot; their
  // views are written by LoadContent (or WriteTextureViews).
  uint32_t AddTextures(const std::vector<DecodedImage>& images);
  // Makes the shader-visible heap hold descriptorCount descriptors at least; true when it had to be
  // replaced by a larger, empty one, whose texture views the caller writes again. The constant views are
  // written later by CreateConstantBuffers.
  bool EnsureShaderVisibleRoom(uint32_t descriptorCount);
  // The views of Textures[first...] into their slots of the shader-visible heap.
  void WriteTextureViews(uint32_t first);
  void CreateConstantBuffers();
  void SetupCamera();

  // Per frame, in this order, after the input handlers and the animation.
  void UpdateConstantBuffers();
  void DrawFrame();

  // Rebuilds the size-dependent state for Width x Height, which the caller has set.
  void OnResize();

  // Signals the next fence value on CommandQueue and blocks until the GPU has reached it.
  void FlushCommandQueue();

  // Held keys move the camera (W, A, S, D) or turn the model (U), a fixed step per frame.
  void HandleMovementKeys();
  void HandleModelTurnKey();

  HWND Window = {};
  ::SwapChain* SwapChain = nullptr;
  DescriptorHeaps* Heaps = nullptr;
  PipelineLibrary* Pipelines = nullptr;
  ::Camera Camera;
  float LastMouseX = 0.0f;  // cursor position of the latest mouse message, client pixels
  float LastMouseY = 0.0f;
  IDXGIFactory4* Factory = nullptr;
  ID3D12Device* Device = nullptr;
  ID3D12Fence* Fence = nullptr;
  uint64_t FenceValue = 0;
  uint32_t CbvSrvUavDescriptorSize = 0;
  int32_t TextureCount = 0;
  std::vector<ID3D12Resource*> Textures;  // in descriptor-slot order, kept to write their views again
  ID3D12CommandQueue* CommandQueue = nullptr;
  ID3D12CommandAllocator* CommandAllocator = nullptr;
  ID3D12GraphicsCommandList* CommandList = nullptr;
  int32_t BufferCount = 2;
  int32_t Width = 0;  // client size in pixels
  int32_t Height = 0;
  ID3D12Resource* DepthStencilBuffer = nullptr;
  D3D12_VIEWPORT Viewport = {};
  D3D12_RECT ScissorRect = {};
  std::vector<TextLabel> TextLabels;  // element 0 is the text box that is drawn, resized and edited
  ID3D12Resource* PassConstants = nullptr;
  uint8_t* MappedPassConstants = nullptr;
  ID3D12Resource* ObjectConstants = nullptr;
  uint8_t* MappedObjectConstants = nullptr;
  ID3D12Resource* BoneConstants = nullptr;
  uint8_t* MappedBoneConstants = nullptr;
  bool CameraChanged = true;  // the camera constants must be rewritten by the next UpdateConstantBuffers
  std::vector<Mesh> Meshes;
  std::vector<float4x4> BonePalette;  // skinning matrices of the latest UpdateAnimation
  // What is drawn in place of the character (null for the character); not owned.
  SceneDriver* Scene = nullptr;
  // The lens planes and the movement step; the defaults are the character's, a scene sizes them to itself.
  float NearPlane = 1.0f;
  float FarPlane = 1000.0f;
  float MoveStepScale = 1.0f;
};
