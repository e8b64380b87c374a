#pragma once
// The record stream read in pieces: a window of a few hundred kilobytes that
// slides forward over the stream, so memory follows the record being read,
// never the size of the file. The bytes come from a source (a compound
// file's stream, a plain file's descriptor, bytes in memory) that reads
// forward and can move forward.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zolt::biff {

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Reads up to n bytes at the current position into out; returns the count,
  // 0 only at the end. Throws ESpreadSheetError when the source fails.
  virtual std::size_t Read(std::uint8_t* out, std::size_t n) = 0;
  // Moves the position to `offset`, which lies after the current one.
  virtual void SeekTo(std::size_t offset) = 0;
};

// Bytes in memory, not owned.
class TMemorySource final : public TByteSource {
 public:
  TMemorySource(const std::uint8_t* data, std::size_t size) noexcept : data_(data), size_(size) {}
  std::size_t Read(std::uint8_t* out, std::size_t n) override;
  void SeekTo(std::size_t offset) override { pos_ = offset < size_ ? offset : size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A descriptor of a regular file, read from its current position; not owned.
class TFileSource final : public TByteSource {
 public:
  TFileSource(int fd, std::size_t position) noexcept : fd_(fd), pos_(position) {}
  std::size_t Read(std::uint8_t* out, std::size_t n) override;
  void SeekTo(std::size_t offset) override;

 private:
  int fd_;
  std::size_t pos_;
};

class TStreamWindow {
 public:
  // The largest span one call may ask for: a record header with the longest body.
  static constexpr std::size_t kLargestSpan = 4 + 0xFFFF;

  // `size` is the stream's length as its container gives it; the source
  // must hold that many bytes.
  TStreamWindow(TByteSource& source, std::size_t size);

  std::size_t Size() const noexcept { return size_; }

  // Bytes [offset, offset + n) of the stream, n at most kLargestSpan, or
  // nullptr when the stream ends before them. Offsets only move forward:
  // bytes before the offset of the last call may be gone, and the pointer is
  // valid until the next call. Throws when the source holds fewer bytes than
  // the stream's size promised.
  const std::uint8_t* Have(std::size_t offset, std::size_t n);

  // How many bytes each read of the source asks for at least; small steps
  // make every record cross the window's edge (used by tests and fuzzing).
  static void SetReadStepForTesting(std::size_t step) noexcept;

 private:
  TByteSource& source_;
  std::size_t size_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t capacity_;
  std::size_t start_ = 0;  // stream offset of buffer_[0]
  std::size_t end_ = 0;    // stream offset just past the bytes held
  std::size_t sourcePos_ = 0;
};

}  // namespace zolt::biff
