// TColor: a colour as 0x00BBGGRR (red in the low byte). It is a 32-bit signed integer because the
// stored script reads and writes it as one (MainFormColor is an Integer property): a value whose
// top byte is 0xFF, a system colour of the UI toolkit, is a negative number there and must read
// back the same.
#pragma once

#include <cstdint>

using TColor = int32_t;
