#include "prefs/preference_file.h"

#include "portable/ascii_names.h"
#include "prefs/preference_record.h"

namespace {

PreferenceFile current;

bool IsCurrent() { return current.file != INVALID_HANDLE_VALUE || current.path.bytes != nullptr; }

bool InUtf8() { return current.encoding == PreferenceEncoding::Utf8; }

void ForgetChoice() {
  FreeHeapText(current.pendingGroup);
  current.groupUnknown = false;
}

PreferenceEntry *FindGroup(const HeapText &name) {
  for (PreferenceEntry *entry = current.entries.first; entry != nullptr; entry = entry->next)
    if (entry->kind == EntryKind::Group &&
        SameIgnoringAsciiCase({entry->text, entry->textLength}, {name.bytes, name.length}))
      return entry;
  return nullptr;
}

// The pending group becomes the list's last entry and the current group.
void AddPendingGroup() {
  PreferenceEntry *group = TakeEntry(current.entries);
  group->kind = EntryKind::Group;
  group->text = current.pendingGroup.bytes;
  group->textLength = current.pendingGroup.length;
  group->ownsText = true;
  InsertEntryAfter(current.entries, current.entries.last, group);
  current.pendingGroup = HeapText{};
  current.currentGroup = group;
}

// Walks the current group's run: returns the first key of that name, or
// nullptr with `runEnd` at the run's last entry (the group itself, or
// nullptr for an empty run before the first group).
PreferenceEntry *FindKeyInGroup(const HeapText &name, PreferenceEntry *&runEnd) {
  runEnd = current.currentGroup;
  PreferenceEntry *entry = runEnd != nullptr ? runEnd->next : current.entries.first;
  for (; entry != nullptr && entry->kind != EntryKind::Group; entry = entry->next) {
    if (entry->kind == EntryKind::Key &&
        SameIgnoringAsciiCase({entry->name, entry->nameLength}, {name.bytes, name.length}))
      return entry;
    runEnd = entry;
  }
  return nullptr;
}

}  // namespace

int LoadPreferenceFile(const char *path) {
  ReleasePreferenceFile();
  if (path == nullptr) return 0;
  switch (OpenPreferenceFile(current, path)) {
    case OpenOutcome::Opened:
      // The write-back renames a new file over this path; without it, nothing is written.
      if (!CopyCallerText(path, false, current.path)) current.readOnly = true;
      return 1;
    case OpenOutcome::CannotOpen:
      // Without its copy of the path the service has nothing current, which is as safe.
      CopyCallerText(path, false, current.path);
      current.readOnly = true;
      return 0;
    case OpenOutcome::CannotRead:
      break;
  }
  ReleasePreferenceFile();
  return 0;
}

int ChoosePreferenceGroup(const char *name) {
  if (!IsCurrent()) return 0;
  ForgetChoice();
  if (name != nullptr && *name == '\0') {
    current.currentGroup = nullptr;
    return 1;
  }
  HeapText wanted;
  if (name == nullptr || !CopyCallerText(name, InUtf8(), wanted)) {
    // Keys written now would land in the group chosen before.
    current.groupUnknown = true;
    return 0;
  }
  if (PreferenceEntry *group = FindGroup(wanted)) {
    FreeHeapText(wanted);
    current.currentGroup = group;
    return 1;
  }
  current.pendingGroup = wanted;
  return 0;
}

void SetPreferenceText(const char *key, const char *value) {
  if (!IsCurrent() || current.groupUnknown || key == nullptr || value == nullptr) return;
  // Everything an edit needs is had first, so that a lack of memory changes nothing.
  HeapText name, text;
  if (!CopyCallerText(key, InUtf8(), name) || !CopyCallerText(value, InUtf8(), text) ||
      !ReserveEntries(current.entries, 2)) {
    FreeHeapText(name);
    FreeHeapText(text);
    return;
  }
  if (current.pendingGroup.bytes != nullptr) AddPendingGroup();
  PreferenceEntry *runEnd = nullptr;
  PreferenceEntry *entry = FindKeyInGroup(name, runEnd);
  if (entry != nullptr) {
    FreeEntryTexts(*entry);
  } else {
    entry = TakeEntry(current.entries);
    entry->kind = EntryKind::Key;
    InsertEntryAfter(current.entries, runEnd, entry);
  }
  entry->name = name.bytes;
  entry->nameLength = name.length;
  entry->text = text.bytes;
  entry->textLength = text.length;
  entry->ownsName = entry->ownsText = true;
  entry->fileHoldsWrittenForm = false;
  current.modified = true;
}

void ReleasePreferenceFile() {
  WritePreferenceFileBack(current);
  if (current.file != INVALID_HANDLE_VALUE) CloseHandle(current.file);
  FreeEntries(current.entries);
  FreeHeapText(current.text);
  FreeHeapText(current.path);
  FreeHeapText(current.pendingGroup);
  current = PreferenceFile{};
}

PreferenceState CurrentPreferenceState() {
  if (current.file != INVALID_HANDLE_VALUE)
    return current.readOnly ? PreferenceState::OpenReadOnly : PreferenceState::Open;
  return current.path.bytes != nullptr ? PreferenceState::Absent : PreferenceState::Empty;
}
