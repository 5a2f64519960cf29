#pragma once
// TScopeInstances: the states of a total per instance of its scope (each group or sub-detail
// run, or the whole report): the one being accumulated, those that ended in this run and those
// of the last preview run, so that a value printed before its records can be filled in
// afterwards. Token aggregates and expression totals keep their states in it.
#include <cstddef>
#include <vector>

namespace oxqr {

template <typename TState>
class TScopeInstances {
 public:
  // A run starts: no instance yet, unless `whole` (a total over the whole report, whose one
  // instance starts with the run).
  void StartRun(bool whole) {
    current_ = TState{};
    finals_.clear();
    finished_.clear();
    instance_ = 0;
    started_ = 0;
    open_ = false;
    if (whole) StartInstance();
  }

  // The scope starts a new instance: the state starts again.
  void StartInstance() {
    EndInstance();
    instance_ = started_++;
    current_ = TState{};
    open_ = true;
  }

  // The scope's instance ends: its state is kept.
  void EndInstance() {
    if (!open_) return;
    if (finals_.size() <= instance_) {
      finals_.resize(instance_ + 1);
      finished_.resize(instance_ + 1, false);
    }
    finals_[instance_] = current_;
    finished_[instance_] = true;
    open_ = false;
  }

  // The run ended: the last instance is kept (when it did not end) and, after a preview run,
  // the states become the preview's.
  void FinishRun(bool previewRun) {
    EndInstance();
    if (previewRun) preview_ = finals_;
  }

  // Index of the current instance (0-based).
  std::size_t Instance() const { return instance_; }
  TState& Current() { return current_; }
  const TState& Current() const { return current_; }
  // The state instance `i` ended with in this run, or nullptr when it has not ended.
  const TState* Final(std::size_t i) const { return i < finals_.size() && finished_[i] ? &finals_[i] : nullptr; }
  // The state instance `i` had in the last preview run, or nullptr.
  const TState* PreviewFinal(std::size_t i) const { return i < preview_.size() ? &preview_[i] : nullptr; }

 private:
  TState current_;
  std::size_t instance_ = 0;
  std::size_t started_ = 0;  // instances started in this run
  bool open_ = false;        // an instance is running
  std::vector<TState> finals_;
  std::vector<bool> finished_;
  std::vector<TState> preview_;
};

}  // namespace oxqr
