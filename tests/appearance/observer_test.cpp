// The broadcaster and receiver pair: delivery order, detaching, and receivers or observers
// that go away first.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "appearance/skin_observer.h"

namespace tavrinex::appearance {
namespace {

struct Recorder final : SkinReceiver {
  Recorder(std::vector<std::string>& log, std::string name) : log_(log), name_(std::move(name)) {}
  int OnSkinChanged(SkinChangedParam param) override {
    log_.push_back(name_ + ":" + param.image);
    if (onCall) onCall();
    return 1;
  }
  std::function<void()> onCall;
  std::vector<std::string>& log_;
  std::string name_;
};

TEST(SkinObserverTest, DeliversInAttachOrderAndSkipsDetachedOrNullReceivers) {
  SkinObserverType observer;
  std::vector<std::string> log;
  Recorder a(log, "a"), b(log, "b"), c(log, "c");
  observer.AttachReceiver(&b);
  observer.AttachReceiver(nullptr);  // ignored, takes no key
  observer.AttachReceiver(&a);
  observer.AttachReceiver(&c);
  EXPECT_EQ(observer.Publish({false, 0, "x"}), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"b:x", "a:x", "c:x"}));
  log.clear();
  observer.DetachReceiver(&a);
  observer.DetachReceiver(&a);  // not attached any more: nothing happens
  (void)observer.Publish({false, 0, "y"});
  EXPECT_EQ(log, (std::vector<std::string>{"b:y", "c:y"}));
  EXPECT_EQ(observer.ReceiverCount(), 2u);
}

// A receiver that goes away (a main window closed and made again) leaves nothing behind that
// a later broadcast would call.
TEST(SkinObserverTest, AReceiverGoingAwayDetachesItselfFromEveryObserver) {
  SkinObserverType first, second;
  std::vector<std::string> log;
  Recorder stays(log, "stays");
  {
    Recorder leaves(log, "leaves");
    first.AttachReceiver(&leaves);
    second.AttachReceiver(&leaves);
    first.AttachReceiver(&stays);
  }
  (void)first.Publish({false, 0, "1"});
  (void)second.Publish({false, 0, "2"});
  EXPECT_EQ(log, (std::vector<std::string>{"stays:1"}));
  EXPECT_EQ(second.ReceiverCount(), 0u);
}

TEST(SkinObserverTest, AnObserverGoingAwayIsForgottenByItsReceivers) {
  std::vector<std::string> log;
  Recorder receiver(log, "r");
  {
    SkinObserverType observer;
    observer.AttachReceiver(&receiver);
  }
  receiver.RemoveObserver();  // would call the observer that is gone
  SUCCEED();
}

TEST(SkinObserverTest, AReceiverMayDetachItselfWhileItIsCalled) {
  SkinObserverType observer;
  std::vector<std::string> log;
  Recorder a(log, "a"), b(log, "b");
  a.onCall = [&] { a.RemoveObserver(); };
  observer.AttachReceiver(&a);
  observer.AttachReceiver(&b);
  (void)observer.Publish({false, 0, "1"});
  (void)observer.Publish({false, 0, "2"});
  EXPECT_EQ(log, (std::vector<std::string>{"a:1", "b:1", "b:2"}));
}

TEST(SkinObserverTest, TheProcessWideObserverIsOne) { EXPECT_EQ(&SkinObserver(), &SkinObserver()); }

}  // namespace
}  // namespace tavrinex::appearance
