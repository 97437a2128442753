#pragma once

#include <functional>
#include <string>

// Lets a program without a dialog learn of every good picture and every
// change of the line at once: the picture workers call the observers on their
// own thread. The context's flag and status text alone can merge two pictures
// within one poll, or a loss and a return of the line.

// Called for every good picture, after the context's new-picture flag was
// raised where the display file took it, with the file that holds the picture
// (the numbered file in continuous capture, the display file in live mode).
using NewPictureObserver = std::function<void(const std::string& pictureFile)>;

enum class LineChange { Lost, Back };
// Called when the line was lost (with the port, device and reason) and when
// its port opened again (with the port and device).
using LineObserver = std::function<void(LineChange change, const std::string& description)>;

// An empty observer removes it.
void SetNewPictureObserver(NewPictureObserver observer);
void NotifyNewPicture(const std::string& pictureFile);

void SetLineObserver(LineObserver observer);
void NotifyLineChange(LineChange change, const std::string& description);
