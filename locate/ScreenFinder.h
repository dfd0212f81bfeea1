#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <optional>

// The screen in a photo of the monitor: its picture, lit from behind, is
// brighter than the matte frame round it even where it shows black.
namespace ScreenFinder {

// The four corners of the bright quadrilateral of the screen in a grey
// picture, clockwise from the top left as the picture shows it, in
// continuous pixels (pixel c covers [c, c + 1)); the largest such region
// covering at least `smallest` of the picture and clear of its border;
// nullopt when none stands out.
std::optional<std::array<cv::Point2d, 4>> Corners(const cv::Mat &grey, double smallest);

} // namespace ScreenFinder
