// The command sequences rfmodctl runs: reading everything, writing a profile, comparing
// what was read back with what was written.
#pragma once

#include "Cli.h"

#include "core/model/Profile.h"

namespace Cli {

// Finds the module at the context's line settings (identify), or by a search.
ModuleClient::Result FindModule(ModuleClient& client, const Context& c, bool search, int stepMs);
// The message and exit code when FindModule failed.
int NoModule(const Context& c, ModuleClient::Result r);

// Everything the module can tell: the read-all answer, air protocol, power saving, radio
// ID, RSSI, and the IO inputs where the model has them. The model must be known (identify).
QList<ModuleClient::Step> ReadSteps(ModuleClient& client);
// The writes of a profile: one write-all when it names channel, air rate and serial settings
// together, each value on its own otherwise. A serial setting given alone keeps the other as
// the module has it (read first).
QList<ModuleClient::Step> WriteSteps(ModuleClient& client, const Profile& profile);
// The reads that show whether a profile took.
QList<ModuleClient::Step> VerifySteps(ModuleClient& client, const Profile& profile);
// What was read back and differs from the profile, one text each.
QStringList Differences(const Profile& wanted, const Readings& read);
// Empty when the module's model is known; else why it is refused, naming what the module
// told of itself (nothing can be checked against an unknown model).
QString UnknownModel(const Readings& r, const Edition& edition);
// A profile of what was read.
Profile ProfileOf(const Readings& r);

} // namespace Cli
