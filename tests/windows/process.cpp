#include "process.h"

#include <stdexcept>
#include <windows.h>

namespace {

void check(BOOL ok, const char *what) {
  if (!ok)
    throw std::runtime_error(std::string(what) + " failed: error " + std::to_string(GetLastError()));
}

std::string drain(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD n;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0)
    text.append(buffer, n);
  CloseHandle(pipe);
  return text;
}

} // namespace

std::wstring utf16(const std::string &utf8) {
  int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), result.data(), size);
  return result;
}

Outcome run(const std::string &application, const std::string &command_line, const std::string &cwd, Streams streams) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  // Large enough for everything the launcher writes, so the two pipes can be
  // read one after the other once the program has ended.
  const DWORD capacity = 1 << 20;
  HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr, input = nullptr;
  if (streams != Streams::none) {
    check(CreatePipe(&out_read, &out_write, &inherit, capacity), "CreatePipe");
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    input = CreateFileW(L"NUL", GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, nullptr);
  }
  if (streams == Streams::apart) {
    check(CreatePipe(&err_read, &err_write, &inherit, capacity), "CreatePipe");
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
  } else {
    err_write = out_write;
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION process;
  std::wstring wide_command_line = utf16(command_line);
  BOOL started = CreateProcessW(utf16(application).c_str(), wide_command_line.data(), nullptr, nullptr, TRUE, 0,
                                nullptr, utf16(cwd).c_str(), &startup, &process);
  for (HANDLE handle : {input, out_write, streams == Streams::apart ? err_write : nullptr})
    if (handle)
      CloseHandle(handle);
  check(started, "CreateProcess");

  // A launcher and interpreter DLL on different C runtimes may hang on the
  // stream they share; end such a run rather than the whole suite.
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_TIMEOUT)
    TerminateProcess(process.hProcess, timed_out);
  Outcome outcome;
  GetExitCodeProcess(process.hProcess, &outcome.status);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  if (out_read)
    outcome.out = drain(out_read);
  if (err_read)
    outcome.err = drain(err_read);
  return outcome;
}
