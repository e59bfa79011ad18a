#pragma once
// Where the bytes of an undo step are written as the step goes, and how they
// are read back. The calculator and the tape append to them inline, so
// recording what a key overwrites costs a few stores. The bytes never leave
// the process: values are copied as they lie in memory.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

namespace tally {

class UndoBytes {
 public:
  // Room for `bytes` more at the end, for the caller to fill and then end
  // with Commit. A short text's copy may run past its own bytes, so there
  // are always kShortText bytes to spare after the room.
  std::byte* Room(std::size_t bytes) {
    if (bytes + kShortText > static_cast<std::size_t>(limit_ - end_)) [[unlikely]] {
      Enlarge(bytes + kShortText);
    }
    return end_;
  }
  // The bytes now end at `end`.
  void Commit(std::byte* end) { end_ = end; }

  template <typename T>
  static std::byte* Poke(std::byte* at, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(at, &value, sizeof value);
    return at + sizeof value;
  }
  // A text is written as its length and its bytes. A short one is copied as
  // the sixteen bytes its string's storage always has, which is cheaper than
  // a copy of its own length; what follows overwrites the spare ones.
  static constexpr std::size_t kShortText = 16;
  static std::size_t TextBytes(const std::string& text) {
    return sizeof(std::uint32_t) + text.size();
  }
  static std::byte* Poke(std::byte* at, const std::string& text) {
    const auto size = static_cast<std::uint32_t>(text.size());
    at = Poke(at, size);
    if (size < kShortText && text.capacity() + 1 >= kShortText) {
      std::memcpy(at, text.data(), kShortText);
    } else {
      std::memcpy(at, text.data(), size);
    }
    return at + size;
  }

  // An entry of one byte, then a text.
  void PutText(std::uint8_t entry, const std::string& text) {
    std::byte* at = Room(sizeof entry + TextBytes(text));
    Commit(Poke(Poke(at, entry), text));
  }

 protected:
  ~UndoBytes() = default;
  // Makes room for `bytes` more after end_, keeping what was written of the
  // record under way.
  virtual void Enlarge(std::size_t bytes) = 0;

  std::byte* end_ = nullptr;
  std::byte* limit_ = nullptr;
};

// Reads what was written through UndoBytes, in the order it was written.
class UndoReader {
 public:
  explicit UndoReader(const std::byte* at) : at_(at) {}
  template <typename T>
  T Get() {
    static_assert(std::is_trivially_copyable_v<T>);
    T value;
    std::memcpy(&value, at_, sizeof value);
    at_ += sizeof value;
    return value;
  }
  // The entry that starts here, left to be read.
  std::uint8_t PeekEntry() const { return static_cast<std::uint8_t>(*at_); }
  void Get(std::string& text) {
    const auto size = Get<std::uint32_t>();
    text.assign(reinterpret_cast<const char*>(at_), size);
    at_ += size;
  }
  // A text written compared with `now`.
  bool Same(const std::string& now) {
    const auto size = Get<std::uint32_t>();
    const bool same = size == now.size() && std::memcmp(at_, now.data(), size) == 0;
    at_ += size;
    return same;
  }
  void SkipText() { at_ += Get<std::uint32_t>(); }
  const std::byte* At() const { return at_; }

 private:
  const std::byte* at_;
};

}  // namespace tally
