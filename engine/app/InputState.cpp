#include "app/InputState.h"

Renderer* ActiveRenderer = nullptr;
TypedKeyRecord TypedKey;
bool ResizePending = false;
int32_t PendingWidth = 0;
int32_t PendingHeight = 0;
bool InSizeMove = false;
