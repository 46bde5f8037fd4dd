#pragma once

#include "platform/DialUpNetwork.h"
#include "platform/LineControl.h"

#include <QCommandLineOption>

#include <memory>

class Clock;
class SimulatedDialUpNetwork;

// The dial-up line the program watches, chosen with --line: "pppd" (the
// default), "networkmanager" (NetworkManager on the system bus),
// "simulated", which also opens the control socket that tallyline-line
// talks to, or "interface:NAME" for any network interface.
struct LineSetup {
    std::unique_ptr<DialUpNetwork> network;
    std::unique_ptr<LineControlServer> control;
    SimulatedDialUpNetwork *simulated = nullptr;
    QString error;      // non-empty when the choice was not understood
    QString warning;    // something worth telling, not fatal
};

QCommandLineOption LineCommandLineOption();

// The message for a --line value that is none of them (or names a bad interface).
QString UnknownLineMessage(const QString &lineKind);

LineSetup createDialUpNetwork(const QString &lineKind, const QString &dataDirectory, Clock &clock);
