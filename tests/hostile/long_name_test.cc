// Names of any length resolve in time proportional to their length. A
// reference line ends with a name that may hold millions of components; each
// used to copy the whole path built so far and look it up on disk.
#include <gtest/gtest.h>

#include <string>

#include "hostile/hostile_support.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

TEST(LongNames, MillionsOfComponentsFindNothingAndStaySpelled) {
  hostile::TempFolder folder;
  struct Case {
    std::string component;
    std::string separator;
  };
  // Missing folders; "." and ".." that need no look-up but used to be copied.
  for (const Case& c : {Case{"a", "\\"}, Case{"B", "/"}, Case{".", "/"}, Case{"..", "\\"}}) {
    std::string name = folder.Path().string() + "/";
    for (int k = 0; k < 1'000'000; ++k) name += c.component + c.separator;
    name += "x.dat";
    PathResolver resolver;
    EXPECT_FALSE(resolver.FindFile(name)) << c.component;
    std::string expected = name;
#ifndef _WIN32
    // Windows takes both separators itself: the name stays as given there.
    for (char& ch : expected) ch = ch == '\\' ? '/' : ch;
#endif
    EXPECT_EQ(resolver.PathForWriting(name), expected) << c.component;
  }
}

}  // namespace
}  // namespace halvex
