// The task allocator: memory handed between components (table sections, media
// types' format blocks) is allocated and freed through this one pair.
#pragma once

#include <cstddef>

void* CoTaskMemAlloc(std::size_t size);
void CoTaskMemFree(void* block);
