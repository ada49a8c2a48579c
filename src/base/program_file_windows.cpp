// The running program's file on Windows: GetModuleFileNameW of the program itself.
#include <windows.h>

#include "base/data_folder.h"

namespace glimmer {

std::filesystem::path programFile() {
  wchar_t name[32768];
  const DWORD length = GetModuleFileNameW(nullptr, name, static_cast<DWORD>(sizeof name / sizeof name[0]));
  if (length == 0 || length >= sizeof name / sizeof name[0]) return {};
  return std::filesystem::path(std::wstring(name, length));
}

}  // namespace glimmer
