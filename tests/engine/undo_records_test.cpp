// The store of undo records against a plain list of byte strings: records
// small and larger than a chunk, written in pieces, kept or abandoned,
// dropped at both ends in any order, read back whole, and their chunks given
// back.

#include "engine/undo_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <random>
#include <vector>

namespace tally {
namespace {

using Record = std::vector<std::byte>;

Record Make(std::mt19937& random, std::size_t size) {
  Record record(size);
  for (std::byte& b : record) b = static_cast<std::byte>(random());
  return record;
}

// Writes `record` as the open one, in pieces of up to `piece` bytes, as a
// step is written.
void Write(UndoRecords& store, const Record& record, std::size_t piece) {
  store.Open();
  for (std::size_t at = 0; at < record.size(); at += piece) {
    const std::size_t size = std::min(piece, record.size() - at);
    std::byte* room = store.Room(size);
    std::memcpy(room, record.data() + at, size);
    store.Commit(room + size);
  }
}

void Add(UndoRecords& store, const Record& record, std::size_t piece = 64) {
  Write(store, record, piece);
  store.Close();
}

bool Same(const UndoRecords::Span& span, const Record& record) {
  return span.size == record.size() &&
         (record.empty() || std::memcmp(span.begin, record.data(), record.size()) == 0);
}

TEST(UndoRecords, RandomWritesAndDropsKeepEveryRecordWhole) {
  for (const std::uint32_t seed : {1U, 2U, 3U}) {
    std::mt19937 random(seed);
    UndoRecords store;
    std::deque<Record> model;
    for (int op = 0; op < 20000; ++op) {
      const unsigned pick = random() % 100;
      if (pick < 55 || model.empty()) {
        // Mostly a typed key's size; now and then one past a whole chunk.
        const std::size_t size = random() % 40 == 0
                                     ? UndoRecords::kChunkBytes / 2 + random() % UndoRecords::kChunkBytes
                                     : 72 + random() % 120;
        model.push_back(Make(random, size));
        Add(store, model.back(), 1 + random() % 200);
      } else if (pick < 62) {
        // A step that changed nothing leaves the store as it was.
        Write(store, Make(random, 72 + random() % (random() % 10 == 0 ? 200000 : 200)), 100);
        store.Abandon();
      } else if (pick < 80) {
        store.DropOldest();
        model.pop_front();
      } else if (pick < 99) {
        store.DropNewest();
        model.pop_back();
      } else {
        store.Clear();
        model.clear();
      }
      ASSERT_EQ(store.Count(), model.size()) << "seed " << seed << " op " << op;
      if (!model.empty()) {
        ASSERT_TRUE(Same(store.Newest(), model.back())) << "op " << op;
      }
    }
    // Taken back newest first, every record is as it was added.
    while (!model.empty()) {
      ASSERT_TRUE(Same(store.Newest(), model.back()));
      store.DropNewest();
      model.pop_back();
    }
    // What is left is at most a spare chunk and the records' places.
    EXPECT_LE(store.Bytes(), UndoRecords::kChunkBytes + (std::size_t{64} << 10));
  }
}

TEST(UndoRecords, DroppingTheOldestGivesTheirChunksBack) {
  UndoRecords store;
  const Record key(100, std::byte{7});
  for (int k = 0; k < 10000; ++k) Add(store, key);
  const std::size_t full = store.Bytes();
  EXPECT_GE(full, 10000 * key.size());
  for (int k = 0; k < 9990; ++k) store.DropOldest();
  // About 16 chunks held them; one is left, and one spare.
  EXPECT_LE(store.Bytes(), full - 12 * UndoRecords::kChunkBytes);
  EXPECT_TRUE(Same(store.Newest(), key));
  // A record larger than a chunk has its own, which goes with it.
  const Record big(3 * UndoRecords::kChunkBytes, std::byte{9});
  const std::size_t before = store.Bytes();
  Add(store, big, 4096);
  EXPECT_GE(store.Bytes(), before + big.size());
  EXPECT_TRUE(Same(store.Newest(), big));
  store.DropNewest();
  EXPECT_LE(store.Bytes(), before);
  EXPECT_TRUE(Same(store.Newest(), key));
}

}  // namespace
}  // namespace tally
