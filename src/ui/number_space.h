#pragma once

#include <climits>
#include <map>
#include <utility>
#include <vector>

// Objects held under numbers the caller chooses (0 and above). Objects made
// for AnyNumber get fresh numbers from a range of their own, above the small
// numbers callers pick, and never one that is in use.
template <typename Record>
class NumberSpace {
 public:
  Record *Find(int number) {
    auto found = records_.find(number);
    return found != records_.end() ? &found->second : nullptr;
  }

  int FreshNumber() {
    do {
      next_ = next_ == INT_MAX ? kFirstFresh : next_ + 1;
    } while (records_.count(next_) != 0);
    return next_;
  }

  void Put(int number, Record record) { records_[number] = std::move(record); }

  void Free(int number) { records_.erase(number); }

  // Frees every record for which `matches` holds.
  template <typename Test>
  void FreeWhere(Test matches) {
    for (auto entry = records_.begin(); entry != records_.end();)
      entry = matches(entry->second) ? records_.erase(entry) : std::next(entry);
  }

  std::vector<int> Numbers() const {
    std::vector<int> numbers;
    for (auto &entry : records_) numbers.push_back(entry.first);
    return numbers;
  }

  void Clear() { records_.clear(); }

 private:
  static constexpr int kFirstFresh = 0x10000;
  std::map<int, Record> records_;
  int next_ = kFirstFresh - 1;
};
