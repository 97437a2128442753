#pragma once

#include "Bulletin.h"
#include "StreamingBody.h"
#include "ViewPicture.h"
#include "platform/NoCopy.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace web {

// The body of /stream for one viewer: multipart/x-mixed-replace, one JPEG
// part per picture. Right after a picture's bytes come the boundary and the
// complete header block of the next part: a browser draws a part only once
// it has seen the next part's headers, and the next picture may be seconds
// away on the serial line. So parts carry no Content-Length (the next
// picture's size is not known when its headers go out); a reader that splits
// at the boundaries gets every picture whole.
//
// The viewer holds only the picture it is sending and the serial of the last
// one it took: when it reads slowly, pictures that came meanwhile are skipped.
// It also takes a picture no sooner than minimumGap after the one before, so
// that a fast camera (hundreds of pictures a second over USB) costs the box
// no more per viewer than a browser can show; the newest always goes out.
// Without a gap it takes every picture after the one it sent, as long as it
// is no more than the bulletin holds behind.
class MultipartStream final : public StreamingBody, private platform::NoCopy {
public:
    static constexpr std::string_view kBoundary = "zelnor2-next-picture-6f3c91d24be87a05c1d9e2f4";

    static std::string ContentType();

    // viewers counts the streams open at once, for the state to show.
    MultipartStream(const Bulletin<SharedPicture>& pictures, std::atomic<int>& viewers,
                    std::chrono::steady_clock::duration minimumGap)
        : pictures(pictures), viewers(viewers), minimumGap(minimumGap) {
        ++viewers;
    }
    ~MultipartStream() override { --viewers; }

    // Fills buffer with what comes next; waits up to limit when everything so
    // far has gone out. Returns the bytes filled, 0 when the limit passed
    // without a new picture, or kClosed once the pictures' bulletin closed.
    std::ptrdiff_t Fill(std::span<char> buffer, std::chrono::steady_clock::duration limit) override;

private:
    std::size_t CopyPending(std::span<char> buffer);
    // The boundary and header block that go out ahead of a part.
    static std::string HeaderBlock(bool first);

    const Bulletin<SharedPicture>& pictures;
    std::atomic<int>& viewers;
    const std::chrono::steady_clock::duration minimumGap;
    std::chrono::steady_clock::time_point lastTaken;
    std::uint64_t seen = 0;
    SharedPicture sending;
    std::size_t sent = 0;
    std::string text;
    std::size_t textSent = 0;
    bool headersAhead = false;
};

} // namespace web
