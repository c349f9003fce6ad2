// The diagnostic log on the console: progress and failure lines of the start-up and resize steps, and the
// constant-slot trace of the per-object constant updates.
#pragma once

#include <cstdint>
#include <string>

// Writes message + " result:" + the system's text for the code (or "unknown error") as one line.
void LogResult(std::wstring message, int32_t result);

// Writes a constant slot's byte offset as an unsigned decimal line.
void LogSlotOffset(uint32_t byteOffset);
