#pragma once

#include "platform/jpeg/jpegdecoder.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zolt::check::internal {

// Pictures are decoded by a worker beside the rest of the check, with a
// bound on the bytes waiting for it.
class PictureQueue {
 public:
  struct Done {
    std::string item;
    std::string path;
    JpegCheck found;
  };

  explicit PictureQueue(int scale) : scale_(scale) {}
  ~PictureQueue() { Finish(); }
  PictureQueue(const PictureQueue&) = delete;
  PictureQueue& operator=(const PictureQueue&) = delete;

  void Add(std::string item, std::string path, std::string bytes) {
    std::unique_lock lock(mutex_);
    if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
    // One picture may exceed the bound alone; then it waits for an empty queue.
    changed_.wait(lock, [&] { return waiting_ == 0 || waiting_ + bytes.size() <= kMaxWaitingBytes; });
    waiting_ += bytes.size();
    queue_.push_back({std::move(item), std::move(path), std::move(bytes)});
    changed_.notify_all();
  }

  // Waits for every picture and hands over what each gave.
  std::vector<Done> Finish() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
      changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
    return std::move(done_);
  }

 private:
  static constexpr std::size_t kMaxWaitingBytes = 64u << 20;

  struct Task {
    std::string item;
    std::string path;
    std::string bytes;
  };

  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return closed_ || !queue_.empty(); });
      if (queue_.empty()) return;
      Task task = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Done done{std::move(task.item), std::move(task.path), CheckJpeg(task.bytes, scale_)};
      const std::size_t size = task.bytes.size();
      task.bytes = std::string();
      lock.lock();
      waiting_ -= size;
      done_.push_back(std::move(done));
      changed_.notify_all();
    }
  }

  const int scale_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Task> queue_;
  std::vector<Done> done_;
  std::size_t waiting_ = 0;
  bool closed_ = false;
  std::thread worker_;
};

}  // namespace zolt::check::internal
