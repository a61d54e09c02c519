#include "StationTexts.h"

void StationTexts::append(TextView view, const QString& text) {
    if (!isBounded(view)) {
        m_follower->appended(view, text);
        return;
    }
    const QString cut = boundedText(view).append(text);
    const bool mirrored = view == TextView::AllTraffic;
    m_follower->appended(view, text);
    if (mirrored)
        m_follower->appended(TextView::AllTrafficMirror, text);
    if (cut.isEmpty())
        return;
    m_follower->cutFront(view, cut);
    if (mirrored)
        m_follower->cutFront(TextView::AllTrafficMirror, cut);
}

void StationTexts::appendOwn(TextView view, const QString& text) {
    if (isBounded(view))
        append(view, text);
    else
        m_follower->appendedOwn(view, text);
}

const BoundedText& StationTexts::bounded(TextView view) const {
    return const_cast<StationTexts*>(this)->boundedText(view);
}

BoundedText& StationTexts::boundedText(TextView view) {
    switch (view) {
    case TextView::DX:
        return m_dx;
    case TextView::WX:
        return m_wx;
    case TextView::Data:
        return m_data;
    default:
        return m_allTraffic;
    }
}
