#include "core/DeviceName.h"

#include <gtest/gtest.h>

namespace quarvel {
namespace {

TEST(MayNameDevice, DeviceNamesWithOrWithoutExtensionInAnyCaseWithTrailingDotsAndBlanks) {
  for (const char* name : {"nul", "NUL", "con.txt", "LPT1.DLL", "COM1", "AUX.sys", "prn", "com9.x.y", "Nul.",
                           "nul. . ", "con .txt", "CONIN$", "conout$.log", "LPT\xB9", "COM0", "nul:stream"}) {
    EXPECT_TRUE(MayNameDevice(name)) << name;
  }
  for (const char* name : {"nulx", "xnul", "console.txt", "COM10", "LPT", "COMA", "nu l", "", "...", " ",
                           "my con.txt", "CON_.DLL"}) {
    EXPECT_FALSE(MayNameDevice(name)) << name;
  }
}

}  // namespace
}  // namespace quarvel
