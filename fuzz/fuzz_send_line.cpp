// The send line and the commands that reach it from links in received pages.
// Input: a flags byte (bit 0 conference, bit 1 engine lost, bit 2 "move to front"), the
// seven tab captions and the selected call (see fuzzCaption), a byte choosing the last
// speaker, the answer to every question (a text), then actions: a byte choosing how the
// text that follows is entered, and the text (UTF-8; see FuzzReader).

#include "ConnectList.h"
#include "FuzzStation.h"

namespace {

enum Action { Enter, Typed, KeepAlive, LinkClicked, ActionCount };

constexpr qsizetype kMaxTyped = 300; // typing re-reads the whole line at every key

bool knownKind(int kind) {
    return kind == Kind::ConnectRequest || kind == Kind::ConnectCompanion ||
           kind == Kind::Disconnect || kind == Kind::ConnectedData || kind == Kind::Unproto;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzEnv::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzReader in(data, size);
    FuzzStation h;
    const quint8 flags = in.byte();
    h.state.conference = flags & 1;
    h.state.engineLost = flags & 2;
    h.state.moveToFront = flags & 4;
    h.view.shown = true;
    for (int tab = 0; tab < ChannelTable::kChannels; ++tab)
        h.state.channels.assign(tab, fuzzCaption(in));
    h.state.selectedCall = fuzzCaption(in);
    switch (in.byte() % 3) {
    case 0:
        break;
    case 1:
        h.state.lastSpeaker = h.state.callSign;
        break;
    default:
        h.state.lastSpeaker = QStringLiteral("N0BBB");
        break;
    }
    const QString answer = QString::fromUtf8(in.text(64));
    for (int i = 0; i < 8; ++i) {
        h.prompts.answers.push_back(answer);
        h.prompts.picks.push_back(answer);
    }

    Station& station = h.make();
    while (!in.atEnd()) {
        const int action = in.byte() % ActionCount;
        const QString line = QString::fromUtf8(in.text());
        const qsizetype sentBefore = h.engine.sent.size();
        switch (action) {
        case Enter:
            h.view.sendLine = line;
            station.sendLine().onEnter();
            break;
        case Typed:
            h.view.sendLine.clear();
            for (const QChar c : line.left(kMaxTyped)) {
                h.view.sendLine += c;
                station.sendLine().onTextChanged();
            }
            station.sendLine().onEnter();
            break;
        case KeepAlive:
            station.sendLine().sendKeepAlive();
            FUZZ_CHECK(h.state.idleTicks == 0);
            break;
        case LinkClicked:
            station.onLinkClicked(int(line.size() % ChannelTable::kChannels), line);
            break;
        }
        if (action == Enter || action == Typed) {
            if (h.state.engineLost) {
                FUZZ_CHECK(h.engine.sent.size() == sentBefore);
                FUZZ_CHECK(h.beeper.count > 0);
            } else {
                FUZZ_CHECK(h.view.sendLine.isEmpty());
            }
        }
    }

    for (const RecordingEngine::Sent& s : h.engine.sent) {
        FUZZ_CHECK(knownKind(s.kind));
        FUZZ_CHECK(s.length == s.data.size());
    }
    ConnectList::read(ConnectList::path(h.state.programDir));
    return 0;
}
