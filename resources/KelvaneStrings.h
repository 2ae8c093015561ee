#pragma once
// String resources of the Kelvane library: error texts under code + 100, and 50.

#include <cstdint>

// The text of library string resource `id`, or null when there is none under that id.
const char* FindKelvaneString(int32_t id);
