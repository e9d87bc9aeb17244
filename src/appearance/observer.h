// The broadcaster and receiver template pair: an observer hands one parameter to every
// attached receiver in the order they were attached; a receiver remembers the observers it is
// attached to, so that going away it leaves none of them holding a dangling receiver.
// UI thread only.
#pragma once

#include <map>

namespace tavrinex::appearance {

template <class Ret, class Param>
class ReceiverImplBase;

template <class Ret, class Param>
class ObserverImplBase {
 public:
  virtual ~ObserverImplBase() = default;
  virtual void AttachReceiver(ReceiverImplBase<Ret, Param>* receiver) = 0;
  virtual void DetachReceiver(ReceiverImplBase<Ret, Param>* receiver) = 0;
  virtual Ret Publish(Param param) = 0;
  // Also hands the observer along; not used by this program.
  virtual Ret PublishWithObserver(Param param) = 0;
};

template <class Ret, class Param>
class ReceiverImplBase {
 public:
  virtual ~ReceiverImplBase() = default;
  virtual void AddObserver(ObserverImplBase<Ret, Param>* observer) = 0;
  virtual void RemoveObserver() = 0;
  virtual Ret OnSkinChanged(Param param) = 0;
  // The delivery that also receives the observer; not used by this program.
  virtual Ret OnSkinChangedFrom(Param param, ObserverImplBase<Ret, Param>* observer) = 0;
  // The observer is going away: forget it without calling it back.
  virtual void ForgetObserver(ObserverImplBase<Ret, Param>* observer) = 0;
};

template <class Ret, class Param>
class ObserverImpl : public ObserverImplBase<Ret, Param> {
 public:
  using Receiver = ReceiverImplBase<Ret, Param>;

  ObserverImpl() = default;
  ObserverImpl(const ObserverImpl&) = delete;
  ObserverImpl& operator=(const ObserverImpl&) = delete;
  ~ObserverImpl() override {
    for (auto& [key, receiver] : receivers_) receiver->ForgetObserver(this);
  }

  // Keys are given out from 0 upwards in attach order.
  void AttachReceiver(Receiver* receiver) override {
    if (receiver == nullptr) return;
    receivers_[count_] = receiver;
    receiver->AddObserver(this);
    ++count_;
  }

  void DetachReceiver(Receiver* receiver) override {
    for (auto it = receivers_.begin(); it != receivers_.end(); ++it) {
      if (it->second == receiver) {
        receivers_.erase(it);
        return;
      }
    }
  }

  // In ascending key order. A receiver may detach itself (or another) while it is called.
  Ret Publish(Param param) override {
    for (int key = 0; key < count_; ++key) {
      const auto it = receivers_.find(key);
      if (it != receivers_.end()) it->second->OnSkinChanged(param);
    }
    return Ret{};
  }

  Ret PublishWithObserver(Param param) override {
    for (int key = 0; key < count_; ++key) {
      const auto it = receivers_.find(key);
      if (it != receivers_.end()) it->second->OnSkinChangedFrom(param, this);
    }
    return Ret{};
  }

  [[nodiscard]] std::size_t ReceiverCount() const { return receivers_.size(); }

 private:
  std::map<int, Receiver*> receivers_;
  int count_ = 0;
};

template <class Ret, class Param>
class ReceiverImpl : public ReceiverImplBase<Ret, Param> {
 public:
  using Observer = ObserverImplBase<Ret, Param>;

  ReceiverImpl() = default;
  ReceiverImpl(const ReceiverImpl&) = delete;
  ReceiverImpl& operator=(const ReceiverImpl&) = delete;
  ~ReceiverImpl() override { RemoveObserver(); }

  void AddObserver(Observer* observer) override { observers_[count_++] = observer; }

  void RemoveObserver() override {
    const auto observers = std::move(observers_);
    observers_.clear();
    for (auto& [key, observer] : observers) observer->DetachReceiver(this);
  }

  Ret OnSkinChangedFrom(Param param, Observer* observer) override {
    (void)param;
    (void)observer;
    return Ret{};
  }

  void ForgetObserver(Observer* observer) override {
    std::erase_if(observers_, [&](const auto& entry) { return entry.second == observer; });
  }

 private:
  std::map<int, Observer*> observers_;
  int count_ = 0;
};

}  // namespace tavrinex::appearance
