#include "app/command_line.h"

namespace camdrift {

Request requestOf(int argc, char** argv,
                  const std::function<bool(const std::string&)>& fileExists) {
    if (argc < 2) {
        return Request::Usage;
    }
    const std::string first = argv[1];
    const bool help = first == "--help" || first == "-h";
    const bool version = first == "--version";
    if ((help || version) && !fileExists(first)) {
        return help ? Request::Help : Request::Version;
    }
    return Request::Run;
}

std::string helpText() {
    return "Usage: camdrift JOBSCRIPT\n"
           "Renders a moving virtual camera over a video, as the job script says.\n"
           "\n"
           "The job script is UTF-8 text:\n"
           "  line 1  a title (ignored)\n"
           "  line 2  the source video\n"
           "  line 3  the output video\n"
           "  line 4  the muxer that copies the source's sound, /usr/bin/ffmpeg, or empty\n"
           "  line 5  the codec code: XVID, MJPG, FFV1, mp4v, avc1 ...\n"
           "  line 6  the transition time in seconds\n"
           "  line 7  the output width in pixels\n"
           "  line 8  the output height in pixels\n"
           "  then    a keyframe a line: label frame zoom centerX centerY transition\n"
           "\n"
           "Exit status: 0 complete; 1 nothing usable written; 2 video complete, sound\n"
           "not added; 130 interrupted.\n"
           "\n"
           "camdrift-preview JOBSCRIPT shows how a job will run. The README tells the\n"
           "rest: the transition codes, the traps of the format, many jobs at once.\n";
}

}  // namespace camdrift
