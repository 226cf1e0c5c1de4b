// Our serial library: the calls the serial link uses, with the status codes the link
// tells apart. Port numbers are COM numbers (1..36); each is mapped to a device or to the
// built-in simulated module (see PortMapping.h).
#pragma once

#include "LineSettings.h"
#include "SioCodes.h"

#include <functional>

int sio_open(int port);
int sio_close(int port);
int sio_ioctl(int port, int baud, int mode);
int sio_read(int port, char* buf, int len);
int sio_write(int port, const char* buf, int len);
int sio_iqueue(int port);
// Bytes handed to COMn that have not yet left for the line (as far as the device tells).
int sio_oqueue(int port);
// Calls `callback(port)` whenever bytes may be waiting on COMn or its device may have gone,
// for as long as the port stays open (nullptr stops it); the call only takes note, the
// reading is done afterwards. As the serial library's receive-count callback with a count of 1.
int sio_cnt_irq(int port, std::function<void(int)> callback);
// True while COMn is open but its device has gone (adapter pulled out, pty closed).
bool sio_lost(int port);
