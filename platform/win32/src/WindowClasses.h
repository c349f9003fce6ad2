// Registered window classes: the window procedure and the class name windows are created from.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace win32 {

struct WindowClass {
  std::wstring name;
  ATOM atom = 0;
  WNDPROC procedure = nullptr;
  UINT style = 0;
};

// The class a CreateWindowExW name refers to: a string (compared without regard to case, as Windows
// does) or an atom given with MAKEINTATOM.
std::optional<WindowClass> FindWindowClass(LPCWSTR nameOrAtom);

// A printable form of a class name argument, for error lines.
std::string DescribeClassName(LPCWSTR nameOrAtom);

void ForgetAllWindowClasses();

}  // namespace win32
