// Hands filled batches from one thread to another, in the order they were
// filled, and the emptied ones back: a fixed set of batches used again and
// again, so that neither side allocates per item and each waits only when the
// other is a whole set of batches behind or ahead. One filler, one taker.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace quarvel::lister {

template <class Batch>
class Handoff {
 public:
  explicit Handoff(std::size_t batches) {
    for (std::size_t i = 0; i < batches; ++i) {
      owned_.push_back(std::make_unique<Batch>());
      empty_.push_back(owned_.back().get());
    }
  }

  // The filler's side: an empty batch (as the taker left it), waiting while
  // every batch is filled and not yet taken back.
  Batch& Empty() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !empty_.empty(); });
    Batch* batch = empty_.front();
    empty_.pop_front();
    return *batch;
  }
  void Filled(Batch& batch) { Put(filled_, batch); }
  // No batch follows: the taker ends once it has taken those filled.
  void Close() {
    {
      const std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }

  // The taker's side: the next filled batch; nothing once the filler has
  // closed and every filled batch has been taken.
  Batch* Next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !filled_.empty() || closed_; });
    if (filled_.empty()) return nullptr;
    Batch* batch = filled_.front();
    filled_.pop_front();
    return batch;
  }
  void Taken(Batch& batch) { Put(empty_, batch); }

 private:
  void Put(std::deque<Batch*>& queue, Batch& batch) {
    {
      const std::lock_guard lock(mutex_);
      queue.push_back(&batch);
    }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Batch>> owned_;
  std::deque<Batch*> empty_, filled_;
  bool closed_ = false;
};

}  // namespace quarvel::lister
