#pragma once

// Runs a station over the in-process fakes from a script of steps separated by "; ", and renders
// everything an operator or a peer could observe as text, so one table row states a whole
// exchange: frames in; views, tabs, page files, prompts and frames on the air out.
// In step arguments and in the rendering, \r \n \0 stand for CR, LF and NUL.

#include "ConnectList.h"
#include "PageFiles.h"
#include "StationHarness.h"

#include <QDir>
#include <QRegularExpression>

#include <functional>
#include <map>

using namespace Qt::Literals::StringLiterals;

inline QString escaped(QString s) {
    return s.replace(u'\r', "\\r"_L1).replace(u'\n', "\\n"_L1).replace(QChar(0), "\\0"_L1);
}

inline QByteArray unescaped(const QString& s) {
    QByteArray out = s.toLatin1();
    // {N*c} is N times c.
    static const QRegularExpression repeat(u"\\{(\\d+)\\*(.)\\}"_s);
    for (auto m = repeat.match(s); m.hasMatch(); m = repeat.match(QString::fromLatin1(out)))
        out.replace(m.capturedStart(), m.capturedLength(),
                    QByteArray(m.captured(1).toInt(), m.captured(2).at(0).toLatin1()));
    return out.replace("\\r", "\r")
        .replace("\\n", "\n")
        .replace("\\s", " ")
        .replace("\\0", QByteArray(1, '\0'));
}

struct Transcript : StationHarness {
    // The program folder sits one below a scratch folder, so an escape has somewhere to land.
    Transcript() {
        QDir(programDir.path()).mkdir(u"prog"_s);
        QDir::setCurrent(root());
    }
    QString root() const { return programDir.filePath(u"prog"_s); }

    // Steps: start | boot (without a stored call) | general CALL | sendfile [DATA] |
    // assign N CALL | ports N... | set conf|speaker|selected|idle|call|port VALUE | rx K CALL DATA
    // | tick [N] | type TEXT | edit TEXT | conf 0|1 | file PATH DATA | link N TARGET | answer TEXT
    // | symlink NAME TARGET | block NAME | tab N | browser | opt KEY VALUE | skipped N |
    // monitor (shown) | keepalive | wait SECONDS | show RE... (render only the lines that start so:
    // what the row is about)
    void run(const QString& script) {
        for (const QString& line : script.split("; "_L1, Qt::SkipEmptyParts))
            step(line);
    }

