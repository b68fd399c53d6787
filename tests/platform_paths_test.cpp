// The platform's answers about paths: how a path as written splits into
// folders and names, and what the file system holds at real entries; and
// the new files it makes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

using namespace camdrift;
using namespace testing_support;

namespace {

struct PathCase {
    std::string path;
    std::string folder;
    std::vector<std::string> names;
};

TEST(PathsAsWritten, SplitAtEverySlash) {
    const std::vector<PathCase> cases = {
        {"demo/sample-framed.avi", "demo", {"demo", "sample-framed.avi"}},
        {"out.avi", ".", {"out.avi"}},
        {"/out.avi", "/", {"out.avi"}},
        {"/", "/", {""}},
        {"", ".", {""}},
        {"a/b/", "a/b", {"a", "b", ""}},
        {"/a//b//c.avi", "/a//b", {"a", "b", "c.avi"}},
        {"//a", "/", {"a"}},
        // A backslash is part of a name here.
        {"C:\\clips.v2\\out", ".", {"C:\\clips.v2\\out"}},
        {"./x/../y.mkv", "./x/..", {".", "x", "..", "y.mkv"}},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(platform::folderOf(c.path), c.folder);
        EXPECT_EQ(platform::namesInPath(c.path), c.names);
    }
}

class PathsOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        mkdir(dir_.file("folder").c_str(), 0755);
        writeFile(dir_.file("plain"), "x");
        writeFile(dir_.file("tool"), "#!/bin/sh\n");
        chmod(dir_.file("tool").c_str(), 0700);
        writeFile(dir_.file("others-run"), "#!/bin/sh\n");
        chmod(dir_.file("others-run").c_str(), 0601);
        ASSERT_EQ(symlink("tool", dir_.file("link-to-tool").c_str()), 0);
        ASSERT_EQ(symlink("folder", dir_.file("link-to-folder").c_str()), 0);
        ASSERT_EQ(symlink("nowhere", dir_.file("dangling").c_str()), 0);
    }
    ScratchDir dir_;
};

struct EntryCase {
    std::string name;
    bool folder;
    bool missing;
    bool executable;
};

TEST_F(PathsOnDisk, LinksAreFollowed) {
    const std::vector<EntryCase> cases = {
        {"folder", true, false, false},
        {"plain", false, false, false},
        {"tool", false, false, true},
        {"others-run", false, false, true},
        {"link-to-tool", false, false, true},
        {"link-to-folder", true, false, false},
        {"dangling", false, true, false},
        {"none", false, true, false},
        {"plain/below", false, true, false},  // a file is not a folder to look in
        {"", false, true, false},
    };
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.name.empty() ? "" : dir_.file(c.name);
        EXPECT_EQ(platform::isFolder(path), c.folder);
        EXPECT_EQ(platform::isMissing(path), c.missing);
        EXPECT_EQ(platform::isExecutableFile(path), c.executable);
    }
}

// A name is taken by any entry, a link to nowhere included, so it is never
// handed out as free.
TEST_F(PathsOnDisk, EveryEntryTakesItsName) {
    for (const char* name : {"folder", "plain", "link-to-tool", "link-to-folder", "dangling"}) {
        EXPECT_TRUE(platform::fileExists(dir_.file(name))) << name;
    }
    for (const char* name : {"none", "nowhere", "plain/below", "dangling/below"}) {
        EXPECT_FALSE(platform::fileExists(dir_.file(name))) << name;
    }
}

// As a shell looks a program up, but only executable regular files count.
TEST_F(PathsOnDisk, SearchPathFindsTheFirstExecutableFile) {
    mkdir(dir_.file("other").c_str(), 0755);
    writeFile(dir_.file("other/tool"), "#!/bin/sh\n");
    chmod(dir_.file("other/tool").c_str(), 0755);
    const std::string here = dir_.path();
    const std::string other = dir_.file("other");
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"tool", here + ":" + other, dir_.file("tool")},
        {"tool", other + "/:" + here, dir_.file("other/tool")},
        {"tool", "::" + dir_.file("none") + ":" + other + ":", dir_.file("other/tool")},
        {"plain", here, ""},
        {"folder", here, ""},
        {"link-to-tool", here, dir_.file("link-to-tool")},
        {"tool", "", ""},
    };
    for (const auto& [name, searchPath, found] : cases) {
        SCOPED_TRACE(name + " in " + searchPath);
        EXPECT_EQ(platform::findOnSearchPath(name, searchPath), found);
    }
}

TEST_F(PathsOnDisk, NearestExistingFolderClimbsAsWritten) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir_.file("folder/out.avi"), dir_.file("folder")},
        {dir_.file("folder/new/newer/out.avi"), dir_.file("folder")},
        {dir_.file("link-to-folder/new/out.avi"), dir_.file("link-to-folder")},
        {dir_.file("plain/out.avi"), dir_.path()},
        {"/out.avi", "/"},
        {"out.avi", "."},
        {"no-such-folder-here/either/out.avi", "."},
    };
    for (const auto& [path, nearest] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(platform::nearestExistingFolder(path), nearest);
    }
}

