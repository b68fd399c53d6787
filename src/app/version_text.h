// The line each tool prints for --version.
#pragma once

#include <string>

namespace camdrift {

// "TOOL VERSION\n": one version, the project's, for every tool of the build.
std::string versionText(const std::string& tool);

}  // namespace camdrift
