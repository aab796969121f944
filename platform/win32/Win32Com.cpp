#include "platform/win32/Win32Com.h"

#include <windows.h>
#include <objbase.h>

namespace win32 {

platform::HResult Win32Com::initialize() { return CoInitialize(nullptr); }

void Win32Com::uninitialize() { CoUninitialize(); }

}  // namespace win32
