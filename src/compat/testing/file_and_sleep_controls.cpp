// The test controls of the stand-in's file holds, ReplaceFileA's stops and
// recorded sleeps.
#include <utility>

#include "drive_paths.h"
#include "file_holds.h"
#include "sleep_record.h"
#include "stand_in_state.h"

static_assert(file_holds::Open == stand_in_state::kHeldOpen &&
                  file_holds::Copy == stand_in_state::kHeldCopy &&
                  file_holds::Rename == stand_in_state::kHeldRename &&
                  file_holds::Delete == stand_in_state::kHeldDelete,
              "the controls and the stand-in name the calls alike");

void file_holds::Hold(const std::string &windowsPath, unsigned operations, DWORD error, int count) {
  stand_in_state::FileHold &hold = stand_in_state::fileHolds[LinkFreeHostPath(HostPath(windowsPath.c_str()))];
  hold = {operations, error, count, 0};
}

int file_holds::Refusals(const std::string &windowsPath) {
  auto hold = stand_in_state::fileHolds.find(LinkFreeHostPath(HostPath(windowsPath.c_str())));
  return hold == stand_in_state::fileHolds.end() ? 0 : hold->second.refusals;
}

void file_holds::ReleaseAll() {
  stand_in_state::fileHolds.clear();
  stand_in_state::nextReplaceStop = 0;
}

void file_holds::StopNextReplace(DWORD error) { stand_in_state::nextReplaceStop = error; }

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
