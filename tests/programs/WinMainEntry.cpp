// The process of a Windows GUI program starts in WinMain; here processes start in main, which hands over
// with what Windows would pass (the module, no previous instance, the command line after the program name).
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

int main(int argc, char** argv) {
  static char empty[] = "";
  return WinMain(GetModuleHandleW(nullptr), nullptr, argc > 1 ? argv[1] : empty, SW_SHOWDEFAULT);
}
