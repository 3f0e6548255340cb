// Send-Init parameters and the control-prefix encoding of data fields.
#include <cstring>
#include <random>

#include "classic/classic_fixture.h"
#include "classic/classic_link.h"

namespace corvane::testing {
namespace {

class EncodingTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetClassicEngine(); }
  void TearDown() override { ResetClassicEngine(); }

  // Every field that ClassicEncodeField makes of `source` with `limit`.
  static std::vector<std::string> Fields(const std::string& source, int limit) {
    std::vector<std::string> fields;
    ClassicLink().stringSource = reinterpret_cast<const std::uint8_t*>(source.c_str());
    while (ClassicEncodeField(limit) > 0) {
      fields.emplace_back(reinterpret_cast<const char*>(ClassicLink().encodeBuffer), ClassicLink().encodedLength);
      if (fields.size() > source.size() + 1) break;
    }
    ClassicLink().stringSource = nullptr;
    return fields;
  }

  // Decodes `field` as a received data field, into a buffer of `capacity`.
  static std::string Decode(std::string field, std::size_t expectedSize, int capacity = 100) {
    ClassicLink().receivedData = reinterpret_cast<std::uint8_t*>(field.data());
    std::vector<char> buffer(static_cast<std::size_t>(capacity) + 1, '*');
    EXPECT_EQ(ClassicDecodeToBuffer(buffer.data(), capacity), 0);
    EXPECT_EQ(buffer[static_cast<std::size_t>(capacity)], '*') << "wrote past the capacity";
    EXPECT_EQ(buffer[expectedSize], '\0') << "terminator";
    return std::string(buffer.data(), expectedSize);
  }
};

TEST_F(EncodingTest, InitDataIsThePcsSixParameters) { EXPECT_EQ(Hex(ClassicInitData()), "7A 27 20 40 2D 23"); }

struct AdoptCase {
  const char* name;
  std::string data;
  int maxLength;
  int timeout;
  int eol;
  char prefix;
};

TEST_F(EncodingTest, PeerParametersAreTakenOverWithDefaultsForBadValues) {
  const AdoptCase cases[] = {
      {"typical", FromHex("7E 2F 20 40 2D 23"), 94, 15, 13, '#'},
      {"server's I ACK", FromHex("5E 29 20 40 2D 23"), 62, 9, 13, '#'},
      {"MAXL 8", "(/ @-#", 80, 15, 13, '#'},
      {"MAXL with the eighth bit", FromHex("FF 2F 20 40 2D 23"), 80, 15, 13, '#'},
      {"TIME 0", "~  @-#", 94, 0, 13, '#'},
      {"TIME with the eighth bit", FromHex("7E A9 20 40 2D 23"), 94, 40, 13, '#'},
      {"EOL 1", "~/ @!#", 94, 15, 13, '#'},
      {"EOL 10", "~/ @*#", 94, 15, 10, '#'},
      {"EOL 32", "~/ @@#", 94, 15, 13, '#'},
      {"QCTL A", "~/ @-A", 94, 15, 13, '#'},
      {"QCTL backquote", "~/ @-`", 94, 15, 13, '`'},
      {"QCTL &", "~/ @-&", 94, 15, 13, '&'},
      {"QCTL space", "~/ @- ", 94, 15, 13, '#'},
      {"two fields only", "~/", 94, 15, 13, '#'},
      {"empty", "", 80, 40, 13, '#'},
      {"extra fields ignored", "~/ @-#Y1~", 94, 15, 13, '#'},
  };
  for (const AdoptCase& c : cases) {
    ClassicConfig() = ClassicSettings{};
    ClassicAdoptParams(reinterpret_cast<const std::uint8_t*>(c.data.data()), static_cast<int>(c.data.size()));
    const ClassicSettings& s = ClassicConfig();
    EXPECT_EQ(s.peerMaxLength, c.maxLength) << c.name;
    EXPECT_EQ(s.timeoutSeconds, c.timeout) << c.name;
    EXPECT_EQ(s.sendEol, c.eol) << c.name;
    EXPECT_EQ(s.peerPrefix, static_cast<std::uint8_t>(c.prefix)) << c.name;
    EXPECT_EQ(s.ourPrefix, '#') << c.name;
  }
}

struct EncodeCase {
  const char* name;
  std::string source;
  int limit;
  std::vector<std::string> fields;
};

