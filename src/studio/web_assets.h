// The page's files, embedded at build time from web/studio/: the server
// answers only for these names, so no path from a request ever reaches the
// file system.
#pragma once

#include <cstddef>
#include <string_view>

namespace camdrift {

struct WebAsset {
    std::string_view path;         // "/app.js"; "/" is index.html
    std::string_view contentType;  // with charset for text
    std::string_view bytes;
};

// Nothing for any name outside the embedded table.
const WebAsset* findWebAsset(std::string_view path);

}  // namespace camdrift
