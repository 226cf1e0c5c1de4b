// The jobs both front ends run, as step lists for ModuleJob: what is sent is fixed by the
// values given here; steps that need what the module reported earlier read it when due.
#pragma once

#include "ModuleJob.h"

#include "core/model/Profile.h"
#include "core/model/Values.h"

#include <QStringList>

namespace Jobs {

// After a search found the module, the window waits this long before the command follows.
constexpr int kContinuationMs = 1000;

// The search, then (after the continuation wait) `then`.
QList<JobStep> SearchThen(int searchStart, QList<JobStep> then);

// Everything the module can tell: the read-all answer, air protocol, power saving, radio ID,
// RSSI, and the IO inputs where the model (known from the identify) has them.
QList<JobStep> ReadEverything(const ModuleSession& session);
// The writes of a profile: one write-all when it names channel, air rate and serial settings
// together, each value on its own otherwise. A serial setting given alone keeps the other as
// the module has it (read first).
QList<JobStep> WriteProfile(const ModuleSession& session, const Profile& profile);
// The reads that show whether a profile took; read-all last, the read-back that tells a jig
// the module is done.
QList<JobStep> VerifyProfile(const Profile& profile);
// What was read back and differs from the profile, one text each.
QStringList Differences(const Profile& wanted, const ModuleReadings& read);

struct WriteAllValues {
    int channel = 1;
    int airRate = 9600;
    SerialSettings serial;
};

// The factory set-up: air protocol, serial number, write-all and transmit test (air protocol,
// write-all, serial number, test where the module answers in short frames), 10 ms apart, the
// test start after the configured test delay.
struct FactorySetUp {
    int protocol = 0;
    SerialNumber number;
    WriteAllValues values;
    bool shortAnswers = false;
    int testDelayMs = 1500;
    bool searchBeforeWriteAll = false; // the write-all searches first
    int searchStart = 1;
};
QList<JobStep> FactorySetUpSteps(const FactorySetUp& setUp);

} // namespace Jobs
