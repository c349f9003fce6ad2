#include "app/MainLoop.h"

#include "anim/Animation.h"
#include "app/FrameRateTitle.h"
#include "app/InputState.h"
#include "core/FrameTimer.h"
#include "render/Renderer.h"
#include "render/SceneDriver.h"

void RunMainLoop(HWND window, Renderer& renderer, FrameTimer& timer, MSG& message) {
  while (RunOnePass(window, renderer, timer, message)) {}
}

bool RunOnePass(HWND window, Renderer& renderer, FrameTimer& timer, MSG& message) {
  // Never waits for messages: with an empty queue a frame is drawn at once, so frames run back to back.
  if (!DispatchOneMessage(message)) {
    RunFrame(renderer, timer);
  }
  // On a frame pass the record still holds the last message taken, which cannot be the quit message:
  // that one ends the loop in its own pass.
  if (message.message == WM_QUIT) {
    return false;
  }
  // A key or size change is handled before the next message is taken, so fast typing loses no key.
  DeliverTypedKey(renderer);
  ApplyPendingResize(renderer);
  CountPassAndUpdateTitle(window, timer);
  return true;
}

bool DispatchOneMessage(MSG& message) {
  if (!PeekMessageW(&message, HWND{}, 0, 0, PM_REMOVE)) {
    return false;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
  return true;
}

void RunFrame(Renderer& renderer, FrameTimer& timer) {
  timer.Advance();
  renderer.HandleModelTurnKey();
  renderer.HandleMovementKeys();
  if (renderer.Scene != nullptr) {
    renderer.Scene->Animate(renderer, timer);
  } else if (!renderer.Meshes.empty()) {
    UpdateAnimation(renderer.Meshes.front().Geometry, timer, renderer.BonePalette);
  }
  renderer.UpdateConstantBuffers();
  renderer.DrawFrame();
}

void DeliverTypedKey(Renderer& renderer) {
  if (!TypedKey.Pending) {
    return;
  }
  // Offered to the text box only while it has the focus; otherwise the key is dropped for good.
  if (!renderer.TextLabels.empty() && renderer.TextLabels.front().HasFocus) {
    renderer.TextLabels.front().OnTypedKey(TypedKey);
  }
  TypedKey.Pending = 0;
}

void ApplyPendingResize(Renderer& renderer) {
  if (!ResizePending) {
    return;
  }
  renderer.Width = PendingWidth;
  renderer.Height = PendingHeight;
  ResizePending = false;
  renderer.OnResize();
}
