// Opens a reader by port number and prints its SAM status and SAM id, so that a person
// with a reader at hand can check the library quickly. Usage: sam_check PORT
#include <cstdio>
#include <cstdlib>

#include "library/device/port_api.h"
#include "library/device/sam_commands.h"
#include "library/device/text_conversions.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PORT  (1-256 COM, 1001-1016 USB, 8159 HID, 10000 network)\n",
                 argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int opened = vantel::OpenPort(port);
  std::printf("open port %d: %d\n", port, opened);
  if (opened != 144) return 1;
  std::printf("SAM status: %d\n", vantel::GetSamStatus(port, 0));
  unsigned char id[16] = {};
  const int idResult = vantel::GetSamId(port, id, 0);
  char text[37] = {};
  vantel::FormatSamIdText(text, vantel::SamIdFromBytes(id));
  std::printf("SAM id: %d %s\n", idResult, idResult == 144 ? text : "-");
  vantel::ClosePort(port);
  return idResult == 144 ? 0 : 1;
}
