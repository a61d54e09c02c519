#pragma once

#include <QRect>

// Every window as designed for a 640 x 480 screen (9600 x 7200 twips, 15
// twips a pixel), in twips. Page views are placed relative to their tab page.
namespace DesignedLayout {
constexpr int kTwipsPerPixel = 15;
constexpr int kScreenWidth = 9600;
constexpr int kScreenHeight = 7200;

// Main window, client area 9480 x 6795.
constexpr int kClientWidth = 9480;
constexpr int kClientHeight = 6795;
constexpr QRect kLabel6{120, 0, 1095, 255};
constexpr QRect kLabel2{1200, 0, 1095, 255};
constexpr QRect kLabel4{5040, 0, 4575, 255};
// Not in the design: where a plain line goes, in the free room beside Label2.
constexpr QRect kSendTarget{2400, 0, 2520, 255};
constexpr QRect kSendLine{120, 210, 9255, 315};
constexpr QRect kTabs{120, 600, 9345, 5175};
constexpr QRect kChannelView{120, 360, 9255, 4740};
constexpr QRect kTrafficView{120, 360, 9135, 4695};
constexpr QRect kLabel1{120, 5790, 975, 255};
constexpr QRect kBrowserDisplayBox{4320, 5780, 1815, 195};
constexpr QRect kConferenceBox{7080, 5780, 2175, 195};
constexpr QRect kAllTraffic{120, 6000, 9255, 735};
constexpr QRect kRetryButton{600, 1320, 2295, 495};
// The tab widget draws its own tab row; its pages start below it, so page
// controls lose the row's height that the designed top includes.
constexpr int kTabRowHeight = 300;

// Fonts in points.
constexpr float kSendLineFont = 9.75f;
constexpr float kViewFont = 9.0f;
constexpr float kControlFont = 8.25f;

// frmConnect "Connect To:", client area 1815 x 5565.
constexpr int kConnectWidth = 1815;
constexpr int kConnectHeight = 5565;
constexpr QRect kConnectList{120, 120, 1575, 5130};
constexpr QRect kConnectDone{480, 5280, 855, 255};

// frmDialog "Please Enter Data:", client area 4680 x 945.
constexpr int kDialogWidth = 4680;
constexpr int kDialogHeight = 945;
constexpr QRect kDialogText{120, 120, 4455, 285};
constexpr QRect kDialogDone{1680, 480, 1215, 375};
constexpr QRect kDialogBrowse{3360, 480, 975, 375};

// frmMonitor "Monitor Info" keeps its size.
constexpr int kMonitorWidth = 4680;
constexpr int kMonitorHeight = 3090;
} // namespace DesignedLayout