TEST_F(EncodingTest, FieldsArePrefixedCutAtTheLimitAndAtLineFeeds) {
  const EncodeCase cases[] = {
      {"prefix character doubled", "A#B", 20, {"A##B"}},
      {"line end", "\r\nxy", 20, {"#M#J", "xy"}},
      {"one line per field", "ab\ncd\nef", 20, {"ab#J", "cd#J", "ef"}},
      {"tab moves into leftover", "123456789\tZ", 10, {"123456789", "#IZ"}},
      {"exact fit", "1234567890AB", 10, {"1234567890", "AB"}},
      {"line feed ends its field even one byte past the limit", "12345678\nA", 9, {"12345678#J", "A"}},
      {"eighth bit kept behind the prefix", "\x81\xA3\xFF", 20, {"#\xC1#\xA3#\xBF"}},
      {"DEL", "\x7F", 20, {"#?"}},
      {"high bytes pass", "\xE9t\xE9", 20, {"\xE9t\xE9"}},
      {"empty source", "", 20, {}},
  };
  for (const EncodeCase& c : cases) {
    std::memset(ClassicLink().leftover, 0, sizeof ClassicLink().leftover);
    const auto fields = Fields(c.source, c.limit);
    ASSERT_EQ(fields.size(), c.fields.size()) << c.name;
    for (std::size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(Hex(fields[i]), Hex(c.fields[i])) << c.name;
    EXPECT_EQ(ClassicLink().leftover[0], 0) << c.name << ": leftover empty once the source is done";
  }
}

TEST_F(EncodingTest, NamesAreCutAndNeverShareTheFilesLeftover) {
  std::memcpy(ClassicLink().leftover, "#I", 3);
  ClassicConfig().peerMaxLength = 10;
  EXPECT_EQ(ClassicEncodeString("ABCDEFGHI\tJK"), 9);
  EXPECT_STREQ(reinterpret_cast<const char*>(ClassicLink().encodeBuffer), "ABCDEFGHI");
  EXPECT_STREQ(reinterpret_cast<const char*>(ClassicLink().leftover), "#I") << "the file's carry-over stays";

  ClassicConfig().peerMaxLength = 400;
  EXPECT_EQ(ClassicEncodeString(std::string(150, 'n')), 99);
  EXPECT_EQ(ClassicEncodeString("a#b"), 4);
  EXPECT_EQ(ClassicLink().stringSource, nullptr);
}

struct DecodeCase {
  const char* name;
  std::string field;
  char prefix;
  std::string decoded;
};

TEST_F(EncodingTest, FieldsDecodeWithThePeersPrefix) {
  const DecodeCase cases[] = {
      {"controls and prefix", "#M#J##x", '#', "\r\n#x"},
      {"DEL and NUL", "#?#@", '#', std::string("\x7F\0", 2)},
      {"eighth bit", "#\xC1#\xA3", '#', "\x81\xA3"},
      {"prefix before a plain character", "#a", '#', "a"},
      {"lone prefix at the end is dropped", "AB#", '#', "AB"},
      {"another prefix", "&M#M&&", '&', "\r#M&"},
      {"empty", "", '#', ""},
  };
  for (const DecodeCase& c : cases) {
    ClassicConfig().peerPrefix = static_cast<std::uint8_t>(c.prefix);
    EXPECT_EQ(Hex(Decode(c.field, c.decoded.size())), Hex(c.decoded)) << c.name;
  }
}

TEST_F(EncodingTest, DecodingIntoABufferKeepsCapacityMinusOne) {
  EXPECT_EQ(Decode("abcdefgh", 3, 4), "abc");
  EXPECT_EQ(Decode("#M#Mxyz", 1, 2), "\r");
  EXPECT_EQ(Decode("anything", 0, 1), "");
}

TEST_F(EncodingTest, RandomBytesSurviveEncodingAndDecoding) {
  std::mt19937 random(2024);
  for (int round = 0; round < 200; ++round) {
    std::string source(random() % 400, '\0');
    for (char& c : source) c = static_cast<char>(1 + random() % 255);
    const int limit = static_cast<int>(6 + random() % 90);
    std::string decoded;
    for (const std::string& field : Fields(source, limit)) {
      const bool endsWithLineFeed = field.size() >= 2 && field.compare(field.size() - 2, 2, "#J") == 0;
      ASSERT_LE(static_cast<int>(field.size()), limit + (endsWithLineFeed ? 1 : 0));
      for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '#') continue;
        ++i;
        if (field[i] == 'J') {
          EXPECT_EQ(i + 1, field.size()) << "a field ends at its line feed";
        }
      }
      ClassicConfig().peerPrefix = '#';
      std::string copy = field;
      ClassicLink().receivedData = reinterpret_cast<std::uint8_t*>(copy.data());
      char buffer[200];
      ClassicDecodeToBuffer(buffer, sizeof buffer);
      decoded += buffer;
    }
    ASSERT_EQ(decoded, source) << "round " << round << ", limit " << limit;
  }
}

}  // namespace
}  // namespace corvane::testing
