#include "engine/undo_records.h"

#include <algorithm>
#include <utility>

namespace tally {

void UndoRecords::GrowSpans() {
  const std::size_t capacity = std::max<std::size_t>(64, 2 * spanCapacity_);
  auto spans = std::make_unique<Span[]>(capacity);
  for (std::size_t k = 0; k < count_; ++k) spans[k] = SpanAt(k);
  spans_ = std::move(spans);
  spanCapacity_ = capacity;
  firstSpan_ = 0;
}

void UndoRecords::WriteInto(const Chunk* chunk) {
  end_ = chunk ? chunk->data.get() : nullptr;
  limit_ = chunk ? chunk->data.get() + chunk->capacity : nullptr;
  open_ = end_;
}

void UndoRecords::Let(Chunk&& chunk) {
  if (chunk.capacity == kChunkBytes && !spare_.data) {
    chunk.records = 0;
    spare_ = std::move(chunk);
    return;
  }
  bytes_ -= chunk.capacity;
  chunk = {};
}

UndoRecords::Chunk UndoRecords::TakeChunk(std::size_t size) {
  Chunk chunk;
  if (size <= kChunkBytes && spare_.data) {
    std::swap(chunk, spare_);
    return chunk;
  }
  chunk.capacity = std::max(size, kChunkBytes);
  chunk.data = std::make_unique_for_overwrite<std::byte[]>(chunk.capacity);
  bytes_ += chunk.capacity;
  return chunk;
}

void UndoRecords::AddChunk(Chunk&& chunk) {
  if (!chunks_.empty() && chunks_.back().records == 0) {
    Let(std::move(chunks_.back()));
    chunks_.pop_back();
  }
  chunks_.push_back(std::move(chunk));
  WriteInto(&chunks_.back());
}

void UndoRecords::Enlarge(std::size_t bytes) {
  const std::size_t written = OpenSize();
  if (!aside_.data && written + bytes <= kChunkBytes) {
    // The open record moves to a chunk of its own, copied before the last
    // chunk may go.
    Chunk chunk = TakeChunk(kChunkBytes);
    if (written > 0) std::memcpy(chunk.data.get(), open_, written);
    AddChunk(std::move(chunk));
    end_ = open_ + written;
    return;
  }
  // Larger than a chunk: written aside, its buffer doubled as it grows.
  const std::size_t capacity = std::max(2 * (written + bytes), 2 * aside_.capacity);
  auto data = std::make_unique_for_overwrite<std::byte[]>(capacity);
  if (written > 0) std::memcpy(data.get(), open_, written);
  if (aside_.data) {
    bytes_ -= aside_.capacity;
  } else {
    aside_.end = open_;
    aside_.limit = limit_;
  }
  aside_.data = std::move(data);
  aside_.capacity = capacity;
  bytes_ += capacity;
  open_ = aside_.data.get();
  end_ = open_ + written;
  limit_ = open_ + capacity;
}

void UndoRecords::CloseAside() {
  const std::size_t size = OpenSize();
  end_ = aside_.end;
  limit_ = aside_.limit;
  if (size > static_cast<std::size_t>(limit_ - end_)) AddChunk(TakeChunk(size));
  std::memcpy(end_, aside_.data.get(), size);
  AddSpan({end_, size});
  ++chunks_.back().records;
  end_ += size;
  open_ = end_;
  bytes_ -= aside_.capacity;
  aside_ = {};
}

void UndoRecords::Abandon() {
  if (aside_.data) {
    end_ = aside_.end;
    limit_ = aside_.limit;
    bytes_ -= aside_.capacity;
    aside_ = {};
  } else {
    end_ = open_;
  }
  open_ = end_;
}

void UndoRecords::LetFront() {
  if (chunks_.size() == 1 && chunks_.front().capacity == kChunkBytes) {
    // The only chunk is written from its start again.
    WriteInto(&chunks_.front());
    return;
  }
  Let(std::move(chunks_.front()));
  chunks_.pop_front();
  if (chunks_.empty()) WriteInto(nullptr);
}

void UndoRecords::DropNewest() {
  const Span newest = Newest();
  --count_;
  // A last chunk with no record came after the one holding it.
  while (chunks_.back().records == 0) {
    Let(std::move(chunks_.back()));
    chunks_.pop_back();
  }
  if (--chunks_.back().records > 0) {
    WriteInto(&chunks_.back());
    end_ = open_ = const_cast<std::byte*>(newest.begin);
    return;
  }
  // It held nothing else: it goes, and records are written after the newest
  // one left.
  Let(std::move(chunks_.back()));
  chunks_.pop_back();
  if (chunks_.empty()) {
    WriteInto(nullptr);
    return;
  }
  WriteInto(&chunks_.back());
  const Span last = Newest();
  end_ = open_ = const_cast<std::byte*>(last.begin) + last.size;
}

void UndoRecords::Clear() {
  Abandon();
  while (!chunks_.empty()) {
    Let(std::move(chunks_.back()));
    chunks_.pop_back();
  }
  spans_.reset();
  spanCapacity_ = firstSpan_ = count_ = 0;
  WriteInto(nullptr);
}

}  // namespace tally
