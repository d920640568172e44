#pragma once
// The one place that chooses the platform. The program's code includes this header and calls
// Win32, Direct3D 9 and D3DX 9 by their own names; on Windows those are the real ones, on Linux
// they are our stand-ins in platform/.
#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// windows.h first: the other three build on its types.
#include <windows.h>

#include <d3d9.h>
#include <d3dx9.h>
#include <mmsystem.h>
#else
#include "platform/win32/windows.h"

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx9/d3dx9.h"
#endif
