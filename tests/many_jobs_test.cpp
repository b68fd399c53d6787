// Many jobs at once or one after another, the way batch scripts and GNU
// parallel run them: every output whole and with its sound, every job run.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "running_process.h"
#include "test_support.h"

using namespace testing_support;

namespace {

std::string streamTypes(const std::string& path) {
    return run({"/usr/bin/ffprobe", "-v", "error", "-show_entries", "stream=codec_type", "-of",
                "csv=p=0", path})
        .out;
}

std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Four runs started together reach their muxers together: their temporary
// names must differ, or one muxer finds the other's file and gives up.
TEST(ManyJobs, FourAtOnceInOneFolderAllGetTheirSound) {
    ScratchDir dir;
    const std::string source = dir.file("source.avi");
    ASSERT_TRUE(makeClipWithSound(source, 64, 48, 40));
    std::vector<std::unique_ptr<RunningProcess>> runs;
    for (int job = 0; job < 4; ++job) {
        const std::string name = "job" + std::to_string(job);
        writeFile(dir.file(name + ".txt"),
                  jobScriptText({source, dir.file(name + ".avi"), "/usr/bin/ffmpeg", "FFV1", "1",
                                 "32", "24", {"k 20 50 30 30 0"}}));
    }
    for (int job = 0; job < 4; ++job) {
        runs.push_back(std::make_unique<RunningProcess>(std::vector<std::string>{
            camdriftExe(), dir.file("job" + std::to_string(job) + ".txt")}));
    }
    for (int job = 0; job < 4; ++job) {
        SCOPED_TRACE(job);
        const std::string output = dir.file("job" + std::to_string(job) + ".avi");
        const RunResult result = runs[static_cast<size_t>(job)]->finish();
        EXPECT_EQ(result.out, "Opened\n64x48@25.000000\t40\nfn2=" + output + "\nFinished!\n");
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(streamTypes(output), "video\naudio\n");
        EXPECT_EQ(readAllFrames(output).size(), 40u);
    }
    EXPECT_EQ(namesIn(dir.path()),
              (std::set<std::string>{"source.avi", "job0.txt", "job1.txt", "job2.txt", "job3.txt",
                                     "job0.avi", "job1.avi", "job2.avi", "job3.avi"}));
}

// `while read -r j; do camdrift "$j"; done < list`: a muxer that reads its
// standard input must not swallow the rest of the list.
TEST(ManyJobs, AShellLoopOverAListRunsEveryJob) {
    ScratchDir dir;
    const std::string source = dir.file("source.avi");
    ASSERT_TRUE(writePatternVideo(source, 64, 48, 5, 25.0));
    const std::string muxer = dir.file("greedy-mux.sh");
    writeFile(muxer, "#!/bin/sh\nfor last; do :; done\ncat > \"$last.stdin\"\n"
                     "cp \"$2\" \"$last\"\nmv \"$last.stdin\" \"$2.stdin\"\n");
    makeExecutable(muxer);
    std::string list;
    for (int job = 0; job < 3; ++job) {
        const std::string name = dir.file("job" + std::to_string(job));
        writeFile(name + ".txt",
                  jobScriptText({source, name + ".avi", muxer, "FFV1", "1", "32", "24"}));
        list += name + ".txt\n";
    }
    writeFile(dir.file("list"), list);

    const RunResult loop = run({"/bin/sh", "-c",
                                "while read -r j; do '" + camdriftExe() + "' \"$j\"; done < '" +
                                    dir.file("list") + "'"});

    EXPECT_EQ(loop.exitStatus, 0);
    for (int job = 0; job < 3; ++job) {
        SCOPED_TRACE(job);
        const std::string output = dir.file("job" + std::to_string(job) + ".avi");
        EXPECT_EQ(readAllFrames(output).size(), 5u);
        EXPECT_EQ(readFile(output + ".stdin"), "") << "the muxer read the list";
    }
}

}  // namespace
