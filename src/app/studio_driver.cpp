#include "app/studio_driver.h"

#include <clocale>
#include <cstdlib>
#include <optional>

#include "app/studio_command_line.h"
#include "app/version_text.h"
#include "platform/platform.h"
#include "script/job_script_reader.h"
#include "studio/access_token.h"
#include "studio/http_shell.h"
#include "studio/new_job.h"
#include "studio/studio_handlers.h"
#include "studio/studio_job.h"
#include "video/opencv_video_io_loader.h"
#include "video/video_io_choice.h"
#include "video/video_library_quiet.h"

namespace camdrift {
namespace {

constexpr int kExitStopped = 0;
constexpr int kExitUnusable = 1;
constexpr int kExitWrongArguments = 2;

struct Opened {
    std::string sourcePath;
    std::unique_ptr<FramesByNumber> frames;
};

std::optional<Opened> openSession(const StudioArguments& arguments, const std::string& point,
                                  VideoIo io, platform::Console& console) {
    Opened opened;
    if (arguments.kind == StudioArguments::Kind::Create) {
        if (platform::fileExists(arguments.scriptPath)) {
            console.print("error: %s exists; a new job script is never written over a file\n",
                          arguments.scriptPath.c_str());
            return std::nullopt;
        }
        // Absolute, so the script works wherever camdrift is started from.
        opened.sourcePath = platform::absolutePath(arguments.sourcePath);
    } else {
        const std::optional<std::u16string> text = readJobScriptText(arguments.scriptPath);
        if (!text) {
            console.print("error: can't read the job script %s\n", arguments.scriptPath.c_str());
            return std::nullopt;
        }
        opened.sourcePath = jobFromText(*text, point).source;
    }
    opened.frames = openFramesByNumber(opened.sourcePath, io, loadOpenCvVideoIo);
    if (!opened.frames || opened.frames->info().frameCount <= 0) {
        console.print("error: line 2: can't open the source video \"%s\"\n",
                      opened.sourcePath.c_str());
        return std::nullopt;
    }
    if (arguments.kind == StudioArguments::Kind::Create) {
        const SourceInfo info = opened.frames->info();
        const StudioJob job = newStudioJob(opened.sourcePath, info.width, info.height,
                                           platform::isExecutableFile(kDefaultMuxer));
        if (!platform::createNewFile(arguments.scriptPath, scriptText(job, point))) {
            console.print("error: can't create the job script %s\n", arguments.scriptPath.c_str());
            return std::nullopt;
        }
    }
    return opened;
}

int serve(const StudioArguments& arguments, const std::string& point,
          platform::Console& console) {
    VideoLibraryQuiet quiet;
    // The run's choice of reader and writer, and OpenCV's from camdrift's
    // module (found as a run finds it), loaded only where a run would load it.
    const VideoIo io = videoIoFor(std::getenv("CAMDRIFT_VIDEO_IO"));
    std::optional<Opened> opened = openSession(arguments, point, io, console);
    if (!opened) return kExitUnusable;
    HttpShell shell;
    const int port = shell.bindLoopback(arguments.port);
    if (port <= 0) {
        console.print("error: can't listen on 127.0.0.1 port %d\n", arguments.port);
        return kExitUnusable;
    }
    StudioSession session{arguments.scriptPath, opened->sourcePath, point, newAccessToken(), port,
                          newAccessToken()};
    if (session.token.empty() || session.pageKey.empty()) {
        console.print("error: the system's random source failed\n");
        return kExitUnusable;
    }
    if (platform::interruptRequested()) return kExitStopped;
    StudioState state(session, std::move(opened->frames),
                      platform::executableFolder() + "/camdrift", io, loadOpenCvVideoIo);
    console.print("http://127.0.0.1:%d/?token=%s\n", port, session.token.c_str());
    console.flush();
    // A render running at the stop is interrupted first, so its output
    // closes as a playable file.
    shell.serve([&state](const Request& request) { return handle(request, state); },
                [&state] { state.render.cancel(); });
    state.render.stop();
    return kExitStopped;
}

}  // namespace

int runStudio(int argc, char** argv) {
    platform::Console console(stdout);
    std::setlocale(LC_ALL, "");
    const std::string point = std::localeconv()->decimal_point;
    const StudioArguments arguments =
        parseStudioArguments(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    int status = kExitStopped;
    switch (arguments.kind) {
        case StudioArguments::Kind::Help:
            console.write(studioHelpText());
            break;
        case StudioArguments::Kind::Version:
            console.write(versionText("camdrift-studio"));
            break;
        case StudioArguments::Kind::Wrong:
            console.print("error: %s\n%s", arguments.problem.c_str(), studioHelpText().c_str());
            status = kExitWrongArguments;
            break;
        case StudioArguments::Kind::Open:
        case StudioArguments::Kind::Create:
            // From here on Ctrl+C and SIGTERM are noted, not fatal: one that
            // comes as soon as the address is printed still stops cleanly.
            platform::installInterruptHandlers();
            status = serve(arguments, point, console);
            break;
    }
    console.flush();
    return status;
}

}  // namespace camdrift
