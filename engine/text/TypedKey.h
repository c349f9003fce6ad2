// A key handed from the window procedure to the text box.
#pragma once

#include <cstdint>

// The last key pressed. Char is the virtual-key code plus 32, modulo 256; the text box may correct it in
// place, which is why the record is handed over by reference.
struct TypedKeyRecord {
  uint8_t Pending = 0;  // 1 while the key waits for the loop
  uint8_t Char = 0;
};
