#include "studio/job_json.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace camdrift {
namespace {

using nlohmann::json;

bool readString(const json& object, const char* name, std::string& out, std::string& error) {
    const auto it = object.find(name);
    if (it == object.end() || !it->is_string()) {
        error = std::string("\"") + name + "\" must be a string";
        return false;
    }
    out = it->get<std::string>();
    return true;
}

bool readInt(const json& object, const char* name, int32_t& out, std::string& error) {
    const auto it = object.find(name);
    if (it != object.end() && it->is_number_integer()) {
        // Unsigned and signed JSON integers alike must fit the script's %i.
        if (it->is_number_unsigned()) {
            const uint64_t value = it->get<uint64_t>();
            if (value <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) {
                out = static_cast<int32_t>(value);
                return true;
            }
        } else {
            const int64_t value = it->get<int64_t>();
            if (value >= std::numeric_limits<int32_t>::min() &&
                value <= std::numeric_limits<int32_t>::max()) {
                out = static_cast<int32_t>(value);
                return true;
            }
        }
    }
    error = std::string("\"") + name + "\" must be an integer from -2147483648 to 2147483647";
    return false;
}

bool readKeyframe(const json& item, StudioKeyframe& k, std::string& error) {
    if (!item.is_object()) {
        error = "every keyframe must be an object";
        return false;
    }
    return readString(item, "label", k.label, error) &&
           readInt(item, "frame", k.values.frame, error) &&
           readInt(item, "zoom", k.values.zoom, error) &&
           readInt(item, "centerX", k.values.centerX, error) &&
           readInt(item, "centerY", k.values.centerY, error) &&
           readInt(item, "transition", k.values.transition, error);
}

}  // namespace

json jobToJson(const StudioJob& job) {
    json keyframes = json::array();
    for (const StudioKeyframe& k : job.keyframes) {
        keyframes.push_back({{"label", k.label},
                             {"frame", k.values.frame},
                             {"zoom", k.values.zoom},
                             {"centerX", k.values.centerX},
                             {"centerY", k.values.centerY},
                             {"transition", k.values.transition}});
    }
    // A transition time that is no number (a script saying "nan") has no
    // JSON form: the page gets null and asks for one.
    json transition = std::isfinite(job.transitionSeconds) ? json(job.transitionSeconds)
                                                           : json(nullptr);
    return {{"output", job.output}, {"muxer", job.muxer},   {"codec", job.codec},
            {"transitionSeconds", transition}, {"width", job.width}, {"height", job.height},
            {"keyframes", keyframes}};
}

std::optional<StudioJob> jobFromJson(const json& value, const StudioJob& session,
                                     std::string& error) {
    if (!value.is_object()) {
        error = "the job must be an object";
        return std::nullopt;
    }
    StudioJob job;
    job.title = session.title;
    job.source = session.source;
    const auto source = value.find("source");
    if (source != value.end() && (!source->is_string() || *source != session.source)) {
        error = "the source is fixed by the job script and can't change here";
        return std::nullopt;
    }
    if (!readString(value, "output", job.output, error) ||
        !readString(value, "muxer", job.muxer, error) ||
        !readString(value, "codec", job.codec, error) ||
        !readInt(value, "width", job.width, error) ||
        !readInt(value, "height", job.height, error)) {
        return std::nullopt;
    }
    const auto transition = value.find("transitionSeconds");
    if (transition == value.end() || !transition->is_number() ||
        !std::isfinite(transition->get<double>())) {
        error = "\"transitionSeconds\" must be a number of seconds";
        return std::nullopt;
    }
    job.transitionSeconds = transition->get<double>();
    const auto keyframes = value.find("keyframes");
    if (keyframes == value.end() || !keyframes->is_array()) {
        error = "\"keyframes\" must be an array";
        return std::nullopt;
    }
    for (const json& item : *keyframes) {
        StudioKeyframe k;
        if (!readKeyframe(item, k, error)) return std::nullopt;
        job.keyframes.push_back(std::move(k));
    }
    return job;
}

}  // namespace camdrift
