// camdrift loads OpenCV's video library only when a run needs OpenCV's
// reader or writer, from the module beside the executable: the executable
// itself doesn't depend on it, runs that libav covers work without the
// module, and a run that needs it and can't have it says so as OpenCV would.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"
#include "video_sources.h"

using namespace testing_support;

namespace {

TEST(OpenCvModule, TheExecutableDoesNotLoadOpenCvsVideoLibrary) {
    const RunResult libraries = run({"/usr/bin/ldd", camdriftExe()});
    ASSERT_EQ(libraries.exitStatus, 0) << libraries.err;
    EXPECT_EQ(libraries.out.find("libopencv_videoio"), std::string::npos) << libraries.out;
    EXPECT_NE(libraries.out.find("libopencv_imgproc"), std::string::npos) << libraries.out;
    const std::string module =
        std::filesystem::path(camdriftExe()).parent_path().string() + "/camdrift-opencv-io.so";
    const RunResult moduleLibraries = run({"/usr/bin/ldd", module});
    EXPECT_NE(moduleLibraries.out.find("libopencv_videoio"), std::string::npos)
        << moduleLibraries.out;
}

// A copy of the executable alone in a folder: no module beside it.
class WithoutTheModule : public ::testing::Test {
protected:
    void SetUp() override {
        exe_ = dir_.file("camdrift");
        std::filesystem::copy_file(camdriftExe(), exe_);
        source_ = testSource("mpeg4_xvid.avi");
        ASSERT_FALSE(source_.empty());
    }
    RunResult runJob(const std::string& codec, const std::string& output,
                     const std::string& videoIo) {
        writeFile(dir_.file("job.txt"),
                  jobScriptText({source_, output, "", codec, "1", "64", "48", {"k 10 50 40 40 0"}}));
        RunOptions options;
        options.env["CAMDRIFT_VIDEO_IO"] = videoIo;
        options.env["CAMDRIFT_VIDEO_IO_LOG"] = dir_.file("io.log");
        return run({exe_, dir_.file("job.txt")}, options);
    }
    ScratchDir dir_;
    std::string exe_;
    std::string source_;
};

TEST_F(WithoutTheModule, WhatLibavCoversStillRuns) {
    const std::string output = dir_.file("out.avi");
    const RunResult result = runJob("XVID", output, "");
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(readFile(dir_.file("io.log")), "reader: libav\nwriter: libav\n");
    EXPECT_EQ(readAllFrames(output).size(), 24u);
}

TEST_F(WithoutTheModule, OpenCvsReaderOrWriterIsMissedAsOpenCvWouldFail) {
    const std::string output = dir_.file("out.avi");
    RunResult result = runJob("XVID", output, "opencv");
    EXPECT_EQ(result.out, "Capture not opened!\n");
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(readFile(dir_.file("io.log")).find("camdrift-opencv-io.so"), std::string::npos);

    result = runJob("HFYU", output, "");
    EXPECT_EQ(result.out.substr(result.out.size() - 19), "Writer not opened!\n") << result.out;
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_FALSE(exists(output)) << "the lock's empty file is removed";
}

}  // namespace
