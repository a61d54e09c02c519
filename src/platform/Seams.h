#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// Modal questions to the operator. Tests answer them without a person.
class Prompts {
public:
    virtual ~Prompts() = default;
    // Returns the answer, or an empty text on Cancel.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultAnswer) = 0;
    virtual void messageBox(const QString& text, const QString& title) = 0;
    // The same message without waiting for the operator: receiving goes on while it is open.
    // While one with the same key is still open, another is not shown.
    virtual void notify(const QString& text, const QString& title, const QString& key) = 0;
    // Returns the chosen path, or an empty text on Cancel.
    virtual QString openFile(const QString& filter, const QString& initialPath) = 0;
    // The "Connect To:" list: the entries sorted; returns the one picked, or
    // an empty text when the operator picked none.
    virtual QString chooseConnection(const QStringList& entries) = 0;
    // The "Please Enter Data:" dialog, pre-filled; with a "Browse" button, starting in
    // `browseFolder`, when one is given for a file path. None when the operator closed it by its
    // frame.
    virtual std::optional<QString> enterData(const QString& current,
                                             const QString& browseFolder) = 0;
};

class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Milliseconds since the epoch: what the counters want, without local time's cost.
    virtual qint64 nowMs() const { return now().toMSecsSinceEpoch(); }
};

// The poll timer: only registration switches it.
class PollTimer {
public:
    virtual ~PollTimer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};
