#include "ToolSettings.h"

LineSettings ToolSettings::pcLine() const
{
    return line.line();
}
