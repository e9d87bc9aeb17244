#include "appearance/skin_observer.h"

namespace tavrinex::appearance {

SkinObserverType& SkinObserver() {
  // Never destroyed: receivers may still detach while the process ends.
  static auto* observer = new SkinObserverType;
  return *observer;
}

}  // namespace tavrinex::appearance
