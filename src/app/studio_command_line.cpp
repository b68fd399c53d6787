#include "app/studio_command_line.h"

namespace camdrift {
namespace {

constexpr long kHighestPort = 65535;

StudioArguments wrong(const std::string& problem) {
    StudioArguments arguments;
    arguments.problem = problem;
    return arguments;
}

bool parsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5) return false;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > kHighestPort) return false;
    port = static_cast<int>(value);
    return true;
}

}  // namespace

StudioArguments parseStudioArguments(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        return StudioArguments{StudioArguments::Kind::Help, "", "", 0, ""};
    }
    if (args.size() == 1 && args[0] == "--version") {
        return StudioArguments{StudioArguments::Kind::Version, "", "", 0, ""};
    }
    StudioArguments result;
    bool haveSource = false;
    bool havePort = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--source" || arg == "--port") {
            if (i + 1 >= args.size()) return wrong(arg + " needs a value");
            const std::string& value = args[++i];
            if (arg == "--source") {
                if (haveSource || value.empty()) return wrong("--source needs one video");
                result.sourcePath = value;
                haveSource = true;
            } else {
                if (havePort || !parsePort(value, result.port)) {
                    return wrong("--port needs a port number from 0 to 65535");
                }
                havePort = true;
            }
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            return wrong("unknown option " + arg);
        } else if (result.scriptPath.empty() && !arg.empty()) {
            result.scriptPath = arg;
        } else {
            return wrong("one job script only");
        }
    }
    if (result.scriptPath.empty()) return wrong("no job script given");
    result.kind = haveSource ? StudioArguments::Kind::Create : StudioArguments::Kind::Open;
    return result;
}

std::string studioHelpText() {
    return "Usage: camdrift-studio JOBSCRIPT [--port N]\n"
           "       camdrift-studio JOBSCRIPT --source VIDEO [--port N]\n"
           "Sets a camdrift job's camera in a browser, on the video's real frames.\n"
           "\n"
           "The first form opens an existing job script; the second makes a new one for\n"
           "VIDEO (never over an existing file): output <name>-framed.mp4 beside it, codec\n"
           "avc1, the sound copied by /usr/bin/ffmpeg, transition 1 s, the video's size.\n"
           "\n"
           "It prints the address to open, http://127.0.0.1:PORT/?token=..., and serves\n"
           "this machine only; PORT is any free one unless --port names it. The page saves\n"
           "the script in the format camdrift reads and renders it with camdrift. Ctrl+C\n"
           "stops the studio (and a render it started).\n";
}

}  // namespace camdrift
