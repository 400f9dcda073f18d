#pragma once
// The calling convention of every exported function.
#if defined(_WIN32)
#define VANTEL_STDCALL __stdcall
#else
#define VANTEL_STDCALL
#endif
