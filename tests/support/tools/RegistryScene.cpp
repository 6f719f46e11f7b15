// registry-scene set|set-clean|clear
// Test tool: writes the registry scenarios' keys into Wine's registry through
// the real registry API (see tests/e2e/RegistryScene.h), or takes them away.
#include <cstdio>
#include <string>

#include "tests/support/RegistryScene.h"

int main(int argc, char** argv) {
  const std::string action = argc == 2 ? argv[1] : "";
  if (action != "set" && action != "set-clean" && action != "clear") {
    std::fprintf(stderr, "usage: registry-scene set|set-clean|clear\n");
    return 2;
  }
  const std::string failure = action == "clear" ? quarvel::testing::ClearRegistryScene()
                                                : quarvel::testing::SetRegistryScene(action == "set");
  if (!failure.empty()) {
    std::fprintf(stderr, "registry-scene: %s\n", failure.c_str());
    return 1;
  }
  return 0;
}
