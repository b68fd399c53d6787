#include "app/version_text.h"

namespace camdrift {

std::string versionText(const std::string& tool) {
    return tool + " " CAMDRIFT_VERSION "\n";
}

}  // namespace camdrift
