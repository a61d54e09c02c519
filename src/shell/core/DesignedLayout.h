#pragma once

#include <QRect>

// The main window as designed for a 640 x 480 screen, in twips (15 per pixel
// there). Page views are placed relative to their tab page.
namespace DesignedLayout {
constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidth = 9480;
constexpr int kClientHeight = 6795;

constexpr QRect kLabel6{120, 0, 1095, 255};
constexpr QRect kLabel2{1200, 0, 1095, 255};
constexpr QRect kLabel4{5040, 0, 4575, 255};
constexpr QRect kSendLine{120, 210, 9255, 315};
constexpr QRect kTabs{120, 600, 9345, 5175};
constexpr QRect kChannelView{120, 360, 9255, 4740};
constexpr QRect kTrafficView{120, 360, 9135, 4695};
constexpr QRect kLabel1{120, 5790, 975, 255};
constexpr QRect kBrowserDisplayBox{4320, 5780, 1815, 195};
constexpr QRect kConferenceBox{7080, 5780, 2175, 195};
constexpr QRect kAllTraffic{120, 6000, 9255, 735};
constexpr QRect kRetryButton{600, 1320, 2295, 495};

// The tab widget draws its own tab row; pages start below it, so page
// controls lose the row's height that the designed top includes.
constexpr int kDesignedTabRowHeight = 300;
} // namespace DesignedLayout
