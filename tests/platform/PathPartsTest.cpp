#include "platform/PathParts.h"

#include <gtest/gtest.h>

using platform::JoinPath;
using platform::PathParts;
using platform::SplitPath;

TEST(PathParts, SplitsIntoDirectoryNameAndExtension) {
    const PathParts parts = SplitPath("/home/op/pics/shot.jpg");
    EXPECT_EQ(parts.drive, "");
    EXPECT_EQ(parts.directory, "/home/op/pics/");
    EXPECT_EQ(parts.name, "shot");
    EXPECT_EQ(parts.extension, ".jpg");
}

TEST(PathParts, ExtensionIsTheLastDotOfTheFileNameOnly) {
    const PathParts parts = SplitPath("/a.b/c.tar.gz");
    EXPECT_EQ(parts.directory, "/a.b/");
    EXPECT_EQ(parts.name, "c.tar");
    EXPECT_EQ(parts.extension, ".gz");

    const PathParts dotted = SplitPath("/a.b/shot");
    EXPECT_EQ(dotted.name, "shot");
    EXPECT_EQ(dotted.extension, "");
}

TEST(PathParts, RelativeAndBareNames) {
    EXPECT_EQ(SplitPath("temp.jpg").directory, "");
    EXPECT_EQ(SplitPath("temp.jpg").name, "temp");
    EXPECT_EQ(SplitPath("Zelnor2").extension, "");
    EXPECT_EQ(SplitPath("/").directory, "/");
    EXPECT_EQ(SplitPath("/").name, "");
}

TEST(PathParts, JoinIsTheInverseOfSplit) {
    for (const char* path :
         {"/home/op/pics/shot.jpg", "shot", "rel/dir/x.y.z", "/x/", "/.hidden"}) {
        EXPECT_EQ(JoinPath(SplitPath(path)), path) << path;
    }
}

TEST(PathParts, JoinAddsMissingSeparators) {
    EXPECT_EQ(JoinPath({"", "/pics", "shot00000001", "jpg"}), "/pics/shot00000001.jpg");
    EXPECT_EQ(JoinPath({"", "", "shot", ".INI"}), "shot.INI");
}
