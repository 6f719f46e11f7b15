#include "lister/Handoff.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

namespace quarvel::lister {
namespace {

struct Numbers {
  std::vector<int> values;
};

// Many more batches than the handoff holds pass from one thread to the other:
// every value arrives once, in the order it was filled, in one of the same few
// batches used again; the last, partly filled batch too, and then the end.
TEST(Handoff, EveryBatchArrivesInOrderInTheSameFewBatches) {
  constexpr int kBatches = 1000;
  constexpr int kPerBatch = 7;
  Handoff<Numbers> handoff(3);
  std::vector<int> arrived;
  std::set<const Numbers*> batches_seen;
  std::thread taker([&] {
    while (Numbers* batch = handoff.Next()) {
      batches_seen.insert(batch);
      arrived.insert(arrived.end(), batch->values.begin(), batch->values.end());
      handoff.Taken(*batch);
    }
  });
  int next = 0;
  for (int b = 0; b < kBatches; ++b) {
    Numbers& batch = handoff.Empty();
    batch.values.clear();
    for (int i = 0; i < (b + 1 == kBatches ? 2 : kPerBatch); ++i) batch.values.push_back(next++);
    handoff.Filled(batch);
  }
  handoff.Close();
  taker.join();
  ASSERT_EQ(static_cast<int>(arrived.size()), next);
  for (int i = 0; i < next; ++i) ASSERT_EQ(arrived[i], i);
  EXPECT_LE(batches_seen.size(), 3u);
  EXPECT_EQ(handoff.Next(), nullptr);  // closed and empty: the end, at once
}

}  // namespace
}  // namespace quarvel::lister
