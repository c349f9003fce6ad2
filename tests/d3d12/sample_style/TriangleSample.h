// A sample in the samples' style: a triangle drawn into a flip-model swap chain for a few frames. Its shader
// source is read beside the executable on a worker thread (CreateFile2 and ReadFile) while the pipeline is
// prepared, and the last frame is read back to check the triangle is where it should be.
#pragma once

#include "SampleFramework.h"

class TriangleSample : public DXSample {
 public:
  TriangleSample(UINT width, UINT height, std::wstring name, LONG framesToRender);

  void OnInit() override;
  void OnUpdate() override;
  void OnRender() override;
  void OnDestroy() override;

 private:
  static const UINT FrameCount = 2;

  struct Vertex {
    float position[3];
    float color[4];
  };

  void LoadPipeline();
  void LoadAssets();
  void PopulateCommandList();
  void WaitForPreviousFrame();
  // Copies the back buffer just drawn into m_readback (recorded into the frame's command list).
  void RecordReadback();
  bool TriangleIsInTheLastFrame();

  static DWORD WINAPI LoadShaderSource(LPVOID parameter);

  D3D12_VIEWPORT m_viewport;
  D3D12_RECT m_scissorRect;
  ComPtr<IDXGISwapChain3> m_swapChain;
  ComPtr<ID3D12Device> m_device;
  ComPtr<ID3D12Resource> m_renderTargets[FrameCount];
  ComPtr<ID3D12CommandAllocator> m_commandAllocator;
  ComPtr<ID3D12CommandQueue> m_commandQueue;
  ComPtr<ID3D12RootSignature> m_rootSignature;
  ComPtr<ID3D12DescriptorHeap> m_rtvHeap;
  ComPtr<ID3D12PipelineState> m_pipelineState;
  ComPtr<ID3D12GraphicsCommandList> m_commandList;
  UINT m_rtvDescriptorSize = 0;
  bool m_tearingSupport = false;

  ComPtr<ID3D12Resource> m_vertexBuffer;
  D3D12_VERTEX_BUFFER_VIEW m_vertexBufferView = {};
  ComPtr<ID3D12Resource> m_readback;
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT m_readbackFootprint = {};

  UINT m_frameIndex = 0;
  HANDLE m_fenceEvent = nullptr;
  ComPtr<ID3D12Fence> m_fence;
  UINT64 m_fenceValue = 0;

  std::vector<char> m_shaderSource;
  volatile LONG m_framesRendered = 0;
  const LONG m_framesToRender;
};
