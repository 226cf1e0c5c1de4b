#pragma once
#include <QString>
namespace PortMapping {
QString describe(int port);
}
