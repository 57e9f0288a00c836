#include "host/exchange/exchange_worker_pool.h"

#include <utility>

namespace tir::exchange {

TWorkerPool::TWorkerPool(std::size_t pWorkers, TJob pStart, TJob pEnd)
    : mStart(std::move(pStart)), mEnd(std::move(pEnd)), mOwn(pWorkers) {
  mThreads.reserve(pWorkers);
  for (std::size_t i = 0; i < pWorkers; ++i) mThreads.emplace_back([this, i] { Run(i); });
}

TWorkerPool::~TWorkerPool() {
  {
    std::lock_guard lock(mMutex);
    mStopping = true;
  }
  mWake.notify_all();
  for (std::thread& t : mThreads) t.join();
}

void TWorkerPool::Post(TJob pJob) {
  {
    std::lock_guard lock(mMutex);
    mCommon.push_back(std::move(pJob));
  }
  mWake.notify_one();
}

void TWorkerPool::PostTo(std::size_t pWorker, TJob pJob) {
  {
    std::lock_guard lock(mMutex);
    mOwn[pWorker].push_back(std::move(pJob));
  }
  // Every worker wakes, so that the named one surely does.
  mWake.notify_all();
}

void TWorkerPool::WaitIdle() {
  std::unique_lock lock(mMutex);
  mIdle.wait(lock, [this] {
    if (mRunning != 0 || !mCommon.empty()) return false;
    for (const auto& own : mOwn)
      if (!own.empty()) return false;
    return true;
  });
}

void TWorkerPool::Run(std::size_t pWorker) {
  if (mStart) mStart(pWorker);
  std::unique_lock lock(mMutex);
  while (true) {
    mWake.wait(lock, [&] { return mStopping || !mOwn[pWorker].empty() || !mCommon.empty(); });
    std::deque<TJob>& queue = !mOwn[pWorker].empty() ? mOwn[pWorker] : mCommon;
    if (queue.empty()) break;  // stopping, nothing left for this worker
    TJob job = std::move(queue.front());
    queue.pop_front();
    ++mRunning;
    lock.unlock();
    job(pWorker);
    lock.lock();
    --mRunning;
    mIdle.notify_all();
  }
  lock.unlock();
  if (mEnd) mEnd(pWorker);
}

}  // namespace tir::exchange
