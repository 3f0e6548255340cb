// Which name a received file gets, from the header or the local name: a header
// names a file here, never a path, or is refused.
#include <cstring>

#include "wide/wide_files.h"
#include "wide/wide_link.h"
#include "wide/wide_test_bed.h"

namespace corvane::testing {
namespace {

class WideOutputTest : public WideTestBed {
 protected:
  // Opens the output for a received header; created_ gets the out name.
  OutputOpen Open(const std::string& header, const std::string& localName = "") {
    WideReset(context_);
    std::memcpy(context_.rxData, header.data(), header.size());
    context_.rxLength = static_cast<int>(header.size());
    created_.clear();
    return WideOpenOutput(context_, localName, created_);
  }
  WideLinkContext context_;
  std::string created_;
};

TEST_F(WideOutputTest, HeaderNamesAFileInTheCurrentDirectory) {
  const struct {
    std::string header, local;
    OutputOpen result;
    std::string created;
    int total;
  } cases[] = {
      {"dir\\sub\\win.txt 7", "", OutputOpen::Opened, "WIN.TXT", 7},
      {"../up.txt 4", "", OutputOpen::Opened, "UP.TXT", 4},
      {"/tmp/abs.txt 4", "", OutputOpen::Opened, "ABS.TXT", 4},
      {" 4", "", OutputOpen::Refused, "", 4},
      {"SUB/.. 4", "", OutputOpen::Refused, "", 4},
      {"A\nB.TXT 4", "", OutputOpen::Refused, "", 4},
      {"size.txt 12x", "", OutputOpen::Opened, "SIZE.TXT", 12},
      {"nosize.txt x", "", OutputOpen::Opened, "NOSIZE.TXT", 0},
      {"remote.bin 3", "local.bin", OutputOpen::Opened, "LOCAL.BIN", 3},
      {"bad?.txt 3", "", OutputOpen::Refused, "", 3},
      {std::string(96, 'a') + " 42", "", OutputOpen::Opened, std::string(96, 'A'), 42},
      {std::string(97, 'a') + " 42", "", OutputOpen::Refused, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    EXPECT_EQ(Open(c.header, c.local), c.result);
    EXPECT_EQ(created_, c.created);
    EXPECT_EQ(Session().bytesTotal, c.total);
    EXPECT_EQ(context_.outFile.IsOpen(), c.result == OutputOpen::Opened);
    EXPECT_EQ(!c.created.empty() && std::filesystem::exists(c.created), c.result == OutputOpen::Opened);
    WideCloseFiles(context_);
  }
  EXPECT_FALSE(std::filesystem::exists("REMOTE.BIN"));
}

}  // namespace
}  // namespace corvane::testing
