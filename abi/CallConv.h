// SPDX-License-Identifier: MIT
// Calling conventions and export markers for the flat functions between separately built
// modules. On 32-bit Windows the flat functions are stdcall; on 64-bit POSIX there is one C
// convention and the markers are empty.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define DXFI_STDCALL __stdcall
#define DXFI_CDECL __cdecl
#else
#define DXFI_STDCALL
#define DXFI_CDECL
#endif

#if defined(_WIN32)
#define DXFI_EXPORT __declspec(dllexport)
#else
#define DXFI_EXPORT __attribute__((visibility("default")))
#endif
