// The time the quiet-gap rule is measured with (the tool's one clock, kept in core/base so
// the port layer reads it too).
#pragma once

#include "core/base/Clock.h"