    void step(const QString& line) {
        const QString op = line.section(u' ', 0, 0);
        const QString a = line.section(u' ', 1, 1);
        const QString rest = line.section(u' ', 2);
        const QString all = line.section(u' ', 1);
        const auto text = [&] { return QString::fromLatin1(unescaped(all)); };
        Station& s = station();
        const std::map<QString, std::function<void()>> steps{
            {"start", [&] { start(); }},
            {"boot", [&] { startUp(); }},
            {"general", [&] { store.setValue(SettingsStore::kGeneralCallSign, a); }},
            {"sendfile",
             [&] { line.contains(u' ') && offerFile(unescaped(all)), s.onSendFileMenu(); }},
            {"assign",
             [&] {
                 s.channels().assign(a.toInt(), rest, {state.radioPort, {}});
             }},
            {"ports",
             [&] { // the engine's radio ports, by number
                 engine.enginePorts.emplace();
                 for (const QString& n : all.split(u' '))
                     engine.enginePorts->append({quint8(n.toInt()), u"radio "_s + n});
             }},
            {"set",
             [&] {
                 const std::map<QString, std::function<void()>> fields{
                     {"conf", [&] { state.conference = rest.toInt(); }},
                     {"speaker", [&] { state.conferenceTurn.take(rest); }},
                     {"selected", [&] { state.selectedCall = rest; }},
                     {"idle",
                      [&] {
                          state.idle.activity();
                          for (int i = 0; i < rest.toInt(); ++i)
                              state.idle.tick();
                      }},
                     {"call", [&] { state.callSign = rest; }},
                     {"port", [&] { state.radioPort = quint8(rest.toInt()); }}};
                 fields.at(a)();
             }},
            {"rx",
             [&] { // rx KIND[/PORT] SENDER DATA
                 engine.queue(a.at(0).toLatin1(), unescaped(rest.section(u' ', 0, 0)),
                              unescaped(rest.section(u' ', 1)), a.section(u'/', 1).toInt());
             }},
            {"tick",
             [&] {
                 for (int i = 0, n = a.isEmpty() ? 1 : a.toInt(); i < n; ++i)
                     s.tick();
             }},
            {"wait", [&] { clock.when = clock.when.addSecs(a.toInt()); }},
            {"type", [&] { view.sendLine = text(), s.onSendLineEnter(); }},
            {"edit", [&] { view.sendLine = text(), s.onSendLineChanged(); }},
            {"file",
             [&] {
                 const QString path = QDir(root()).filePath(a);
                 QDir().mkpath(QFileInfo(path).path());
                 writeFileBytes(path, unescaped(rest));
             }},
            {"link", [&] { s.onLinkClicked(a.toInt(), rest); }},
            {"answer", [&] { prompts.answers.push_back(text()); }},
            {"symlink",
             [&] { // in place of whatever has the name
                 QFile::remove(QDir(root()).filePath(a)),
                     QFile::link(rest, QDir(root()).filePath(a));
             }},
            {"block", [&] { QFile::remove(a), QDir(root()).mkdir(a); }}, // a full disk, as good
            {"tab", [&] { s.selectTab(a.toInt()); }},
            {"browser",
             [&] { // the box as the click left it
                 view.browserDisplayChecked = !view.browserDisplayChecked;
                 s.onBrowserDisplayClicked();
             }},
            {"conf", [&] { s.onConferenceClicked(a.toInt()); }},
            {"opt", [&] { store.setValue(a, rest); }},
            {"skipped", [&] { engine.skipped = a.toULongLong(); }},
            {"monitor", [&] { view.monitorVisible = true; }},
            {"keepalive", [&] { s.sendLine().sendKeepAlive(); }},
            {"show", [&] { shown.setPattern(u"^(?:%1)"_s.arg(all.split(u' ').join(u'|'))); }},
        };
        const auto it = steps.find(op);
        if (it == steps.end())
            qFatal("unknown step: %s", qPrintable(line));
        it->second();
    }

    QRegularExpression shown{u"^"_s};

