#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tir::exchange {

// A fixed set of worker threads. A job posted with Post runs on whichever worker is free; one
// posted with PostTo runs on the named worker, ahead of the common jobs, for state that belongs
// to one worker (its connection to the base). Jobs get the index of the worker that runs them.
class TWorkerPool {
 public:
  using TJob = std::function<void(std::size_t pWorker)>;

  // pStart runs first on each worker thread, pEnd last (both may be empty).
  TWorkerPool(std::size_t pWorkers, TJob pStart, TJob pEnd);
  ~TWorkerPool();  // runs the jobs still queued, then joins
  TWorkerPool(const TWorkerPool&) = delete;
  TWorkerPool& operator=(const TWorkerPool&) = delete;

  void Post(TJob pJob);
  void PostTo(std::size_t pWorker, TJob pJob);
  // Waits until every job posted so far has run (new ones may be posted meanwhile).
  void WaitIdle();
  std::size_t Size() const { return mThreads.size(); }

 private:
  void Run(std::size_t pWorker);

  TJob mStart, mEnd;
  std::mutex mMutex;
  std::condition_variable mWake, mIdle;
  std::deque<TJob> mCommon;
  std::vector<std::deque<TJob>> mOwn;
  std::size_t mRunning = 0;
  bool mStopping = false;
  std::vector<std::thread> mThreads;
};

}  // namespace tir::exchange
