// Start-up of the command-line program.
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  std::unique_ptr<Console> console = MakePlatformConsole();
  return RunCarillo(words, *console);
}
