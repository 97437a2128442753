#include "transfer/WorkerContext.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

TEST(WorkerContext, StatusTextIsCutTo254Characters) {
    WorkerContext context;
    context.SetStatusText(std::string(254, 'a'));
    EXPECT_EQ(context.StatusText(), std::string(254, 'a'));
    context.SetStatusText(std::string(300, 'b') + "tail");
    EXPECT_EQ(context.StatusText(), std::string(254, 'b'));
    context.SetStatusText("short");
    EXPECT_EQ(context.StatusText(), "short");
}

TEST(WorkerContext, PathThatDoesNotFitIsRefusedNotCut) {
    WorkerContext context;
    const std::string longest(WorkerContext::kPathSize - 1, 'p');
    EXPECT_TRUE(context.SetCaptureBasePath(longest));
    EXPECT_EQ(context.CaptureBasePath(), longest);

    EXPECT_FALSE(context.SetCaptureBasePath(longest + "q"));
    EXPECT_EQ(context.CaptureBasePath(), "") << "a refused path leaves no usable name behind";

    EXPECT_TRUE(context.SetDisplayFileName("/tmp/temp.jpg"));
    EXPECT_FALSE(context.SetDisplayFileName(std::string(WorkerContext::kPathSize, 'x')));
    EXPECT_EQ(context.DisplayFileName(), "");
}

TEST(WorkerContext, TextsAreCopiedWholeBetweenThreads) {
    WorkerContext context;
    const std::string first(200, '1');
    const std::string second(100, '2');
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            context.SetStatusText(i % 2 ? first : second);
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const std::string seen = context.StatusText();
        ASSERT_TRUE(seen.empty() || seen == first || seen == second) << seen;
    }
    writer.join();
}
