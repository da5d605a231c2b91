// The window model's test controls, over the stand-in's window table.
#include "window_model.h"

#include <utility>

#include "window_table.h"

namespace {

// The test's answer, called through the plain function the stand-in keeps.
auto &testAnswer = *new std::function<int(const window_model::MessageBoxCall &)>;

// Runs a copy, so that an answer may replace the answers while it runs.
int AnswerFromTest(HWND owner, const char *text, const char *caption, UINT type) {
  std::function<int(const window_model::MessageBoxCall &)> answer;
  {
    TableLock hold(Windows().lock);
    answer = testAnswer;
  }
  return answer ? answer({owner, text, caption, type}) : IDOK;
}

}  // namespace

void window_model::Reset() {
  WindowTable &table = Windows();
  std::vector<HWND> open;
  {
    TableLock hold(table.lock);
    open = table.topLevel;
  }
  for (HWND window : open) DestroyWindow(window);
  TableLock hold(table.lock);
  for (auto entry = table.classes.begin(); entry != table.classes.end();)
    entry = entry->second.builtIn ? std::next(entry) : table.classes.erase(entry);
  table.acceleratorTables.clear();
  table.foreground = nullptr;
  table.refuseCreation = false;
  table.answerMessageBox = nullptr;
  testAnswer = nullptr;
}

void window_model::RefuseWindowCreation(bool refuse) {
  TableLock hold(Windows().lock);
  Windows().refuseCreation = refuse;
}

void window_model::AnswerMessageBoxes(std::function<int(const MessageBoxCall &)> answer) {
  TableLock hold(Windows().lock);
  testAnswer = std::move(answer);
  Windows().answerMessageBox = testAnswer ? AnswerFromTest : nullptr;
}

std::vector<window_model::SentMessage> window_model::MessagesSentTo(HWND window) {
  TableLock hold(Windows().lock);
  std::vector<SentMessage> sent;
  if (ModelWindow *record = WindowOf(window))
    for (const ModelMessage &message : record->messages)
      sent.push_back({message.message, message.wParam, message.lParam});
  return sent;
}

int window_model::DrawnBarPosition(HWND bar) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(bar);
  return record != nullptr ? record->drawnPosition : 0;
}

std::vector<HWND> window_model::WindowsAwaitingPaint() {
  TableLock hold(Windows().lock);
  std::vector<HWND> waiting;
  for (auto &entry : Windows().windows)
    if (entry.second.awaitsPainting && ShownOnScreen(entry.first)) waiting.push_back(entry.first);
  return waiting;
}

std::vector<std::vector<ACCEL>> window_model::LiveAcceleratorTables() {
  TableLock hold(Windows().lock);
  std::vector<std::vector<ACCEL>> tables;
  for (auto &entry : Windows().acceleratorTables) tables.push_back(entry.second);
  return tables;
}

void window_model::MoveToProcess(HWND window, DWORD processId, DWORD threadId) {
  TableLock hold(Windows().lock);
  if (ModelWindow *record = WindowOf(window)) {
    record->process = processId;
    record->thread = threadId;
  }
}
