// What a module told of itself, as the production record, the CSV log and rfmodctl's output
// keep it: stable key names, English texts.
#pragma once

#include "core/link/LineSettings.h"
#include "core/model/Edition.h"
#include "core/model/Profile.h"
#include "core/session/ModuleJob.h"
#include "core/session/ModuleSession.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// Empty when the module's model is known; else why it is refused, naming what the module
// told of itself (nothing can be checked against an unknown model).
QString UnknownModel(const ModuleReadings& r, const Edition& edition);
// A profile of what was read.
Profile ProfileOf(const ModuleReadings& r);
// What the module told of itself when found, with what was read back after the readings
// were cleared: its parameters, and its serial number when read again.
ModuleReadings ReadBack(const ModuleReadings& found, const ModuleReadings& read);
// The module as a JSON object with the stable keys (baud, parity, family, firmware, band,
// model, channel, frequency, air_rate, serial_number, radio_id, ...), and as text lines.
QJsonObject ModuleJson(const ModuleReadings& r, const LineSettings& line, const Edition& edition);
QStringList ModuleText(const ModuleReadings& r, const LineSettings& line, const Edition& edition);
// The frequency of the module's channel from the model's channel plan, empty when unknown.
QString Frequency(const ModuleReadings& r, const Edition& edition);
// The profile under the names ModuleJson uses.
QJsonObject ProfileJson(const Profile& profile, const Edition& edition);
// What failed in a job: "serial number read: no answer".
QString DescribeJob(const JobResult& result);
