#pragma once
// How a test double shows an entry: by its plain name, stdcall on Windows.
#if defined(_WIN32)
#define DOUBLE_ENTRY extern "C" __declspec(dllexport) int __stdcall
#else
#define DOUBLE_ENTRY extern "C" __attribute__((visibility("default"))) int
#endif
