#pragma once
// An index-addressed list (rows of a sheet, cells of a row) whose entries
// may be empty. Entries live in a plain array while the list is dense;
// an entry far beyond the others is kept aside in a sorted list, so memory
// follows the entries a workbook really holds: a damaged file cannot make a
// single cell at column 16,000 or row 65,000 cost thousands of empty entries.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace zolt {

// Vacant(entry) tells an empty entry from a stored one.
template <typename T, typename Vacant>
class TSparseList {
 public:
  TSparseList() = default;
  TSparseList(const TSparseList& other)
      : dense_(other.dense_), far_(other.far_ ? std::make_unique<Far>(*other.far_) : nullptr), stored_(other.stored_) {}
  TSparseList(TSparseList&&) noexcept = default;
  TSparseList& operator=(const TSparseList& other) {
    if (this != &other) *this = TSparseList(other);
    return *this;
  }
  TSparseList& operator=(TSparseList&&) noexcept = default;
  ~TSparseList() = default;

  // One more than the largest index of any entry.
  int Count() const noexcept {
    return !far_ || far_->empty() ? static_cast<int>(dense_.size()) : far_->back().first + 1;
  }

  // The stored entry at index, or nullptr for an empty or absent one.
  const T* Find(int index) const noexcept {
    if (index < 0) return nullptr;
    const T* entry = nullptr;
    if (static_cast<std::size_t>(index) < dense_.size()) {
      entry = &dense_[static_cast<std::size_t>(index)];
    } else if (far_ && !far_->empty()) {
      auto it = Lower(index);
      if (it != far_->end() && it->first == index) entry = &it->second;
    }
    return entry != nullptr && !Vacant()(*entry) ? entry : nullptr;
  }

  // The entry at index, created empty when absent; the first entry of a list
  // makes room for `expected` entries at once.
  T& Ensure(int index, int expected = 0) {
    const auto at = static_cast<std::size_t>(std::max(index, 0));
    if (at < dense_.size()) return dense_[at];
    const auto wanted = static_cast<std::size_t>(std::max(expected, 0));
    // The plain array may grow to twice its entries plus a margin.
    constexpr std::size_t kMargin = 32;
    if (at + 1 > 2 * (stored_ + 1) + kMargin && at + 1 > wanted) return EnsureFar(static_cast<int>(at));
    if (dense_.capacity() == 0) dense_.reserve(std::max(at + 1, wanted));
    dense_.resize(at + 1);
    ++stored_;
    // Entries kept aside that the array now covers move into it.
    if (far_) {
      auto covered = far_->begin();
      for (; covered != far_->end() && static_cast<std::size_t>(covered->first) < dense_.size(); ++covered)
        dense_[static_cast<std::size_t>(covered->first)] = std::move(covered->second);
      far_->erase(far_->begin(), covered);
    }
    return dense_[at];
  }

  // Calls fn(index, entry) for every stored entry in index order.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    for (std::size_t i = 0; i < dense_.size(); ++i)
      if (!Vacant()(dense_[i])) fn(static_cast<int>(i), dense_[i]);
    if (far_)
      for (const auto& [index, entry] : *far_)
        if (!Vacant()(entry)) fn(index, entry);
  }

  void Clear() noexcept {
    dense_ = {};
    far_.reset();
    stored_ = 0;
  }

 private:
  using Far = std::vector<std::pair<int, T>>;

  typename Far::const_iterator Lower(int index) const {
    return std::lower_bound(far_->begin(), far_->end(), index,
                            [](const auto& entry, int i) { return entry.first < i; });
  }

  T& EnsureFar(int index) {
    if (!far_) far_ = std::make_unique<Far>();
    auto it = std::lower_bound(far_->begin(), far_->end(), index,
                               [](const auto& entry, int i) { return entry.first < i; });
    if (it != far_->end() && it->first == index) return it->second;
    ++stored_;
    return far_->insert(it, {index, T{}})->second;
  }

  std::vector<T> dense_;       // indices 0 .. size-1
  std::unique_ptr<Far> far_;   // indices beyond the array, sorted; made on first use
  std::uint32_t stored_ = 0;   // a list holds at most 65,536 entries
};

}  // namespace zolt
