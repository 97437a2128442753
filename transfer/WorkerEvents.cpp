#include "WorkerEvents.h"

#include <mutex>

namespace {
std::mutex observerLock;
NewPictureObserver pictureObserver;
LineObserver lineObserver;
} // namespace

void SetNewPictureObserver(NewPictureObserver observer) {
    std::lock_guard lock(observerLock);
    pictureObserver = std::move(observer);
}

void NotifyNewPicture(const std::string& pictureFile) {
    std::lock_guard lock(observerLock);
    if (pictureObserver) {
        pictureObserver(pictureFile);
    }
}

void SetLineObserver(LineObserver observer) {
    std::lock_guard lock(observerLock);
    lineObserver = std::move(observer);
}

void NotifyLineChange(LineChange change, const std::string& description) {
    std::lock_guard lock(observerLock);
    if (lineObserver) {
        lineObserver(change, description);
    }
}