// The preview's writer check runs with TMPDIR pointed into the scratch
// folder by its tests; here the function is called in this process.
class TempFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        if (old) saved_ = old;
        hadTmpdir_ = old != nullptr;
        setenv("TMPDIR", dir_.path().c_str(), 1);
    }
    void TearDown() override {
        if (hadTmpdir_) {
            setenv("TMPDIR", saved_.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }
    ScratchDir dir_;
    std::string saved_;
    bool hadTmpdir_ = false;
};

TEST_F(TempFiles, EachIsNewEmptyAndNamedAsAsked) {
    std::set<std::string> made;
    for (int i = 0; i < 20; ++i) {
        const std::string path = platform::createTempFile("camdrift-preview-", ".mkv");
        ASSERT_FALSE(path.empty());
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_EQ(path.substr(0, path.rfind('/')), dir_.path());
        EXPECT_EQ(name.size(), std::string("camdrift-preview-").size() + 8 + 4) << name;
        EXPECT_EQ(name.rfind("camdrift-preview-", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".mkv");
        EXPECT_EQ(platform::regularFileSize(path), 0);
        EXPECT_TRUE(made.insert(path).second) << "handed out twice: " << path;
    }
}

TEST_F(TempFiles, NoneWithoutATempFolder) {
    setenv("TMPDIR", dir_.file("missing").c_str(), 1);
    EXPECT_EQ(platform::createTempFile("x-", ".avi"), "");
    writeFile(dir_.file("file"), "");
    setenv("TMPDIR", dir_.file("file").c_str(), 1);
    EXPECT_EQ(platform::createTempFile("x-", ".avi"), "");
}

TEST_F(PathsOnDisk, WholeFileWrittenReplacesWhatWasThere) {
    const std::string bytes("\x89PNG\r\n\x1a\n\0 and more", 17);
    ASSERT_TRUE(platform::writeWholeFile(dir_.file("new.png"), bytes));
    EXPECT_EQ(readFile(dir_.file("new.png")), bytes);
    writeFile(dir_.file("old.png"), std::string(1000, 'o'));
    ASSERT_TRUE(platform::writeWholeFile(dir_.file("old.png"), "short"));
    EXPECT_EQ(readFile(dir_.file("old.png")), "short");
    EXPECT_FALSE(platform::writeWholeFile(dir_.file("folder"), bytes));
    EXPECT_FALSE(platform::writeWholeFile(dir_.file("none/new.png"), bytes));
}

TEST_F(PathsOnDisk, TempFileBesideHoldsTheBytesUnderANewName) {
    writeFile(dir_.file("job.txt"), "old\n");
    std::set<std::string> made;
    for (int i = 0; i < 10; ++i) {
        const std::string temp = platform::writeTempFileBeside(dir_.file("job.txt"), "new\n");
        ASSERT_FALSE(temp.empty());
        // "job.txt." + eight hex digits + ".tmp", in the same folder.
        EXPECT_EQ(temp.size(), dir_.file("job.txt").size() + 1 + 8 + 4) << temp;
        EXPECT_EQ(temp.rfind(dir_.file("job.txt."), 0), 0u) << temp;
        EXPECT_EQ(temp.substr(temp.size() - 4), ".tmp");
        EXPECT_EQ(readFile(temp), "new\n");
        EXPECT_TRUE(made.insert(temp).second) << "handed out twice: " << temp;
    }
    EXPECT_EQ(readFile(dir_.file("job.txt")), "old\n");
    EXPECT_EQ(platform::writeTempFileBeside(dir_.file("none/job.txt"), "x"), "");
}

TEST_F(PathsOnDisk, NewFileIsNeverWrittenOverAnother) {
    ASSERT_TRUE(platform::createNewFile(dir_.file("new.job"), "a\nb\n"));
    EXPECT_EQ(readFile(dir_.file("new.job")), "a\nb\n");
    EXPECT_FALSE(platform::createNewFile(dir_.file("new.job"), "c\n"));
    EXPECT_EQ(readFile(dir_.file("new.job")), "a\nb\n");
    // A dangling link is a taken name too: nothing is made where it points.
    EXPECT_FALSE(platform::createNewFile(dir_.file("dangling"), "c\n"));
    EXPECT_FALSE(exists(dir_.file("nowhere")));
    EXPECT_FALSE(platform::createNewFile(dir_.file("none/new.job"), "c\n"));
}

TEST_F(PathsOnDisk, AbsolutePathsAreJoinedToTheCurrentFolderAsWritten) {
    const std::string here = platform::absolutePath(".");
    EXPECT_EQ(here.front(), '/');
    EXPECT_NE(here.back(), '/');
    EXPECT_EQ(platform::absolutePath("x/.."), here);
    EXPECT_EQ(platform::absolutePath("/"), "/");
    EXPECT_EQ(platform::absolutePath("clip.mp4"), here + "/clip.mp4");
    EXPECT_EQ(platform::absolutePath("a/./b/../clip.mp4"), here + "/a/clip.mp4");
    EXPECT_EQ(platform::absolutePath("/v//x/../clip.mp4"), "/v/clip.mp4");
    // Links stay as written.
    EXPECT_EQ(platform::absolutePath(dir_.file("link-to-folder") + "/c.avi"),
              dir_.file("link-to-folder") + "/c.avi");
}

TEST(RandomBytes, AreAsManyAsAskedAndNewEachTime) {
    const std::string a = platform::randomBytes(32);
    const std::string b = platform::randomBytes(32);
    EXPECT_EQ(a.size(), 32u);
    EXPECT_NE(a, b);
    EXPECT_EQ(platform::randomBytes(0), "");
}

}  // namespace
