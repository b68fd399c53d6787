#include <gtest/gtest.h>

#include <ostream>
#include <string>

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
        TempPathCase{"C:\\clips.v2\\out", 421, "C:\\clips.v2\\temp0421"},
        TempPathCase{"/v/", 421, "/v/temp0421"},
        // Non-ASCII bytes pass through untouched.
        TempPathCase{"/d\xC3\xA9j\xC3\xA0 vu/\xE6\x97\xA5\xE6\x9C\xAC.avi", 5,
                     "/d\xC3\xA9j\xC3\xA0 vu/temp0005.avi"}));

struct ExtensionCase {
    const char* outputPath;
    const char* expected;
};

void PrintTo(const ExtensionCase& c, std::ostream* os) { *os << c.outputPath; }

class OutputExtensionTable : public ::testing::TestWithParam<ExtensionCase> {};

// The preview's writer check tries a file with this extension, and the
// muxer picks the container of its temporary file by it: the temporary
// file must keep the output's extension on every path.
TEST_P(OutputExtensionTable, IsTheFileNamesLastDotOn) {
    const ExtensionCase& c = GetParam();
    EXPECT_EQ(camdrift::outputExtension(c.outputPath), c.expected);
    const std::string temp = camdrift::makeTempPath(c.outputPath, 1);
    EXPECT_EQ(camdrift::outputExtension(temp), c.expected) << temp;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, OutputExtensionTable,
    ::testing::Values(
        ExtensionCase{"demo/sample-framed.avi", ".avi"},
        ExtensionCase{"/v/clip.final.mov", ".mov"},
        ExtensionCase{"D:\\clips\\final.mp4", ".mp4"},
        ExtensionCase{"out.MKV", ".MKV"},
        ExtensionCase{"/v/.hidden", ".hidden"},
        ExtensionCase{"/v/out.", "."},
        ExtensionCase{"out", ""},
        ExtensionCase{"/v/", ""},
        // A dot in a folder's name is no extension, whichever slash ends the folder.
        ExtensionCase{"/v.d/out", ""},
        ExtensionCase{"C:\\clips.v2\\out", ""},
        ExtensionCase{"a.b/c\\d", ""},
        ExtensionCase{"a\\b.c/d.webm", ".webm"}));

}  // namespace
