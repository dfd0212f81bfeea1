#pragma once

#include <QString>
#include <QStringList>

// Maps the program's COM port numbers onto device paths.
//
// COM N is the path in the environment variable TARVELLO_COM<N> when it is
// set. Otherwise, unless TARVELLO_COM_ONLY_ENV=1 (then an unset N has no
// port), it is the Nth serial device of the machine: USB adapters
// /dev/ttyUSB* then /dev/ttyACM* (each numerically sorted), then the real
// UARTs /dev/ttyS*.

// Device path of COM `number` (1-based); empty when there is no such port.
QString ComPortPath(int number);

// Makes path the one serial port of the process: COM1 is path and no other
// COM port exists, whatever the environment says (an installer who names
// the cable's port). An empty path restores the usual naming.
void UseOnlySerialPort(const QString &path);

// The machine's serial devices in COM order. `devDir` holds the device nodes,
// `sysTtyDir` the kernel's tty class (a ttyS whose "type" there is 0 has no
// UART behind it and is left out).
QStringList MachineSerialDevices(const QString &devDir = QStringLiteral("/dev"),
                                 const QString &sysTtyDir = QStringLiteral("/sys/class/tty"));
