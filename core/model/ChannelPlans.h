// Channel frequency plans: for a model row and a base frequency, the display text of each
// channel. Fixed tables, only shown to the operator; nothing here is ever sent.
#pragma once

#include <QString>
#include <array>

namespace ChannelPlans {

constexpr int kSlots = 20;
using Plan = std::array<QString, kSlots>;

// "51", "52", "53", "54", "310", "320" or, for other texts, their first four characters.
QString FamilyKey(const QString& rowText);

// The 20 slots for a row text and base-frequency text. `row` and `baseStation` only matter
// for the duplex plans of the "KESTRAVONIX" edition (row 6 with the base-station box clear
// has a plan of its own).
Plan Build(const QString& rowText, const QString& baseText, const QString& edition, int row,
           bool baseStation);

// What the base-station box loads when it is clicked: TX in slots 0-9, RX in 10-19.
Plan BaseStationToggle(bool ticked);

} // namespace ChannelPlans
