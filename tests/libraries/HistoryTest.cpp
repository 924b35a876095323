// The navigation histories.
#include "Libraries/History.h"

#include <gtest/gtest.h>

namespace {
std::vector<std::string> Titles(const THistory &history)
{
    std::vector<std::string> titles;
    for (int i = 0; i < history.count(); ++i) titles.push_back(history.Entry(i).title);
    return titles;
}
} // namespace

TEST(HistoryTest, OneEntryPerDirectoryNewestLast)
{
    THistory history;
    history.AddPath("/a/one", 5, true, true, 11, 3);
    history.AddPath("/b/two", 5, true, true, 22, 4);
    history.AddPath("/a/three", 5, true, true, 33, 7);
    EXPECT_EQ(Titles(history), (std::vector<std::string>{"/b/two", "/a/three"}));
    EXPECT_EQ(history.Entry(1).focusRow, 3) << "A keeps the focus of its first visit";
    EXPECT_EQ(history.Entry(1).focusKey, 11);

    history.AddPath("/a/four", 2, true, true, 44, 8);
    EXPECT_EQ(Titles(history), (std::vector<std::string>{"/b/two", "/a/four"})) << "the same directory replaces";
    EXPECT_EQ(history.Entry(1).focusKind, 2);

    history.AddPath(":/", 0, true, true, 0, 0);
    history.AddPath("", 0, true, true, 0, 0);
    history.AddPath("/b/", 0, true, true, 0, 0); // a directory already known
    EXPECT_EQ(history.count(), 2);
    history.AddPath("/A/x", 0, true, true, 0, 0);
    EXPECT_EQ(history.count(), 3) << "directories differ in letter case";
}

TEST(HistoryTest, CapacityAndFinding)
{
    THistory history;
    for (int i = 0; i <= THistory::Capacity; ++i) history.AddPath("/d" + std::to_string(i) + "/f", 0, true, true, i, 0);
    EXPECT_EQ(history.count(), THistory::Capacity);
    EXPECT_EQ(history.Entry(0).title, "/d1/f");

    std::int32_t kind = -1, row = -1;
    std::int64_t key = -1;
    std::string title;
    int index = 0;
    history.FindDirectory("/d7/", kind, title, index, key, row);
    EXPECT_EQ(title, "/d7/f");
    EXPECT_EQ(key, 7);
    history.FindDirectory("/nowhere/", kind, title, index, key, row);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(title, "/nowhere/");

    THistory paths;
    paths.AddPath("/a/x", 0, true, true, 5, 2);
    paths.FindParentDirectory("/a/b/x.txt", kind, title, index, key, row);
    EXPECT_EQ(title, "/a/b");
    EXPECT_EQ(index, 0);
    paths.FindParentDirectory("/x.txt", kind, title, index, key, row);
    EXPECT_EQ(title, ":/");

    paths.AddPath("/b/y", 0, true, true, 0, 0);
    paths.RemoveLastIfSameDirectory("/b/other");
    EXPECT_EQ(Titles(paths), std::vector<std::string>{"/a/x"});
    paths.RemoveLastIfSameDirectory("/a/other");
    EXPECT_EQ(paths.count(), 1) << "the last entry stays";
}

TEST(HistoryTest, LaunchedFiles)
{
    THistory files;
    files.AddFile("/a/run.sh", true);
    files.AddFile("/a/run.sh", true);
    EXPECT_EQ(files.count(), 1);
    files.AddFile("/a/other", true);
    files.AddFile("/a/run.sh", true);
    EXPECT_EQ(Titles(files), (std::vector<std::string>{"/a/other", "/a/run.sh"}));
    files.AddFile("/a/", true);
    files.AddFile(":/", true);
    EXPECT_EQ(files.count(), 2);
}
