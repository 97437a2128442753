#pragma once

#include <functional>
#include <string>

// Lets a program without a dialog learn of every good picture at once: the
// picture workers call the observer on their own thread right after they have
// raised the context's new-picture flag, with the file that holds the picture
// (the numbered file in continuous capture, the display file in live mode).
// The flag alone can merge two pictures that arrive within one poll.
using NewPictureObserver = std::function<void(const std::string& pictureFile)>;

// An empty observer removes it.
void SetNewPictureObserver(NewPictureObserver observer);
void NotifyNewPicture(const std::string& pictureFile);
