#include <gtest/gtest.h>

#include <ostream>

#include "finish/temp_path.h"

namespace {

struct TempPathCase {
    const char* outputPath;
    int number;
    const char* expected;
};

void PrintTo(const TempPathCase& c, std::ostream* os) {
    *os << c.outputPath << " #" << c.number;
}

class TempPathTable : public ::testing::TestWithParam<TempPathCase> {};

TEST_P(TempPathTable, NamesTheTempFileBesideTheOutput) {
    const TempPathCase& c = GetParam();
    EXPECT_EQ(camdrift::makeTempPath(c.outputPath, c.number), c.expected) << c.outputPath;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TempPathTable,
    ::testing::Values(
        TempPathCase{"D:\\clips\\final.avi", 421, "D:\\clips\\temp0421.avi"},
        TempPathCase{"/home/u/out.mp4", 421, "/home/u/temp0421.mp4"},
        TempPathCase{"C:\\work\\out.mp4", 7, "C:\\work\\temp0007.mp4"},
        // Number width: at least four digits, five when the number needs them.
        TempPathCase{"/v/out.avi", 0, "/v/temp0000.avi"},
        TempPathCase{"/v/out.avi", 9999, "/v/temp9999.avi"},
        TempPathCase{"/v/out.avi", 10000, "/v/temp10000.avi"},
        TempPathCase{"/v/out.avi", 32767, "/v/temp32767.avi"},
        // The separator at index 0 is the root.
        TempPathCase{"/out.mp4", 421, "/temp0421.mp4"},
        TempPathCase{"\\out.mp4", 421, "\\temp0421.mp4"},
        // A bare name stays in the current directory.
        TempPathCase{"out.mp4", 421, "temp0421.mp4"},
        TempPathCase{"out", 421, "temp0421"},
        // The last separator wins, whichever kind each one is.
        TempPathCase{"a/b\\c.mkv", 421, "a/b\\temp0421.mkv"},
        TempPathCase{"a\\b/c.mkv", 421, "a\\b/temp0421.mkv"},
        TempPathCase{"rel/dir/out.avi", 421, "rel/dir/temp0421.avi"},
        // Only the last dot of the file name starts the extension.
        TempPathCase{"/v/clip.final.mov", 421, "/v/temp0421.mov"},
        TempPathCase{"/v/.hidden", 421, "/v/temp0421.hidden"},
        // No dot in the file name: no extension and no dot, whatever the folders hold.
        TempPathCase{"/v/out", 421, "/v/temp0421"},
        TempPathCase{"/v.d/out", 421, "/v.d/temp0421"},
        TempPathCase{"C:\\v.d\\out", 421, "C:\\v.d\\temp0421"},
        TempPathCase{"/v/", 421, "/v/temp0421"},
        // Non-ASCII bytes pass through untouched.
        TempPathCase{"/d\xC3\xA9j\xC3\xA0 vu/\xE6\x97\xA5\xE6\x9C\xAC.avi", 5,
                     "/d\xC3\xA9j\xC3\xA0 vu/temp0005.avi"}));

}  // namespace
