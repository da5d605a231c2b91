#include "sleep_record.h"

#include <utility>

#include "sleep_and_timer_periods.h"

void sleep_record::Start(std::function<void(DWORD)> atEachSleep) {
  recorded.clear();
  atEach = std::move(atEachSleep);
  recording = true;
}

std::vector<DWORD> sleep_record::Stop() {
  recording = false;
  atEach = nullptr;
  return std::move(recorded);
}
