#include "platform/entry_point.h"

int main(int argc, char** argv) {
  return halvex::ProgramMain(std::vector<std::string>(argv + 1, argv + argc));
}
