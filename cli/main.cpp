#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zn::runZonarium(args, std::cout, std::cerr);
}
