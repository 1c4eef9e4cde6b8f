// container-bench image|archive CONTAINER TARGET: one of the installer's two
// copies out of the map container, as the installation runs it, for timing
// from outside (scripts/bench-container.sh).
#include <cstdio>
#include <string>

#include "MapContainer.h"
#include "uzExceptions.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: container-bench image|archive CONTAINER TARGET\n");
    return 2;
  }
  const std::string mode = argv[1];
  try {
    if (mode == "archive") {
      CopyProgramArchive(argv[2], argv[3]);
    } else {
      TMapImageCopy copy(argv[2], argv[3]);
      copy.CopyFirstHalf();
      copy.CopyRest();
    }
  } catch (const uz::Exception& e) {
    std::fprintf(stderr, "%s: %s\n", e.ClassName(), e.what());
    return 1;
  }
  return 0;
}
