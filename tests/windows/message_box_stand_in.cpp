// Stand-in for USER32.dll's MessageBoxW, loaded in its place from the
// windowed launcher's folder through Wine's DLL overrides for that program
// (user32 native): no window can be shown or answered where the tests run. It appends
// what it was asked to show, in UTF-8, to the file MESSAGE_BOX_RECORD names:
//   flags 0x<uType>
//   <text>
// and answers as a user who pressed OK.

#include <cstdio>
// USER32's own declarations left out: this defines one of its functions.
#define WIN32_LEAN_AND_MEAN
#define NOUSER
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  wchar_t record_path[MAX_PATH];
  if (!GetEnvironmentVariableW(L"MESSAGE_BOX_RECORD", record_path, MAX_PATH))
    return 0;
  HANDLE record = CreateFileW(record_path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (record == INVALID_HANDLE_VALUE)
    return 0;
  // Nothing of USER32's own: this DLL stands in its place.
  char line[64];
  DWORD written;
  int length = snprintf(line, sizeof line, "flags 0x%x%s\n", type, caption ? " (with a caption)" : "");
  WriteFile(record, line, static_cast<DWORD>(length), &written, nullptr);
  static char utf8[4 * 32768 + 4];
  int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  if (size > 0) {
    WriteFile(record, utf8, static_cast<DWORD>(size - 1), &written, nullptr);
    WriteFile(record, "\n", 1, &written, nullptr);
  }
  CloseHandle(record);
  return 1; // IDOK
}
