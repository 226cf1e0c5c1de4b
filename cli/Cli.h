// rfmodctl: the module tool from the command line. What every command shares: the port and
// edition it works on, the output form, the exit codes.
#pragma once

#include "core/config/ToolSettings.h"
#include "core/production/ModuleReport.h"
#include "core/session/ModuleClient.h"

#include "core/model/Profile.h"
#include "core/production/ProductionStore.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace Cli {

enum Exit {
    ExitOk = 0,
    ExitRefused = 1,  // the module refused, or verification failed
    ExitUsage = 2,    // a bad argument: nothing was sent
    ExitNoModule = 3, // no module answered within the time-out
    ExitPort = 4,     // the port could not be opened, or was lost
    ExitDatabase = 5, // the production database refused: no rights, no schema, a newer schema
    ExitWaiting = 6,  // program: records still wait in the spill file for the database
    // Plus the signal, as a shell tells a program ended by it: 130 on Ctrl+C, 143 on SIGTERM.
    // What waited for the module ended as cancelled.
    ExitInterrupted = 128,
};

// The global options, resolved against Config.ini in the working directory: the tool's
// settings as Config.ini has them with the options taken over them (line, edition, timeoutMs,
// gapMs), and what only the command line has.
struct Context : ToolSettings {
    QString configPath;
    QStringList portArgs;           // as given with --port (several for program)
    QList<int> ports;               // COM numbers the port arguments stand for
    bool json = false;
    bool trace = false;
    int stepMs = 1100;              // search step
    DatabaseLocation db;            // the production record (--db, else [Production] Database)
    bool stationGiven = false;      // --station given (history takes it as a filter)
};

// Where records wait that the production database could not take: beside Config.ini.
QString SpillPath(const Context& context);
// The message and exit code of a production database that cannot be used: unreachable (4),
// or refusing (5: no rights, no schema yet, a schema of another version).
int DatabaseRefused(const Context& context, const StoreError& error);

// Reads the global options (those before the command); false with exit code and message
// set for a bad one. `rest` gets the command and its own arguments.
bool ParseGlobal(const QStringList& args, Context* context, QStringList* rest, int* exitCode);
QString GlobalHelp();

// A client on `port`, opened at the context's line, with --trace wired to stderr.
// Null (and the reason on stderr) when the port cannot be opened.
std::unique_ptr<ModuleClient> Open(const Context& context, int port);
// --trace: every frame on the session's port on stderr.
void Trace(ModuleSession& session, int port);
// The same without a word on stderr: the reason goes to `why`.
std::unique_ptr<ModuleClient> OpenQuietly(const Context& context, int port, QString* why);

// The steps as one job, waited for in a local event loop; cancelled when the command is
// interrupted (Ctrl+C, SIGTERM), and not started when it has been already.
JobResult RunSync(ModuleClient& client, QList<JobStep> steps);

// The exit code of a job's end, and what failed in it ("serial number read: no answer").
int ExitOf(const JobResult& result);
// The job was cancelled because the command was interrupted (nothing else cancels a job here).
bool Interrupted(const JobResult& result);
QString Describe(const JobResult& result);

// Finds the module: at the context's line settings (identify), or by a search from them
// (`stepMs` a combination). Done only once the serial-number read that names the model was
// answered.
JobResult FindModule(ModuleClient& client, const Context& c, bool search, int stepMs);
// The message and exit code when FindModule failed.
int NoModule(const Context& c, const JobResult& r);

// Output: human text on stdout, or with --json the object printed at the end.
void Print(const QString& line);
void PrintJson(const QJsonObject& object);
void Error(const QString& message); // stderr, "rfmodctl: ..."

// The commands; `args` are the command's own arguments.
int Ports(const Context& c, const QStringList& args);
int Search(const Context& c, const QStringList& args);
int Read(const Context& c, const QStringList& args);
int Write(const Context& c, const QStringList& args);
int SerialNumbers(const Context& c, const QStringList& args);
int Program(const Context& c, const QStringList& args);
int Pair(const Context& c, const QStringList& args);
int Term(const Context& c, const QStringList& args);
int History(const Context& c, const QStringList& args);
int Db(const Context& c, const QStringList& args);

} // namespace Cli
