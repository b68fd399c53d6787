# Writes a C++ file holding the page's files as byte arrays and a table of
# their URL paths, so the studio ships as one executable and serves no file
# from disk. Run as:
#   cmake -DASSET_DIR=... -DASSETS=a.js,b.css,... -DOUTPUT=... -P EmbedWebAssets.cmake
# with the files' names in ASSET_DIR, separated by commas.
string(REPLACE "," ";" assets "${ASSETS}")
list(SORT assets)

set(arrays "")
set(table "")
set(index 0)
foreach(name IN LISTS assets)
  get_filename_component(extension "${name}" LAST_EXT)
  if(extension STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(extension STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(extension STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(extension STREQUAL ".svg")
    set(type "image/svg+xml")
  elseif(extension STREQUAL ".png")
    set(type "image/png")
  else()
    message(FATAL_ERROR "web asset ${name}: no content type for '${extension}'")
  endif()
  file(READ "${ASSET_DIR}/${name}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "const unsigned char kAsset${index}[] = {${bytes}0};\n")
  set(path "/${name}")
  if(name STREQUAL "index.html")
    set(path "/")
  endif()
  string(APPEND table "    {\"${path}\", \"${type}\", {reinterpret_cast<const char*>(kAsset${index}), ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()

set(content "// Generated from web/studio/ by cmake/EmbedWebAssets.cmake; do not edit.
#include \"studio/web_assets.h\"

namespace camdrift {
namespace {

${arrays}
const WebAsset kAssets[] = {
${table}};

}  // namespace

const WebAsset* findWebAsset(std::string_view path) {
    for (const WebAsset& asset : kAssets) {
        if (asset.path == path) return &asset;
    }
    return nullptr;
}

}  // namespace camdrift
")
# Rewritten only when it changed, so an unchanged page rebuilds nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
