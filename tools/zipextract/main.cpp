// zipextract: the archive component on the command line.
#include <iostream>

#include "Session.h"
#include "Terminal.h"

int main(int argc, char** argv) {
  zipextract::PrepareOutput();
  std::ios::sync_with_stdio(false);
  return zipextract::RunZipextract(zipextract::Utf8Arguments(argc, argv), std::cout, std::cerr);
}
