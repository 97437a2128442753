#include "transfer/WorkerContext.h"

#include <gtest/gtest.h>
#include <string>

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
