#pragma once
// Every kind of control the main window is built of, as real Win32 controls.

#include "adapters/win32/Win32Buttons.h"
#include "adapters/win32/Win32Frame.h"
#include "adapters/win32/Win32ListView.h"
#include "adapters/win32/Win32ProgressBar.h"
#include "adapters/win32/Win32TextBuffer.h"
#include "adapters/win32/Win32TextControls.h"
#include "adapters/win32/Win32Timer.h"
#include "adapters/win32/Win32Window.h"
