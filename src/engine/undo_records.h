#pragma once
// The records of undo steps, oldest first, one after the other in chunks of
// bytes. A record is written straight into its place as the step goes (the
// open record, always the last), so a typed key's hundred bytes cost no copy
// and the memory a step writes is written in order. A record that outgrows a
// chunk is written aside and then gets a chunk of its own size.

#include <cstddef>
#include <deque>
#include <memory>

#include "tape/undo_bytes.h"

namespace tally {

class UndoRecords final : public UndoBytes {
 public:
  struct Span {
    const std::byte* begin = nullptr;
    std::size_t size = 0;
  };

  UndoRecords() = default;
  ~UndoRecords() = default;
  UndoRecords(const UndoRecords&) = delete;
  UndoRecords& operator=(const UndoRecords&) = delete;

  std::size_t Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // Only while Count() > 0; valid until the record is dropped.
  Span Newest() const { return SpanAt(count_ - 1); }

  // The open record: written through UndoBytes, then kept or dropped.
  void Open() { open_ = end_; }
  const std::byte* OpenBegin() const { return open_; }
  std::size_t OpenSize() const { return static_cast<std::size_t>(end_ - open_); }
  // The open record becomes the newest one.
  void Close() {
    if (aside_.data) [[unlikely]] {
      CloseAside();
      return;
    }
    AddSpan({open_, OpenSize()});
    ++chunks_.back().records;
    open_ = end_;
  }
  void Abandon();

  // With no record open.
  void DropNewest();
  void DropOldest() {
    if (++firstSpan_ == spanCapacity_) firstSpan_ = 0;
    --count_;
    if (--chunks_.front().records == 0) [[unlikely]] {
      LetFront();
    }
  }
  // Drops every record, the open one included.
  void Clear();

  // The chunks, the record being written aside and the records' places, a
  // spare chunk included.
  std::size_t Bytes() const { return bytes_ + spanCapacity_ * sizeof(Span); }

  static constexpr std::size_t kChunkBytes = std::size_t{64} << 10;

 private:
  // Every chunk holds a record but the last, where records are written.
  struct Chunk {
    std::unique_ptr<std::byte[]> data;
    std::size_t capacity = 0;
    std::size_t records = 0;
  };
  struct Aside {
    std::unique_ptr<std::byte[]> data;
    std::size_t capacity = 0;
    // Where the open record would have been in the last chunk.
    std::byte* end = nullptr;
    std::byte* limit = nullptr;
  };

  void Enlarge(std::size_t bytes) override;
  // The records' places, oldest first, in a ring.
  Span& SpanAt(std::size_t k) const {
    std::size_t index = firstSpan_ + k;
    if (index >= spanCapacity_) index -= spanCapacity_;
    return spans_[index];
  }
  void AddSpan(Span span) {
    if (count_ == spanCapacity_) [[unlikely]] {
      GrowSpans();
    }
    SpanAt(count_++) = span;
  }
  void GrowSpans();
  // A chunk of at least `size` bytes: the spare, or a new one.
  Chunk TakeChunk(std::size_t size);
  // `chunk` becomes the last one, written from its start; the last one goes
  // if it holds no record.
  void AddChunk(Chunk&& chunk);
  void CloseAside();
  // A chunk with no record left: kept as the spare, or freed.
  void Let(Chunk&& chunk);
  // The first chunk holds no record any more.
  void LetFront();
  // Records are written from the start of `chunk`, or nowhere yet.
  void WriteInto(const Chunk* chunk);

  std::deque<Chunk> chunks_;
  std::unique_ptr<Span[]> spans_;
  std::size_t spanCapacity_ = 0;
  std::size_t firstSpan_ = 0;
  std::size_t count_ = 0;
  // Where the open record starts; it ends at end_.
  std::byte* open_ = nullptr;
  Aside aside_;
  Chunk spare_;
  std::size_t bytes_ = 0;
};

}  // namespace tally
