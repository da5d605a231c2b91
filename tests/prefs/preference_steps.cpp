#include "preference_steps.h"

#include "prefs/preference_file.h"

void RunSteps(const std::vector<Step> &steps) {
  for (const Step &step : steps) {
    if (step.kind == Step::Choose)
      ChoosePreferenceGroup(step.group.c_str());
    else
      SetPreferenceText(step.key.c_str(), step.value.c_str());
  }
}

void EditFile(const std::string &windowsPath, const std::vector<Step> &steps) {
  LoadPreferenceFile(windowsPath.c_str());
  RunSteps(steps);
  ReleasePreferenceFile();
}
