// Watches another program's windows from outside, under the same Wine prefix
// (or on Windows), and records what they show as a timeline (see timeline.h).
//
//   quorvel-observer watch --title TEXT [--title TEXT]... [--pid N] [--click-ok]
//       [--interval MS] [--timeout MS] [--ready-event NAME] [--stop-event NAME]
//       [--out FILE] [--environment FILE] [-- PROGRAM ARGUMENT...]
//     Records the top-level windows with these titles (of process N only, or of
//     PROGRAM, which it starts and watches until it ends); --click-ok clicks
//     the OK button of each message box among them. The timeline goes to FILE
//     or standard output. --environment gives PROGRAM the observer's own
//     environment less its TEMP entries (any letter case), then the entries of
//     FILE, one NAME=VALUE a line in UTF-8, in that order: Wine would
//     otherwise put its own TEMP in place of the caller's.
//   quorvel-observer snap --title TEXT --out FILE.bmp
//     Writes the screen's pixels under the window (frame included) as a BMP.
//   quorvel-observer show --title TEXT [--topmost] [--ready-event NAME] [--stop-event NAME]
//     Shows a window of its own until the stop event is set: another process's
//     window on the same desktop.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "screen_bitmap.h"
#include "support/wide_text.h"
#include "support/windows/command_line.h"
#include "window_reading.h"
#include "window_watch.h"

namespace {

struct Arguments {
  std::string mode;
  std::vector<std::string> titles;
  std::string out;
  std::string readyEvent;
  std::string stopEvent;
  std::string environment;
  DWORD processId = 0;
  DWORD intervalMs = 10;
  DWORD timeoutMs = 120000;
  bool clickOk = false;
  bool topmost = false;
  std::vector<std::string> program;
};

bool Parse(int argc, char **argv, Arguments &arguments) {
  if (argc < 2) return false;
  arguments.mode = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string option = argv[i];
    bool hasValue = i + 1 < argc;
    if (option == "--") {
      arguments.program.assign(argv + i + 1, argv + argc);
      break;
    }
    if (option == "--click-ok") {
      arguments.clickOk = true;
    } else if (option == "--topmost") {
      arguments.topmost = true;
    } else if (!hasValue) {
      return false;
    } else if (option == "--title") {
      arguments.titles.push_back(argv[++i]);
    } else if (option == "--out") {
      arguments.out = argv[++i];
    } else if (option == "--ready-event") {
      arguments.readyEvent = argv[++i];
    } else if (option == "--stop-event") {
      arguments.stopEvent = argv[++i];
    } else if (option == "--environment") {
      arguments.environment = argv[++i];
    } else if (option == "--pid") {
      arguments.processId = std::strtoul(argv[++i], nullptr, 10);
    } else if (option == "--interval") {
      arguments.intervalMs = std::strtoul(argv[++i], nullptr, 10);
    } else if (option == "--timeout") {
      arguments.timeoutMs = std::strtoul(argv[++i], nullptr, 10);
    } else {
      return false;
    }
  }
  return !arguments.titles.empty();
}

// The observer's environment block less its TEMP entries, then each line of
// the file, read as UTF-8: a wide block, so that any value reaches PROGRAM
// whole; each entry ends with a zero, the block with one more.
std::wstring EnvironmentBlockFrom(const std::string &file) {
  std::wstring block;
  wchar_t *own = GetEnvironmentStringsW();
  for (const wchar_t *entry = own; entry != nullptr && *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    std::wstring name(entry, std::wcscspn(entry + 1, L"=") + 1);
    if (CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, L"TEMP", -1) != CSTR_EQUAL)
      block.append(entry, std::wcslen(entry) + 1);
  }
  FreeEnvironmentStringsW(own);
  std::FILE *in = std::fopen(file.c_str(), "rb");
  if (in == nullptr) return L"";
  std::string line;
  auto take = [&] {
    if (!line.empty()) block.append(WideOf(line, CP_UTF8)).push_back(L'\0');
    line.clear();
  };
  for (int c; (c = std::fgetc(in)) != EOF;) {
    if (c == '\n')
      take();
    else if (c != '\r')
      line += static_cast<char>(c);
  }
  std::fclose(in);
  take();
  return block + L'\0';
}

