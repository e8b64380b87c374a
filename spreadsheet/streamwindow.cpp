#include "spreadsheet/streamwindow.h"

#include "spreadsheet/spreadsheet.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include <unistd.h>

namespace zolt::biff {

namespace {

// Large enough that a whole workbook's worth of reads costs little, small
// enough to stay in the cache while its records are decoded.
constexpr std::size_t kDefaultStep = 256u << 10;
std::atomic<std::size_t> readStep{kDefaultStep};

}  // namespace

std::size_t TMemorySource::Read(std::uint8_t* out, std::size_t n) {
  const std::size_t take = std::min(n, size_ - pos_);
  if (take > 0) std::memcpy(out, data_ + pos_, take);
  pos_ += take;
  return take;
}

std::size_t TFileSource::Read(std::uint8_t* out, std::size_t n) {
  for (;;) {
    const ssize_t got = ::pread(fd_, out, n, static_cast<off_t>(pos_));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw ESpreadSheetError(std::string("Cannot read the file: ") + std::strerror(errno));
    pos_ += static_cast<std::size_t>(got);
    return static_cast<std::size_t>(got);
  }
}

void TFileSource::SeekTo(std::size_t offset) { pos_ = offset; }

void TStreamWindow::SetReadStepForTesting(std::size_t step) noexcept {
  readStep = step == 0 ? kDefaultStep : step;
}

TStreamWindow::TStreamWindow(TByteSource& source, std::size_t size)
    : source_(source),
      size_(size),
      // A stream smaller than one step needs no more than its own size.
      capacity_(std::min(std::max(kDefaultStep, 2 * kLargestSpan), std::max(size, kLargestSpan))) {
  buffer_ = std::make_unique_for_overwrite<std::uint8_t[]>(capacity_);
}

const std::uint8_t* TStreamWindow::Have(std::size_t offset, std::size_t n) {
  if (offset >= start_ && n <= end_ - start_ && offset - start_ <= end_ - start_ - n)
    return buffer_.get() + (offset - start_);
  if (offset > size_ || n > size_ - offset) return nullptr;
  if (n > kLargestSpan || offset < start_)
    throw ESpreadSheetError("Internal error: the record stream was read out of order");
  if (offset < end_) {
    // Keep the part already read, moved to the front.
    std::memmove(buffer_.get(), buffer_.get() + (offset - start_), end_ - offset);
  } else {
    end_ = offset;
  }
  start_ = offset;
  if (sourcePos_ != end_) {
    source_.SeekTo(end_);
    sourcePos_ = end_;
  }
  // The first read is small: the first record decides whether the rest is
  // worth reading at all.
  constexpr std::size_t kFirstStep = 4096;
  const std::size_t step = end_ == 0 ? std::min(kFirstStep, readStep.load(std::memory_order_relaxed))
                                     : readStep.load(std::memory_order_relaxed);
  while (end_ - start_ < n) {
    const std::size_t held = end_ - start_;
    const std::size_t want = std::min({std::max(step, n - held), capacity_ - held, size_ - end_});
    const std::size_t got = source_.Read(buffer_.get() + held, want);
    if (got == 0)
      throw ESpreadSheetError("The stream ends at offset " + std::to_string(end_) + ", before its size of " +
                              std::to_string(size_) + " bytes");
    end_ += got;
    sourcePos_ = end_;
  }
  return buffer_.get() + (offset - start_);
}

}  // namespace zolt::biff
