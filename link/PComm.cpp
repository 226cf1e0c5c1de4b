#include "PComm.h"
int sio_open(int) { return SIO_OPENFAIL; }
int sio_close(int) { return SIO_BADPORT; }
int sio_ioctl(int, int, int) { return SIO_BADPORT; }
int sio_read(int, char*, int) { return 0; }
int sio_write(int, const char*, int) { return SIO_BADPORT; }
int sio_iqueue(int) { return 0; }
int SioBaudRate(int) { return 0; }