HANDLE OpenNamedEvent(const std::string &name) {
  return name.empty() ? nullptr : OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, name.c_str());
}

int Watch(const Arguments &arguments) {
  std::FILE *timeline = arguments.out.empty() ? stdout : std::fopen(arguments.out.c_str(), "w");
  if (timeline == nullptr) return 1;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  Emit(timeline, "observer",
       "frequency=" + std::to_string(frequency.QuadPart) + " pid=" + std::to_string(GetCurrentProcessId()) +
           " codepage=" + std::to_string(GetACP()));
  WatchOptions options;
  options.titles.insert(arguments.titles.begin(), arguments.titles.end());
  options.processId = arguments.processId;
  options.clickOk = arguments.clickOk;
  options.intervalMs = arguments.intervalMs;
  options.timeoutMs = arguments.timeoutMs;
  options.readyEvent = OpenNamedEvent(arguments.readyEvent);
  options.stopEvent = OpenNamedEvent(arguments.stopEvent);
  PROCESS_INFORMATION program = {};
  if (!arguments.program.empty()) {
    std::wstring line = WideOf(CommandLineOf(arguments.program), CP_ACP);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::wstring environment =
        arguments.environment.empty() ? L"" : EnvironmentBlockFrom(arguments.environment);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                        environment.empty() ? nullptr : environment.data(), nullptr, &startup, &program))
      return 1;
    options.processId = program.dwProcessId;
    options.process = program.hProcess;
    Emit(timeline, "started", "pid=" + std::to_string(program.dwProcessId));
  } else if (arguments.processId != 0) {
    options.process = OpenProcess(SYNCHRONIZE, FALSE, arguments.processId);
  }
  bool ended = WatchWindows(options, timeline);
  DWORD code = 0;
  if (ended && program.hProcess != nullptr && GetExitCodeProcess(program.hProcess, &code))
    Emit(timeline, "exited", "pid=" + std::to_string(program.dwProcessId) + " code=" + std::to_string(code));
  Emit(timeline, ended ? "stopped" : "timeout", "");
  if (timeline != stdout) std::fclose(timeline);
  return 0;
}

int Snap(const Arguments &arguments) {
  HWND window = FindWindowA(nullptr, arguments.titles.front().c_str());
  RECT rect = {};
  if (window == nullptr || !GetWindowRect(window, &rect)) return 1;
  return WriteBitmapFile(arguments.out, CaptureScreen(rect)) ? 0 : 1;
}

int Show(const Arguments &arguments) {
  HWND window = CreateWindowExA(arguments.topmost ? WS_EX_TOPMOST : 0, "Static",
                                arguments.titles.front().c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 900, 700,
                                240, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return 1;
  HANDLE stop = OpenNamedEvent(arguments.stopEvent);
  if (HANDLE ready = OpenNamedEvent(arguments.readyEvent)) SetEvent(ready);
  DWORD started = GetTickCount();
  while (GetTickCount() - started < arguments.timeoutMs) {
    DWORD woken = MsgWaitForMultipleObjects(stop != nullptr ? 1 : 0, &stop, FALSE, 50, QS_ALLINPUT);
    if (stop != nullptr && woken == WAIT_OBJECT_0) break;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  DestroyWindow(window);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  Arguments arguments;
  if (!Parse(argc, argv, arguments)) {
    std::fprintf(stderr, "usage: quorvel-observer watch|snap|show --title TEXT ... (see its source)\n");
    return 2;
  }
  if (arguments.mode == "watch") return Watch(arguments);
  if (arguments.mode == "snap") return Snap(arguments);
  if (arguments.mode == "show") return Show(arguments);
  return 2;
}
