#pragma once
// Port selection: one port number names both the reader and its transport. These are the
// bodies of the port exports; they set the current port, the transport kind and the handles
// of the device state.

namespace vantel {

int OpenPort(int port);   // ZRT_OpenPort: 144 opened, 1 failure (10000: the network's result)
int ClosePort(int port);  // ZRT_ClosePort: 144 always
int InitComm(int port);   // 1 when the number is accepted and the port opens, else 0
int CloseComm();          // 1 when the current port was an accepted number, else 0
int GetComBaud(int port, int* baud);                    // 144 found, 5 not found, 1 bad port
int SetComBaud(int port, int currentBaud, int newBaud);  // SW3, 1, 33 or 3
int SetOpenComBaud(int baud);                           // 0
int FindAllUsb(int* usbFound, int* hidCount);           // 1
int SelectUsb(int type);                                // 1 selected, 0 not
int InitZrtAndHidComm(int type);
int CloseZrtAndHidComm(int type);

// The selection steps the exports above share.
int HidOpenByPort(int port);
int HidCloseSelection();
int UsbOpenByIndex(int port);
int UsbCloseSelection();

bool IsComPort(int port);
bool IsUsbPort(int port);

}  // namespace vantel
