// A studio session over a generated clip, answered without a socket: what
// the handlers' tests share.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "studio/http_types.h"
#include "studio/studio_state.h"
#include "test_support.h"

namespace testing_support {

constexpr const char* kStudioToken =
    "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
constexpr const char* kStudioPageKey =
    "ffeeddccbbaa99887766554433221100ffeeddccbbaa99887766554433221100";

// A pattern clip (FFV1) and a job script naming it, opened as the studio
// opens them, with kStudioToken, kStudioPageKey and port 5555.
class StudioSessionFixture {
public:
    StudioSessionFixture(int width, int height, int frames,
                         const std::vector<std::string>& keyframeLines = {});

    camdrift::StudioState& state() { return *state_; }
    const std::string& scriptPath() const { return scriptPath_; }
    const std::string& sourcePath() const { return sourcePath_; }
    const ScratchDir& dir() const { return dir_; }

    camdrift::Response get(const std::string& path,
                           const std::map<std::string, std::string>& query = {});
    camdrift::Response post(const std::string& path, const std::string& body);
    camdrift::Response post(const std::string& path, const nlohmann::json& body);

    // The script's job as the page would send it.
    nlohmann::json jobJson();

private:
    ScratchDir dir_;
    std::string sourcePath_;
    std::string scriptPath_;
    std::unique_ptr<camdrift::StudioState> state_;
};

camdrift::Request tokenRequest(const std::string& method, const std::string& path);

}  // namespace testing_support
