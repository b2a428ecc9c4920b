#include "LISTpdta_subchunk.h"

void TLISTpdtaSubchunk::InitPath() {
  Path.assign(2, std::string());
  ListTypes.assign(2, std::string());
  Path[0] = "LIST";
  ListTypes[0] = "pdta";
}
