#include "video_sources.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

#include "test_support.h"
#include "video_fixtures.h"

namespace testing_support {

namespace {

// Each source is made on first use into a folder of the build tree that
// later test processes reuse (ctest runs every test in its own process):
// made under a temporary name and renamed, so parallel tests never see half
// a file.
class Sources {
public:
    static Sources& get() {
        static Sources sources;
        return sources;
    }
    // The source's path, made if needed; empty when ffmpeg can't make it.
    std::string path(const std::string& name) {
        const std::string file = dir_ + "/" + name;
        if (exists(file)) {
            return file;
        }
        const auto recipe = recipes_.find(name);
        if (recipe == recipes_.end()) {
            return "";
        }
        const std::string partial = dir_ + "/" + std::to_string(getpid()) + "-" + name;
        if (!recipe->second(partial) || std::rename(partial.c_str(), file.c_str()) != 0) {
            std::remove(partial.c_str());
            return "";
        }
        return file;
    }

private:
    using Recipe = std::function<bool(const std::string& out)>;

    Sources() : dir_(std::string(CAMDRIFT_TEST_CACHE_DIR) + "/video-sources-v1") {
        std::filesystem::create_directories(dir_);
        const std::string src = "-f lavfi -i testsrc2=size=96x64:rate=25 -frames:v 24 ";
        const auto encode = [](const std::string& args) {
            return [args](const std::string& out) { return ffmpeg(args + " -f " + formatOf(out) + " '" + out + "'"); };
        };
        recipes_["mpeg4_xvid.avi"] = encode(src + "-c:v mpeg4 -vtag XVID -g 12");
        recipes_["mpeg4_bframes.avi"] = encode(src + "-c:v mpeg4 -vtag XVID -g 12 -bf 2");
        recipes_["h264_bframes.mp4"] = encode(src + "-c:v libx264 -bf 3 -g 12 -pix_fmt yuv420p");
        recipes_["mpeg4_bframes.mp4"] = encode(src + "-c:v mpeg4 -g 12 -bf 2");
        recipes_["h264_coded_larger.mp4"] =
            encode("-f lavfi -i testsrc2=size=100x58:rate=30000/1001 -frames:v 15 -c:v libx264 "
                   "-bf 2 -pix_fmt yuv420p");
        recipes_["mjpeg.avi"] = encode(src + "-c:v mjpeg -pix_fmt yuvj420p -q:v 3");
        // Odd sizes need the scale filter: ffmpeg rounds 4:2:x sizes down to even.
        recipes_["ffv1_odd_height.mkv"] = encode(
            "-f lavfi -i 'testsrc2=size=96x64:rate=24,scale=95:63,format=yuv420p' -frames:v 12 "
            "-c:v ffv1");
        recipes_["ffv1_422_odd_width.avi"] = encode(
            "-f lavfi -i 'testsrc2=size=96x64:rate=25,scale=97:64,format=yuv422p' -frames:v 12 "
            "-c:v ffv1");
        recipes_["ffv1_444.mkv"] =
            encode("-f lavfi -i 'testsrc2=size=95x63:rate=25,format=yuv444p' -frames:v 6 -c:v ffv1");
        recipes_["hevc_10bit.mkv"] = [src](const std::string& out) {
            return hasEncoder("libx265") &&
                   ffmpeg(src + "-c:v libx265 -pix_fmt yuv420p10le -x265-params log-level=none -f "
                                "matroska '" + out + "'");
        };
        for (const std::string angle : {"90", "180", "270"}) {
            recipes_["rotated_" + angle + ".mp4"] = [this, angle](const std::string& out) {
                return ffmpeg("-i '" + path("h264_bframes.mp4") +
                              "' -c copy -metadata:s:v:0 rotate=" + angle + " -f mp4 '" + out + "'");
            };
        }
        recipes_["mjpeg_rotated_90.mov"] = [this](const std::string& out) {
            return ffmpeg("-i '" + path("mjpeg.avi") + "' -c copy -metadata:s:v:0 rotate=90 -f mov '" +
                          out + "'");
        };
        recipes_["phone_90_aac.mp4"] = [this](const std::string& out) {
            const std::string plain = out + ".plain.mp4";
            const bool made =
                ffmpeg("-f lavfi -i testsrc2=size=128x72:rate=30 -f lavfi -i "
                       "sine=frequency=440:sample_rate=44100 -frames:v 20 -t 0.667 -c:v libx264 "
                       "-bf 2 -pix_fmt yuv420p -c:a aac -f mp4 '" + plain + "'") &&
                ffmpeg("-i '" + plain + "' -c copy -metadata:s:v:0 rotate=90 -f mp4 '" + out + "'");
            std::remove(plain.c_str());
            return made;
        };
        recipes_["one_frame.mp4"] =
            encode("-f lavfi -i testsrc2=size=96x64:rate=25 -frames:v 1 -c:v libx264");
        // Containers whose headers claim more or fewer frames than they hold.
        for (const auto& [name, count] : {std::pair<std::string, uint32_t>{"claims_more.avi", 40},
                                          std::pair<std::string, uint32_t>{"claims_fewer.avi", 9}}) {
            const uint32_t claimed = count;
            recipes_[name] = [src, claimed](const std::string& out) {
                return ffmpeg(src + "-c:v mpeg4 -vtag XVID -f avi '" + out + "'") &&
                       setAviFrameCount(out, claimed);
            };
        }
        // Files cut short: the AVI loses its index and last frames, the MP4
        // (index first) keeps claiming all 24 frames.
        recipes_["truncated.avi"] = [src](const std::string& out) {
            return ffmpeg(src + "-c:v mpeg4 -vtag XVID -f avi '" + out + "'") && cutToFraction(out, 0.6);
        };
        recipes_["truncated.mp4"] = [src](const std::string& out) {
            return ffmpeg(src + "-c:v libx264 -bf 3 -movflags +faststart -f mp4 '" + out + "'") &&
                   cutToFraction(out, 0.6);
        };
    }
    static std::string formatOf(const std::string& out) {
        const std::string ext = out.substr(out.rfind('.') + 1);
        return ext == "mkv" ? "matroska" : ext;
    }
    static bool cutToFraction(const std::string& file, double fraction) {
        const size_t size = readFile(file).size();
        truncateFile(file, static_cast<size_t>(static_cast<double>(size) * fraction));
        return true;
    }
    std::string dir_;
    std::map<std::string, Recipe> recipes_;
};

}  // namespace

std::string testSource(const std::string& name) {
    return Sources::get().path(name);
}

}  // namespace testing_support
