#pragma once

// What the frame view draws for a byte at the port's settings.

#include "app/line/LineTraffic.h"
#include "app/widgets/FrameView.h"

namespace tavrin {

FrameView::Drawing DrawingOf(unsigned char byte, const LineSettings& settings);

} // namespace tavrin
