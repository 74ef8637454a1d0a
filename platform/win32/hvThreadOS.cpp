#include "../hvThreadOS.h"

#include <windows.h>

#include <vector>

void hvThreadOS_NameCurrent(const char* name) {
  // SetThreadDescription only exists from Windows 10 1607 on, so it is looked up.
  typedef HRESULT(WINAPI * SetDescription)(HANDLE, PCWSTR);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  FARPROC found = kernel ? GetProcAddress(kernel, "SetThreadDescription") : nullptr;
  if (!found) return;
  // Through void(*)() because GCC lets that one type stand for any function type.
  SetDescription setDescription =
      reinterpret_cast<SetDescription>(reinterpret_cast<void (*)()>(found));
  int wideLength = MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
  if (wideLength <= 0) return;
  std::vector<wchar_t> wideName(static_cast<size_t>(wideLength));
  MultiByteToWideChar(CP_UTF8, 0, name, -1, wideName.data(), wideLength);
  setDescription(GetCurrentThread(), wideName.data());
}
