#include "PictureEvents.h"

#include <mutex>

namespace {
std::mutex observerLock;
NewPictureObserver currentObserver;
} // namespace

void SetNewPictureObserver(NewPictureObserver observer) {
    std::lock_guard lock(observerLock);
    currentObserver = std::move(observer);
}

void NotifyNewPicture(const std::string& pictureFile) {
    std::lock_guard lock(observerLock);
    if (currentObserver) {
        currentObserver(pictureFile);
    }
}
