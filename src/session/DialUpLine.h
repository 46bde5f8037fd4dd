#pragma once

#include "platform/LineSetup.h"

#include <QObject>

struct AppContext;

// The dial-up side of the running program: the line chosen with --line, put
// into the context (the tray form runs the connection check on it). The
// control socket of the simulated line reports the program's connection flags.
class DialUpLine : public QObject
{
    Q_OBJECT

public:
    // Null with *error set when lineKind is not a known line.
    static std::unique_ptr<DialUpLine> create(AppContext &ctx, const QString &lineKind, Clock &clock, QString *error);
    ~DialUpLine() override;

    static bool isKnownLineKind(const QString &lineKind);

    DialUpNetwork *network() const { return m_setup.network.get(); }
    QString warning() const { return m_setup.warning; }
    // The simulated line's control channel; null for a real line.
    LineControlServer *control() const { return m_setup.control.get(); }

private:
    DialUpLine(AppContext &ctx, LineSetup setup);

    AppContext &m_ctx;
    LineSetup m_setup;
};

// The connection flags, the session's traffic and the running values of the
// session and its totals, as "Name: value" lines.
QString ConnectionFlagsReport(const AppContext &ctx);
