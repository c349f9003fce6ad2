// Fences: completed values, events from the Win32 layer, waits that time out, and queue-side waits.
#include "GpuTest.h"

namespace {

using FenceTest = GpuEventTest;

TEST_F(FenceTest, StartsAtItsInitialValue) {
  ComPtr<ID3D12Fence> five;
  ASSERT_EQ(device->CreateFence(5, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&five)), S_OK);
  EXPECT_EQ(five->GetCompletedValue(), 5u);
  EXPECT_EQ(fence->GetCompletedValue(), 0u);
}

TEST_F(FenceTest, AnAlreadyCompletedValueSignalsTheEventAtOnce) {
  ASSERT_EQ(fence->SetEventOnCompletion(0, event), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
}

TEST_F(FenceTest, QueueSignalsCompleteTheEventAndTheValue) {
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(queue->Signal(fence.Get(), 1), S_OK);
  ASSERT_EQ(fence->SetEventOnCompletion(1, event), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(fence->GetCompletedValue(), 1u);
  // Auto-reset: the event was consumed by the wait.
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(FenceTest, WaitsTimeOutUntilTheValueIsReached) {
  ASSERT_EQ(fence->SetEventOnCompletion(10, event), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, 20), WAIT_TIMEOUT);
  ASSERT_EQ(fence->Signal(10), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, 1000), WAIT_OBJECT_0);
  EXPECT_EQ(fence->GetCompletedValue(), 10u);
}

TEST_F(FenceTest, QueueWaitHoldsLaterWorkUntilTheFenceIsSignalled) {
  ComPtr<ID3D12Fence> after;
  ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&after)), S_OK);
  ASSERT_EQ(queue->Wait(fence.Get(), 3), S_OK);
  ASSERT_EQ(queue->Signal(after.Get(), 1), S_OK);
  ASSERT_EQ(after->SetEventOnCompletion(1, event), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, 50), WAIT_TIMEOUT);
  ASSERT_EQ(fence->Signal(3), S_OK);
  EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(after->GetCompletedValue(), 1u);
  fenceValue = 3;
}

TEST_F(FenceTest, NullEventBlocksUntilTheValueIsReached) {
  ASSERT_EQ(queue->Signal(fence.Get(), 7), S_OK);
  ASSERT_EQ(fence->SetEventOnCompletion(7, nullptr), S_OK);
  EXPECT_EQ(fence->GetCompletedValue(), 7u);
  fenceValue = 7;
}

}  // namespace
