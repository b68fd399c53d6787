// The studio's HTTP API as one pure function from a request to its answer.
//
// Every request needs the session's token: in the X-Studio-Token header, or
// for GET of the page's own files the cookie that loading "/?token=..." sets
// (HttpOnly, SameSite=Strict). The API itself takes the header only, which a
// page from elsewhere can't send. Without it: 403.
//
//   GET  /                   the page (with ?token=...)
//   GET  /<file>             the page's embedded files; anything else 404
//   GET  /api/job            the script as on disk, the source's facts
//   GET  /api/frame?n=N[&maxWidth=W]   source frame N upright, JPEG
//   POST /api/view   {job, frame}      that frame's view and crop rectangle
//   POST /api/output {job, frame}      that frame as camdrift writes it, PNG
//   POST /api/track  {job}             view, crop and motion of every frame
//   POST /api/check  {job}             the preview's warnings, the script text
//   POST /api/save   {job}             writes the script; 409 when it would read differently
//   POST /api/render                   runs camdrift on the saved script
//   GET  /api/render                   its lines so far and how it ended
//   POST /api/render/cancel            SIGINT to the run
#pragma once

#include "studio/http_types.h"
#include "studio/studio_state.h"

namespace camdrift {

Response handle(const Request& request, StudioState& state);

}  // namespace camdrift
