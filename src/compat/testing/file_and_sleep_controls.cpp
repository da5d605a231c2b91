// The test controls of the stand-in's recorded sleeps.
#include <utility>

#include "sleep_record.h"
#include "stand_in_state.h"

void sleep_record::Start(std::function<void(DWORD)> atEachSleep) {
  stand_in_state::recordedSleeps.clear();
  stand_in_state::atEachRecordedSleep = std::move(atEachSleep);
  stand_in_state::recordingSleeps = true;
}

std::vector<DWORD> sleep_record::Stop() {
  stand_in_state::recordingSleeps = false;
  stand_in_state::atEachRecordedSleep = nullptr;
  return std::move(stand_in_state::recordedSleeps);
}
