#pragma once

// The few types, values and entry points of FTDI's D2XX library that the USB
// link uses, declared from the public D2XX programmer's guide. The library is
// loaded at run time; nothing here links against it.
//
// Integer types are declared as unsigned long. The vendor's Linux headers use
// 32-bit integers for some of them; on the x86-64 and AArch64 calling
// conventions the values passed stay the same, zero-initialised out-values
// read back the same, and statuses are compared on their low 32 bits only
// (D2xxStatusIsOk).

namespace D2xx {

using FT_STATUS = unsigned long;
using FT_HANDLE = void *;
using DWORD = unsigned long;
using ULONG = unsigned long;
using USHORT = unsigned short;
using UCHAR = unsigned char;
using FT_DEVICE = unsigned long;

constexpr FT_STATUS FT_OK = 0;
constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;

constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;

constexpr UCHAR FT_BITS_8 = 8;
constexpr UCHAR FT_STOP_BITS_1 = 0;
constexpr UCHAR FT_PARITY_NONE = 0;
constexpr USHORT FT_FLOW_NONE = 0x0000;

constexpr ULONG FT_PURGE_RX = 1;
constexpr ULONG FT_PURGE_TX = 2;

// Entry points, in the order the link binds them.
using FT_OpenEx_t = FT_STATUS (*)(void *pArg1, DWORD flags, FT_HANDLE *pHandle);
using FT_Close_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_Read_t = FT_STATUS (*)(FT_HANDLE handle, void *buffer, DWORD bytesToRead, DWORD *bytesReturned);
using FT_Write_t = FT_STATUS (*)(FT_HANDLE handle, void *buffer, DWORD bytesToWrite, DWORD *bytesWritten);
using FT_SetBaudRate_t = FT_STATUS (*)(FT_HANDLE handle, ULONG baudRate);
using FT_SetDataCharacteristics_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                  UCHAR parity);
using FT_SetFlowControl_t = FT_STATUS (*)(FT_HANDLE handle, USHORT flowControl, UCHAR xon, UCHAR xoff);
using FT_Purge_t = FT_STATUS (*)(FT_HANDLE handle, ULONG mask);
using FT_SetTimeouts_t = FT_STATUS (*)(FT_HANDLE handle, ULONG readTimeout, ULONG writeTimeout);
using FT_SetBitMode_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR mask, UCHAR enable);
using FT_SetUSBParameters_t = FT_STATUS (*)(FT_HANDLE handle, ULONG inTransferSize, ULONG outTransferSize);
using FT_SetDtr_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_ClrDtr_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_SetRts_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_ClrRts_t = FT_STATUS (*)(FT_HANDLE handle);
using FT_SetLatencyTimer_t = FT_STATUS (*)(FT_HANDLE handle, UCHAR latencyMs);
using FT_GetDeviceInfo_t = FT_STATUS (*)(FT_HANDLE handle, FT_DEVICE *type, DWORD *id, char *serialNumber,
                                         char *description, void *dummy);

inline bool D2xxStatusIsOk(FT_STATUS status) { return (status & 0xFFFFFFFFul) == FT_OK; }

}  // namespace D2xx
