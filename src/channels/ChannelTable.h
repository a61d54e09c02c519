#pragma once

#include "MainWindowView.h"

#include <QString>

// The seven channels are keyed by their tab captions: "Open" when free, the
// remote call sign when busy. Lookups walk tabs 0 to 6 and return 7 for none.
namespace ChannelTable {
constexpr int kChannels = 7;
constexpr int kNone = 7;
inline const QString kOpen = QStringLiteral("Open");

bool isFree(const MainWindowView& view, int channel);
// First channel whose caption equals the call, ignoring case.
int channelOf(const MainWindowView& view, const QString& call);
// First channel that is free or already carries the call.
int channelForIncoming(const MainWindowView& view, const QString& call);
int firstFree(const MainWindowView& view);
} // namespace ChannelTable
