#pragma once

#include "tests/support/TempDir.h"
#include "web/WebView.h"

#include <cstdint>
#include <memory>
#include <string>

namespace webtest {

// A started view on an ephemeral port of 127.0.0.1, and a folder for the
// run's picture files; the test plays the run by handing it events.
class ViewFixture {
public:
    explicit ViewFixture(transfer::RunKind mode = transfer::RunKind::Capture,
                         web::WebOptions options = {});

    std::uint16_t Port() const { return view->Port(); }
    web::WebView& View() { return *view; }
    // Tells the run's tally and then the view, as a run does.
    void Tell(const transfer::RunEvent& event) {
        tally.OnRunEvent(event);
        view->OnRunEvent(event);
    }

    // Writes bytes as the picture's file (the numbered file in capture mode,
    // the one display file in live mode) and hands the view PictureStored.
    transfer::PictureStored StorePicture(std::uint64_t number, const std::string& bytes,
                                         transfer::PictureKind kind = transfer::PictureKind::Jpeg);
    std::string PicturePath(std::uint64_t number) const;

    testsupport::TempDir folder;
    transfer::RunKind mode;
    transfer::RunTally tally;
    std::unique_ptr<web::WebView> view;
    std::string startError;
};

// A picture as a worker shares it with its event.
std::shared_ptr<const transfer::Picture>
SharedPicture(std::uint64_t number, const std::string& bytes,
              transfer::PictureKind kind = transfer::PictureKind::Jpeg);

// Entries of /proc/self/fd and /proc/self/task: what the view must give
// back when it is done.
int OpenDescriptors();
int Threads();

} // namespace webtest