    // What changed from a station at rest; home pages and empty views are left out. A run of
    // equal lines shows once, with its count.
    QString render() const {
        QStringList out;
        // The tabs and who is selected, each part only where it differs from a station at rest.
        QString tabs;
        for (int n = 0; n < 7; ++n)
            if (view.captions[n] != "Open"_L1)
                tabs += u" %1=%2"_s.arg(n).arg(view.captions[n]);
        for (const auto& [name, value, rest] :
             {std::tuple{"front", QString::number(view.current), "0"},
              {"label", view.label2, "Open"},
              {"selected", state.selectedCall, ""},
              {"speaker", state.conferenceTurn.speaker(), ""},
              {"idle", QString::number(double(state.idle.ticks())), "0"}})
            if (value != QLatin1String(rest))
                tabs += u" %1=%2"_s.arg(QLatin1String(name), value);
        out << u"tabs"_s + tabs;
        for (int n = 0; n < 7; ++n)
            if (view.links[n] != view.captions[n] && !view.links[n].isEmpty())
                out << u"link %1: %2"_s.arg(n).arg(view.links[n]);
        if (engine.registrations != QList<QByteArray>{"N0ME"} &&
            !(engine.registrations.isEmpty() && engine.closes == 0))
            out << u"registered: %1 closes=%2"_s
                       .arg(QString::fromLatin1(engine.registrations.join(',')))
                       .arg(engine.closes);
        if (store.contains(SettingsStore::kCallSign) &&
            store.value(SettingsStore::kCallSign) != "N0ME"_L1)
            out << u"stored call: "_s + store.value(SettingsStore::kCallSign);
        for (const auto& q : prompts.inputs)
            out << u"asked: %1 [%2]"_s.arg(q.prompt, q.defaultAnswer);
        QString counts, unseen;
        for (const auto& [name, n] : {std::pair{"beeps", beeper.count},
                                      {"restored", view.restoreCount},
                                      {"raised", view.bringToFrontCount}})
            counts += n ? u" %1=%2"_s.arg(QLatin1String(name)).arg(n) : QString();
        for (int n = 0; n < 8; ++n)
            unseen += view.markers[n] ? u" %1"_s.arg(n) : QString();
        out << counts.mid(1) << u"unseen"_s + unseen;
        for (const auto& f : engine.sent)
            out << u"> %1 %2@%3 %4"_s.arg(QChar(f.kind))
                       .arg(QString::fromLatin1(f.destination))
                       .arg(f.port)
                       .arg(escaped(QString::fromLatin1(f.data)));
        static const char* const names[] = {"ch0",  "ch1",   "ch2", "ch3", "ch4", "ch5",  "ch6",
                                            "conf", "strip", "trf", "dx",  "wx",  "data", nullptr};
        for (int v = 0; names[v]; ++v) {
            const QString text = view.text(TextView(v));
            if (!text.isEmpty() && !(TextView(v) == TextView::AllTrafficMirror &&
                                     text == view.text(TextView::AllTraffic)))
                out << u"%1: %2"_s.arg(QLatin1String(names[v]), escaped(text));
        }
        QString panes, loads;
        for (int n = 0; n < 7; ++n) {
            const QByteArray page = readFileBytes(PageFiles::path(root(), n));
            if (page != "<missing>" && !page.contains("Packet Web Browser"))
                out << u"page%1: %2"_s.arg(n).arg(escaped(QString::fromLatin1(page)));
            if (view.browserVisible[n] || state.channels.paneShown(n))
                panes += u" %1:%2%3"_s.arg(n)
                             .arg(view.browserVisible[n])
                             .arg(int(state.channels.paneShown(n)));
        }
        for (const auto& [n, path] : view.browserLoads)
            loads += u" %1:%2"_s.arg(n).arg(QString(path).replace(root(), "~"_L1));
        out << u"panes"_s + panes << u"loads"_s + loads;
        const QByteArray list = readFileBytes(ConnectList::path(root()));
        if (list != "<missing>")
            out << u"list: "_s + escaped(QString::fromLatin1(list));
        for (const QStringList& l : prompts.connectLists)
            out << u"asked: "_s + l.join(u',');
        for (const auto& m : prompts.messages)
            out << u"%1 %2: %3"_s.arg(m.modal ? "message"_L1 : "notify"_L1, m.title,
                                      escaped(QString(m.text).replace(root(), "~"_L1)));
        out << u"monitor: "_s + view.monitorShown.join(u',');
        for (const QString& n : view.notices)
            out << u"notice: "_s + n;
        // Files beyond the page files and the settings file, outside and inside.
        static const QRegularExpression ours(u"^(?!prog$|Channel\\d\\.htm$|PacketSettings\\.ini$|"
                                             "PacketConnects\\.lst$|upload\\.bin$)"_s);
        QStringList files;
        for (const QString& dir : {programDir.path(), root()})
            files << QDir(dir)
                         .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                         .filter(ours)
                         .join(u' ');
        if (files.join(u' ') != " "_L1)
            out << u"files: "_s + files.join(" | "_L1);
        if (!view.sendLine.isEmpty())
            out << u"line: "_s + view.sendLine;
        // Empty parts show as a bare name; they are left out.
        static const QRegularExpression bare(u"^(|tabs|unseen|panes|loads|monitor: )$"_s);
        out.removeIf([](const QString& l) { return bare.match(l).hasMatch(); });
        out = out.filter(shown);
        QStringList runs;
        for (qsizetype i = 0, n = 1; i < out.size(); i += n) {
            for (n = 1; i + n < out.size() && out[i + n] == out[i];)
                ++n;
            runs << out[i] + (n > 1 ? u" (x%1)"_s.arg(n) : QString());
        }
        return runs.join(u'\n');
    }
};
