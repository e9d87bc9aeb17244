#include "device/device_work.h"

#include <algorithm>
#include <utility>

namespace tavrinex::device {

void DeviceWorkQueue::Post(DeviceKind kind, DeviceTask task, Work work) {
  const std::size_t i = IndexOf(kind);
  {
    std::lock_guard lock(mutex_);
    auto& queue = queues_[i];
    const auto same = std::find_if(queue.begin(), queue.end(),
                                   [task](const Entry& e) { return e.task == task; });
    if (same != queue.end()) {
      same->work = std::move(work);
    } else {
      queue.push_back({task, std::move(work)});
    }
  }
  wake_[i].Signal();
}

std::vector<DeviceWorkQueue::Work> DeviceWorkQueue::Take(DeviceKind kind) {
  const std::size_t i = IndexOf(kind);
  std::vector<Entry> taken;
  {
    std::lock_guard lock(mutex_);
    taken.swap(queues_[i]);
    wake_[i].Reset();
  }
  std::vector<Work> out;
  out.reserve(taken.size());
  for (Entry& e : taken) out.push_back(std::move(e.work));
  return out;
}

std::size_t DeviceWorkQueue::Pending(DeviceKind kind) const {
  std::lock_guard lock(mutex_);
  return queues_[IndexOf(kind)].size();
}

}  // namespace tavrinex::device
