// Halvex: splits an LDraw file by one or more planes.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/split_run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = halvex::RunProgram(args, std::cout);
  // Every run ends here, so that a console window opened for the program
  // stays until the user has read it.
  std::cout << "Press <Enter> to quit" << std::endl;
  std::getchar();
  return code;
}
