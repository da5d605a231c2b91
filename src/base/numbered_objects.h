#pragma once

#include <climits>
#include <cstdint>
#include <map>
#include <new>
#include <utility>

#include "base/any_number.h"

// One kind of numbered object (folder searches, windows, controls, loaded
// libraries), held the same way by every service:
// - an object lives under the caller's number, or, for AnyNumber, under a
//   fresh handle the table picks: non-zero, from a range of the kind's own,
//   never one in use; that handle names the object in later calls;
// - a number that holds a live object has it ended (EndObject) before another
//   object takes the number;
// - an object that cannot be recorded is ended at once.
template <typename Record, void (*EndObject)(Record &)>
class NumberedObjects {
 public:
  // Fresh handles come from [firstHandle, lastHandle].
  explicit NumberedObjects(intptr_t firstHandle = 0x10000, intptr_t lastHandle = INT_MAX)
      : first_(firstHandle), last_(lastHandle), next_(firstHandle - 1) {}

  // Numbers are 0 and above, or AnyNumber.
  static bool Accepts(int number) { return number >= AnyNumber; }

  // The caller's number, or a fresh handle for AnyNumber.
  intptr_t KeyFor(int number) {
    if (number != AnyNumber) return number;
    do {
      next_ = next_ >= last_ ? first_ : next_ + 1;
    } while (records_.count(next_) != 0);
    return next_;
  }

  Record *Find(intptr_t key) {
    auto found = records_.find(key);
    return found != records_.end() ? &found->second : nullptr;
  }

  // Ends what `key` holds and records `record` there; nullptr, with `record`
  // ended, when there is no memory to record it.
  Record *Put(intptr_t key, Record record) {
    End(key);
    try {
      return &records_.emplace(key, std::move(record)).first->second;
    } catch (const std::bad_alloc &) {
      EndObject(record);
      return nullptr;
    }
  }

  // Ends the object under `key`; false when it holds none.
  bool End(intptr_t key) {
    auto found = records_.find(key);
    if (found == records_.end()) return false;
    Record ended = std::move(found->second);
    records_.erase(found);
    EndObject(ended);
    return true;
  }

  // Ends every object, in the order of their keys.
  void EndAll() {
    while (!records_.empty()) End(records_.begin()->first);
  }

  // Forgets, without ending them, the objects for which `gone` holds: those
  // the platform has ended already.
  template <typename Test>
  void ForgetWhere(Test gone) {
    for (auto entry = records_.begin(); entry != records_.end();)
      entry = gone(entry->second) ? records_.erase(entry) : std::next(entry);
  }

 private:
  std::map<intptr_t, Record> records_;
  intptr_t first_;
  intptr_t last_;
  intptr_t next_;
};

// What a call that makes a numbered object returns on success, the same for
// every service: for AnyNumber the handle that names the new object, for a
// caller's number the service's own non-zero value for it.
inline intptr_t MadeObjectResult(int number, intptr_t key, intptr_t ownValue) {
  return number == AnyNumber ? key : ownValue;
}
