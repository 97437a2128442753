// What waits for the broker: bounded whatever the broker does, the newest
// picture first, and nothing lost track of across a lost connection.
#include "mqtt/Outbox.h"

#include <gtest/gtest.h>

using mqtt::Outbox;
using mqtt::WaitingPicture;

namespace {

WaitingPicture Numbered(std::uint64_t number) {
    return {number, transfer::PictureKind::Jpeg, nullptr};
}

} // namespace

// While the broker is away, pictures replace each other and events queue up
// to a fixed length, the oldest dropped; once it is there, everything is
// announced again with the newest picture, the queued events and the state.
TEST(Outbox, WhileDisconnectedOnlyTheNewestPictureAndTheLatestEventsWait) {
    Outbox outbox;
    for (std::uint64_t number = 0; number < 5; ++number) {
        outbox.OfferPicture(Numbered(number));
    }
    const std::size_t added = Outbox::kWaitingEvents + 44;
    for (std::size_t i = 0; i < added; ++i) {
        outbox.AddEvent(std::to_string(i));
    }
    outbox.StateChanged();
    outbox.Connected();

    const Outbox::Work work = outbox.Next();
    EXPECT_TRUE(work.announce);
    ASSERT_TRUE(work.picture.has_value());
    EXPECT_EQ(work.picture->number, 4u);
    ASSERT_EQ(work.events.size(), Outbox::kWaitingEvents);
    EXPECT_EQ(work.events.front(), "44");
    EXPECT_EQ(work.events.back(), std::to_string(added - 1));
    EXPECT_EQ(outbox.DroppedEvents(), 44u);
    EXPECT_TRUE(work.state);
    EXPECT_FALSE(work.closing);
}

// One picture and one state are on their way at most: the next waits until
// the broker has the last (or the connection is gone), whatever else goes
// out meanwhile.
TEST(Outbox, ThePictureAndTheStateWaitForTheOnesOnTheirWay) {
    Outbox outbox;
    outbox.Connected();
    outbox.OfferPicture(Numbered(1));
    (void)outbox.Next();
    outbox.Sent(10, Outbox::Kind::Picture);
    outbox.Sent(11, Outbox::Kind::State);

    outbox.OfferPicture(Numbered(2));
    outbox.StateChanged();
    outbox.AddEvent("stored");
    Outbox::Work work = outbox.Next();
    EXPECT_EQ(work.events, std::vector<std::string>{"stored"});
    EXPECT_FALSE(work.picture.has_value());
    EXPECT_FALSE(work.state);

    outbox.Delivered(10);
    work = outbox.Next();
    ASSERT_TRUE(work.picture.has_value());
    EXPECT_EQ(work.picture->number, 2u);

    // Told delivered before noted as sent (the network thread was quicker).
    outbox.Delivered(12);
    outbox.Sent(12, Outbox::Kind::Picture);
    outbox.OfferPicture(Numbered(3));
    work = outbox.Next();
    ASSERT_TRUE(work.picture.has_value());
    EXPECT_EQ(work.picture->number, 3u);

    // A lost connection forgets what was on its way: the next one starts
    // with the newest of everything.
    outbox.Sent(13, Outbox::Kind::Picture);
    outbox.OfferPicture(Numbered(4));
    outbox.Disconnected();
    outbox.Connected();
    work = outbox.Next();
    EXPECT_TRUE(work.announce);
    ASSERT_TRUE(work.picture.has_value());
    EXPECT_EQ(work.picture->number, 4u);
    EXPECT_TRUE(work.state) << "the state held back by the one on its way goes out now";
}

// Closing ends the sender: with a connection, with what is left; without
// one, at once.
TEST(Outbox, ClosingHandsOverWhatIsLeftOrNothingWithoutAConnection) {
    Outbox away;
    away.OfferPicture(Numbered(1));
    away.AddEvent("stored");
    away.Close();
    Outbox::Work work = away.Next();
    EXPECT_TRUE(work.closing);
    EXPECT_FALSE(work.picture.has_value());
    EXPECT_TRUE(work.events.empty());

    Outbox there;
    there.Connected();
    (void)there.Next();
    there.Sent(1, Outbox::Kind::State);
    there.AddEvent("failed");
    there.StateChanged();
    there.Close();
    work = there.Next();
    EXPECT_TRUE(work.closing);
    EXPECT_EQ(work.events, std::vector<std::string>{"failed"});
    EXPECT_TRUE(work.state) << "the last state goes out";
    EXPECT_FALSE(there.WaitDelivered(std::chrono::milliseconds(0)));
    there.Delivered(1);
    EXPECT_TRUE(there.WaitDelivered(std::chrono::milliseconds(0)));
}
