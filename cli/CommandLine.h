// Options of one rfmodctl command: parsed with Qt's parser, bad ones answered with exit 2.
#pragma once

#include "Cli.h"

#include <QCommandLineParser>

namespace Cli {

class CommandLine {
public:
    CommandLine(const QString& command, const QString& description);
    QCommandLineParser parser;
    // False when the command is to end at once: `exitCode` is 0 after --help, 2 after an error.
    bool parse(const QStringList& args, int* exitCode);
    QString value(const QString& name) const { return parser.value(name); }
    bool isSet(const QString& name) const { return parser.isSet(name); }
    // An integer option within [min, max]; false after a message naming the value.
    bool integer(const QString& name, int min, int max, int* out) const;
    // --step-ms, the time each line setting of a search is tried.
    void addSearchStepOption();
    bool searchStepMs(int* out) const;

private:
    QString m_command;
};

} // namespace Cli
