// The current view in percent of the source frame; (100, 50, 50) is the whole frame.
#pragma once

namespace camdrift {

struct ViewState {
    double zoom = 100.0;
    double centerX = 50.0;
    double centerY = 50.0;
};

}  // namespace camdrift
