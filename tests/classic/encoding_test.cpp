// Send-Init parameters and the control-prefix encoding of data fields.
#include <cstring>

#include "classic/classic_fixture.h"
#include "classic/classic_link.h"

namespace corvane::testing {
namespace {

class EncodingTest : public ::testing::Test {
 protected:
  ClassicLinkState& Link() { return *link_; }

  // Every field that ClassicEncodeField makes of `source` with `limit`.
  std::vector<std::string> Fields(const std::string& source, int limit) {
    std::vector<std::string> fields;
    Link().stringSource = reinterpret_cast<const std::uint8_t*>(source.c_str());
    while (ClassicEncodeField(limit, Link()) > 0 && fields.size() <= source.size()) {
      fields.emplace_back(reinterpret_cast<const char*>(Link().encodeBuffer), Link().encodedLength);
    }
    Link().stringSource = nullptr;
    return fields;
  }

  // Decodes `field` into a buffer of `capacity` with a guard byte behind it.
  std::string Decode(std::string field, int capacity = 200) {
    Link().receivedData = reinterpret_cast<std::uint8_t*>(field.data());
    std::string buffer(static_cast<std::size_t>(capacity) + 1, '*');
    ClassicDecodeToBuffer(buffer.data(), capacity, Link());
    EXPECT_EQ(buffer.back(), '*') << "wrote past the capacity";
    const std::size_t end = buffer.find_last_of('\0');  // the terminator; NUL may also be data
    return end == std::string::npos ? "no terminator" : buffer.substr(0, end);
  }

  std::unique_ptr<ClassicLinkState> link_ = std::make_unique<ClassicLinkState>();
};

TEST_F(EncodingTest, PeerParametersAreTakenOverWithDefaultsForBadValues) {
  const struct {
    std::string data;
    int maxLength, timeout, eol;
    char prefix;
  } cases[] = {
      {"(/ @-#", 80, 15, 13, '#'},
      {FromHex("FF A9 20 40 2D 23"), 80, 40, 13, '#'},  // bytes above 127 read as negative
      {"~  @-#", 94, 0, 13, '#'},
      {"~/ @!#", 94, 15, 13, '#'},
      {"~/ @*#", 94, 15, 10, '#'},
      {"~/ @-A", 94, 15, 13, '#'},
      {"~/ @-`", 94, 15, 13, '`'},
      {"~/ @- ", 94, 15, 13, '#'},
      {"~/", 94, 15, 13, '#'},
      {"", 80, 40, 13, '#'},
      {"~/ @-#Y1~", 94, 15, 13, '#'},
  };
  for (const auto& c : cases) {
    ClassicAdoptParams(reinterpret_cast<const std::uint8_t*>(c.data.data()), static_cast<int>(c.data.size()), Link().settings);
    const ClassicSettings& s = Link().settings;
    EXPECT_EQ(std::tuple(s.peerMaxLength, s.timeoutSeconds, int{s.sendEol}, char(s.peerPrefix), char(s.ourPrefix)),
              std::tuple(c.maxLength, c.timeout, c.eol, c.prefix, '#'))
        << Hex(c.data);
  }
}

TEST_F(EncodingTest, FieldsArePrefixedCutAtTheLimitAndAtLineFeeds) {
  const struct {
    std::string source;
    int limit;
    std::vector<std::string> fields;
  } cases[] = {
      {"123456789\tZ", 10, {"123456789", "#IZ"}},  // the tab waits in leftover
      {"1234567890AB", 10, {"1234567890", "AB"}},
      {"12345678\nA", 9, {"12345678#J", "A"}},  // a line feed still ends its field
      {"\x81\xA3\xFF\x7F", 20, {"#\xC1#\xA3#\xBF#?"}},
      {"\xE9t\xE9", 20, {"\xE9t\xE9"}},
      {"", 20, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Fields(c.source, c.limit), c.fields) << Hex(c.source);
    EXPECT_EQ(Link().leftover[0], 0) << "leftover is empty once the source is done";
  }
}

TEST_F(EncodingTest, NamesAreCutAndNeverShareTheFilesLeftover) {
  std::memcpy(Link().leftover, "#I", 3);
  Link().settings.peerMaxLength = 10;
  EXPECT_EQ(ClassicEncodeString("ABCDEFGHI\tJK", Link()), 9);
  EXPECT_STREQ(reinterpret_cast<const char*>(Link().encodeBuffer), "ABCDEFGHI");
  EXPECT_STREQ(reinterpret_cast<const char*>(Link().leftover), "#I");
  Link().settings.peerMaxLength = 400;
  EXPECT_EQ(ClassicEncodeString(std::string(150, 'n'), Link()), 99);
}

TEST_F(EncodingTest, FieldsDecodeWithThePeersPrefixWithinTheCapacity) {
  const struct {
    std::string field;
    char prefix;
    int capacity;
    std::string decoded;
  } cases[] = {
      {"#?#@", '#', 200, std::string("\x7F\0", 2)},
      {"#\xC1#\xA3#a", '#', 200, "\x81\xA3" "a"},
      {"AB#", '#', 200, "AB"},  // a lone prefix at the end is dropped
      {"&M#M&&", '&', 200, "\r#M&"},
      {"abcdefgh", '#', 4, "abc"},
      {"#M#Mxyz", '#', 2, "\r"},
      {"anything", '#', 1, ""},
  };
  for (const auto& c : cases) {
    Link().settings.peerPrefix = static_cast<std::uint8_t>(c.prefix);
    EXPECT_EQ(Hex(Decode(c.field, c.capacity)), Hex(c.decoded)) << c.field;
  }
}

}  // namespace
}  // namespace corvane::testing
