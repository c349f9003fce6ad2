#include "app/InputState.h"

Renderer* ActiveRenderer = nullptr;
ModelViewer* ActiveViewer = nullptr;
TypedKeyRecord TypedKey;
bool ResizePending = false;
int32_t PendingWidth = 0;
int32_t PendingHeight = 0;
bool InSizeMove = false;
