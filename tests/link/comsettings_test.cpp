#include "link/comsettings.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cctype>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/rtl/thread.h"
#include "platform/serial/fakedevice.h"
#include "platform/win/system.h"
#include "tests/platform/serial/pty.h"

namespace {

// "$" + body + "*" + checksum + CR LF, the way instruments send it.
std::string Sentence(const std::string& body) {
  int sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

class Decoder : public ::testing::Test {
 protected:
  // The stream starts after a line end, as it does once the port has been open a while.
  void SetUp() override { FeedRaw("\n"); }
  void Feed(const std::string& text) { FeedRaw(text); }
  void FeedRaw(const std::string& text) { c->ReceiveChars(text.data(), text.size()); }

  win::SystemScope windows;  // the form's controls and timer
  std::unique_ptr<Tcomms> c = std::make_unique<Tcomms>(nullptr);
};

auto Values(const Tcomms& c) {
  return std::make_tuple(c.fTrueWindSpeed, c.fTrueWindAngle, c.fWindReference, c.fApparentWindSpeed,
                         c.fApparentWindAngle, c.fWindSide, c.fWindSideChar, c.fVMG,
                         c.fCourseOverGround, c.fSpeedOverGround, c.fSpeedThroughWater, c.fHeading,
                         c.fDepth, c.fLatitude, c.fLongitude, c.fLatHemisphere, c.fLonHemisphere,
                         c.fAisType, std::string(c.fAisPayload), c.fLineIndex,
                         c.fApparentWindReadings, c.fTrueWindReadings, c.fGroundSpeedReadings,
                         c.fCourseReadings, c.fDepthReadings);
}

// A mixed stream: every sentence kind, some with bad checksums, a proprietary line and noise.
std::string MixedStream() {
  std::string s = "\n";
  for (int i = 0; i < 20; ++i) {
    const std::string n = std::to_string(i);
    s += Sentence("IIVHW,,T,,M,5." + n + ",N,,K");
    s += Sentence("IIHDG,1" + n + ".5,,,,");
    s += Sentence("IIMWV,2" + n + ".0,R,1" + n + ".2,N,A");
    s += Sentence("IIMWV,3" + n + ".0,T,9.1,N,A");
    s += Sentence("IIVPW,4." + n + ",N,,");
    s += Sentence("GPVTG,10" + n + ".0,T,,M,6." + n + ",N,,K");
    s += Sentence("IIDBT,,f,1" + n + ".3,M,,F");
    s += Sentence("GPGLL,4916.4" + n + ",S,12311.12,W,225444,A");
    s += Sentence("GPRMC,225446,A,4916.45,N,1231" + n + ".12,E,0.4,054.7,191194,020.3,E");
    s += Sentence("AIVDM,1,1,,B,17ttu" + n + "@P000G?tO`K>RA1wUbN0TKH,0");
    s += "$IIHDT,77.7,T*00\r\n";
    s += "$PTAK,FFD1,junk\r\n\r\n";
  }
  return s;
}

// --- Line assembly --------------------------------------------------------------------------

TEST_F(Decoder, SameValuesWhetherFedWholeByteByByteOrInRandomPieces) {
  const std::string stream = MixedStream();
  Tcomms whole(nullptr);
  whole.ReceiveChars(stream.data(), stream.size());
  Tcomms bytes(nullptr);
  for (char ch : stream) bytes.ReceiveChars(&ch, 1);
  EXPECT_EQ(Values(whole), Values(bytes));

  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    Tcomms pieces(nullptr);
    std::size_t pos = 0;
    while (pos < stream.size()) {
      const std::size_t n = std::min<std::size_t>(rng() % 97, stream.size() - pos);
      pieces.ReceiveChars(stream.data() + pos, n);
      pos += n;
    }
    EXPECT_EQ(Values(whole), Values(pieces)) << "round " << round;
  }
  EXPECT_FLOAT_EQ(whole.fSpeedThroughWater, 5.19f);
  EXPECT_FLOAT_EQ(whole.fHeading, 119.5f);  // the last HDG: the HDT's checksum does not match
}

// CR LF, CR alone, LF alone and LF CR, each from the first sentence after the port opens, which
// has no line end before it; with "Require checksum" ticked its checksum must match all the same.
TEST_F(Decoder, LinesEndedByCarriageReturnOrLineFeedAloneAreDecodedFromTheFirstOn) {
  for (const char* ending : {"\r\n", "\r", "\n", "\n\r"}) {
    c = std::make_unique<Tcomms>(nullptr);
    c->CheckBox10->SetChecked(true);
    std::string stream;
    for (const char* body : {"IIVHW,,T,,M,6.11,N,11.32,K", "IIDBT,34.25,f,10.44,M,5.71,F",
                             "IIVHW,,T,,M,6.12,N,11.33,K"}) {
      std::string s = Sentence(body);
      stream += s.substr(0, s.size() - 2) + ending;
    }
    FeedRaw(stream.substr(0, 40));
    EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 6.11f) << "ending " << int(ending[0]) << int(ending[1]);
    FeedRaw(stream.substr(40));
    EXPECT_FLOAT_EQ(c->fDepth, 10.44f);
    EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 6.12f);
  }
}

TEST_F(Decoder, LongLineIsCutToItsFirstThousandCharactersAndItsCarriageReturn) {
  c->fDebugView = 1;
  const std::string body = "IIVHW,,T,,M,5.4,N,,K," + std::string(4979, 'x');
  ASSERT_EQ(body.size() + 2, 5002u);
  Feed("$" + body + "*00\r\n");
  ASSERT_EQ(c->Memo2->Lines()->Count(), 1);
  // Shown without the line ends: the first 999 characters after the LF.
  const std::string line = c->Memo2->Lines()->Strings(0);
  ASSERT_EQ(line.size(), 999u);
  EXPECT_EQ(line, ("$" + body).substr(0, 999));
  EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 5.4f);
  // The next line is assembled from position 0 again.
  Feed(Sentence("IIDBT,,f,3.5,M,,F"));
  EXPECT_FLOAT_EQ(c->fDepth, 3.5f);
}

TEST_F(Decoder, ShortLineAfterASentenceIsNotTakenForIt) {
  Feed(Sentence("GPGLL,4916.45,N,12311.12,W,225444,A"));
  ASSERT_FLOAT_EQ(c->fLatitude, 4916.45f);
  FeedRaw("\r\n\r\n$GP\r\n");  // the buffer still holds "GLL" at positions 4-6
  EXPECT_FLOAT_EQ(c->fLatitude, 4916.45f);
  EXPECT_FLOAT_EQ(c->fLongitude, -12311.12f);
}

// Some instruments pad with NUL bytes. Kept in the line they would end its text early: the
// sentence behind the padding is lost, one with a NUL inside fails its checksum.
TEST_F(Decoder, NulBytesAreNoPartOfALine) {
  c->CheckBox10->SetChecked(true);
  Feed(std::string("\0\0", 2) + Sentence("IIVHW,,T,,M,5.4,N,,K"));
  EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 5.4f);
  std::string dbt = Sentence("IIDBT,,f,7.25,M,,F");
  dbt.insert(12, 1, '\0');  // between "7." and "25"
  Feed(dbt);
  EXPECT_FLOAT_EQ(c->fDepth, 7.25f);
}

TEST_F(Decoder, DebugViewListsEveryLineWithoutItsLineEnds) {
  Feed(Sentence("IIDBT,,f,3.5,M,,F"));
  EXPECT_EQ(c->Memo2->Lines()->Count(), 0);
  c->fDebugView = 1;
  FeedRaw("$XXYYY\r$ZZ\nWWW\r");
  ASSERT_EQ(c->Memo2->Lines()->Count(), 3);
  EXPECT_EQ(c->Memo2->Lines()->Strings(0), "$XXYYY");
  EXPECT_EQ(c->Memo2->Lines()->Strings(1), "$ZZ");
  EXPECT_EQ(c->Memo2->Lines()->Strings(2), "WWW");
}

// --- Checksum -------------------------------------------------------------------------------

TEST(Checksum, MatchesInEitherCase) {
  const std::string good = "\n" + Sentence("GPGLL,4916.45,N,12311.12,W,225444,A");
  const std::string line = good.substr(0, good.size() - 1);  // up to the CR
  EXPECT_TRUE(Tcomms::ChecksumOk(line.c_str()));
  std::string bad = line;
  bad[bad.size() - 2] ^= 1;
  EXPECT_FALSE(Tcomms::ChecksumOk(bad.c_str()));
  EXPECT_TRUE(Tcomms::ChecksumOk("\n$A*41\r"));
  EXPECT_TRUE(Tcomms::ChecksumOk("\n$J*4A\r"));
  EXPECT_TRUE(Tcomms::ChecksumOk("\n$J*4a\r"));
  EXPECT_FALSE(Tcomms::ChecksumOk("\n$J*4b\r"));
  // Found from its '$' or '!', whatever ends the line.
  EXPECT_TRUE(Tcomms::ChecksumOk("$J*4A"));
  EXPECT_TRUE(Tcomms::ChecksumOk("!J*4A\n"));
  EXPECT_TRUE(Tcomms::ChecksumOk("$J*4A\r\n"));
  EXPECT_FALSE(Tcomms::ChecksumOk("J*4A\r"));
}

TEST(Checksum, ShortAndOverlongLinesFail) {
  for (const char* s : {"", "\r", "*\r", "0\r", "*00\r"}) EXPECT_FALSE(Tcomms::ChecksumOk(s)) << s;
  EXPECT_TRUE(Tcomms::ChecksumOk("\n$*00\r"));
  // 255 characters still fit the working copy, 256 do not.
  const auto lineOf = [](std::size_t bodyLength) {
    const std::string s = "\n" + Sentence(std::string(bodyLength, 'A'));
    return s.substr(0, s.size() - 1);
  };
  ASSERT_EQ(lineOf(249).size(), 255u);
  EXPECT_TRUE(Tcomms::ChecksumOk(lineOf(249).c_str()));
  EXPECT_FALSE(Tcomms::ChecksumOk(lineOf(250).c_str()));
}

// A byte with its eighth bit set counts as it is: taken as a signed byte it made the sum's text
// "FF" whatever the rest of the sentence held.
TEST(Checksum, HighBitCharactersCountAsTheyAre) {
  EXPECT_TRUE(Tcomms::ChecksumOk("\n$\xE9*E9\r"));
  EXPECT_FALSE(Tcomms::ChecksumOk("\n$\xE9*FF\r"));
  EXPECT_FALSE(Tcomms::ChecksumOk("\n$A\xE9*FF\r"));
  EXPECT_TRUE(Tcomms::ChecksumOk("\n$\xE9\xE9*00\r"));
}

// A bit flipped on the line turned a course of 205.4 into 204.4; the checksum tells.
TEST_F(Decoder, AChecksumThatDoesNotMatchIsNeverDecoded) {
  Feed(Sentence("GPVTG,205.4,T,,M,5.8,N,10.7,K"));
  std::string flipped = Sentence("GPVTG,205.4,T,,M,5.9,N,10.9,K");
  flipped[9] ^= 1;  // "205.4" becomes "204.4"
  for (const std::string& bad :
       {flipped, std::string("$IIDBT,,f,12.5,M,,F*00\r\n"),
        std::string("$IIDBT,,f,12.5,M,,F*1\r\n"), std::string("$IIDBT,,f,12.5,M,,F*1D1\r\n")}) {
    Feed(bad);
    EXPECT_FLOAT_EQ(c->fCourseOverGround, 205.4f) << bad;
    EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.8f) << bad;
    EXPECT_EQ(c->fDepth, 0.0f) << bad;
  }
}

// Some instruments send no checksum: their lines are taken unless one is required.
TEST_F(Decoder, ALineWithoutAChecksumIsDecodedUnlessOneIsRequired) {
  Feed("$IIDBT,,f,12.5,M,,F\r\n");
  EXPECT_FLOAT_EQ(c->fDepth, 12.5f);
  c->CheckBox10->SetChecked(true);
  Feed("$IIDBT,,f,13.5,M,,F\r\n");
  EXPECT_FLOAT_EQ(c->fDepth, 12.5f);
  Feed(Sentence("IIDBT,,f,14.5,M,,F"));
  EXPECT_FLOAT_EQ(c->fDepth, 14.5f);
  std::string lower = Sentence("IIDBT,,f,13.9,M,,F");
  const std::size_t star = lower.find('*');
  lower[star + 1] = static_cast<char>(std::tolower(lower[star + 1]));
  lower[star + 2] = static_cast<char>(std::tolower(lower[star + 2]));
  ASSERT_NE(lower, Sentence("IIDBT,,f,13.9,M,,F")) << "the checksum needs a letter";
  Feed(lower);
  EXPECT_FLOAT_EQ(c->fDepth, 13.9f);
}

// Noise cut "$IIVTG,224.44,T" short and the next sentence ran on from there: read whole, the
// speed over ground would be the wind's 13.41 kn.
TEST_F(Decoder, ASentenceCutShortByTheNextIsNotDecodedAndTheNextIs) {
  Feed(Sentence("IIVTG,224.44,T,,M,5.81,N,10.76,K"));
  Feed("$IIVTG,224.44,T$IIMWV,338,R,13.41,N,A*2C\r\n");
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.81f);
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 22.0f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 13.41f);
  EXPECT_EQ(c->fWindSide, 1);
  // Without checksums too, and cut by an encapsulated sentence.
  Feed("$IIVHW,,T,,M,1!AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0\r\n");
  EXPECT_EQ(c->fSpeedThroughWater, 0.0f);
  EXPECT_STREQ(c->fAisPayload, "13aEOK?P00PD2wVMdLDRhgvL289?");
  Feed("$IIVTG,224.44,T,,M,13$IIVHW,,T,,M,6.11,N,11.32,K\r\n");
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.81f);
  EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 6.11f);
}

// --- Fields ---------------------------------------------------------------------------------

TEST(Fields, FloatFollowsTheCFormatRules) {
  const char* line = "\n$IIXXX,5.25, 7,,abc,+3.5,-2e1,-,1.5.6,+-1\r";
  EXPECT_FLOAT_EQ(Tcomms::FieldFloat(line, 1), 5.25f);
  EXPECT_FLOAT_EQ(Tcomms::FieldFloat(line, 2), 7.0f);  // leading blanks skipped
  EXPECT_EQ(Tcomms::FieldFloat(line, 3), 0.0f);        // empty
  EXPECT_EQ(Tcomms::FieldFloat(line, 4), 0.0f);        // not a number
  EXPECT_FLOAT_EQ(Tcomms::FieldFloat(line, 5), 3.5f);
  EXPECT_FLOAT_EQ(Tcomms::FieldFloat(line, 6), -20.0f);
  EXPECT_EQ(Tcomms::FieldFloat(line, 7), 0.0f);
  EXPECT_FLOAT_EQ(Tcomms::FieldFloat(line, 8), 1.5f);
  EXPECT_EQ(Tcomms::FieldFloat(line, 9), 0.0f);
  EXPECT_EQ(Tcomms::FieldFloat(line, 10), 0.0f);  // fewer commas
  EXPECT_EQ(Tcomms::FieldFloat(line, 0), 0.0f);   // the line start is no number
}

TEST(Fields, NonFiniteNumbersReadAsZero) {
  const char* line = "\n$IIXXX,inf,nan,1e39,-infinity,1e-50*00\r";
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(Tcomms::FieldFloat(line, n), 0.0f) << n;
}

TEST(Fields, NumbersIgnoreTheUsersLocale) {
  locale_t german = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  if (german == static_cast<locale_t>(0)) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  const locale_t old = uselocale(german);
  EXPECT_FLOAT_EQ(Tcomms::FieldFloat("\n$IIXXX,12.75,3,5\r", 1), 12.75f);
  uselocale(old);
  freelocale(german);
}

TEST(Fields, CharAndText) {
  const char* line = "\n$AIVDM,1,,B,payload,0*00\r";
  EXPECT_EQ(Tcomms::FieldChar(line, 1), '1');
  EXPECT_EQ(Tcomms::FieldChar(line, 2), ',');
  EXPECT_EQ(Tcomms::FieldChar(line, 3), 'B');
  EXPECT_EQ(Tcomms::FieldChar(line, 7), '\0');
  EXPECT_EQ(Tcomms::FieldText(line, 4), "payload");
  EXPECT_EQ(Tcomms::FieldText(line, 5), "0");
  EXPECT_EQ(Tcomms::FieldText(line, 2), "");
  EXPECT_EQ(Tcomms::FieldText(line, 9), "");
}

// --- Wind -----------------------------------------------------------------------------------

TEST_F(Decoder, MwvRelativeFoldsThePortSide) {
  Feed(Sentence("IIMWV,270.0,R,12.5,N,A"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 90.0f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 12.5f);
  EXPECT_EQ(c->fWindSide, 1);
  EXPECT_EQ(c->fWindReference, 'R');
  Feed(Sentence("IIMWV,180.0,R,12.5,N,A"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 180.0f);
  EXPECT_EQ(c->fWindSide, 0);
  Feed(Sentence("IIMWV,0.0,R,0,N,A"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 0.001f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 0.001f);
  Feed(Sentence("IIMWV,45,R,250,N,A"));  // no upper clamp on MWV
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 250.0f);
  // Beyond the full circle is no bearing (folded it would be -40, shown as dead ahead): the last
  // wind stays.
  Feed(Sentence("IIMWV,400,R,10,N,A"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 45.0f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 250.0f);
  EXPECT_EQ(c->fWindSide, 0);
  EXPECT_EQ(c->fApparentWindReadings, 4u) << "four apparent winds read, not the 400";
}

TEST_F(Decoder, MwvSpeedIsConvertedToKnotsFromItsUnit) {
  // A knot is 1852 m an hour: 10 m/s is 36 000 m/h, 18.52 km/h is 10 kn.
  Feed(Sentence("IIMWV,45.0,R,10.0,M,A"));
  EXPECT_NEAR(c->fApparentWindSpeed, 36000.0 / 1852.0, 1e-4);
  Feed(Sentence("IIMWV,45.0,R,18.52,K,A"));
  EXPECT_NEAR(c->fApparentWindSpeed, 10.0, 1e-4);
  Feed(Sentence("IIMWV,45.0,R,12.5,N,A"));
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 12.5f);
  c->fWindSource = 1;
  Feed(Sentence("IIMWV,300.0,T,5.0,M,A"));
  EXPECT_NEAR(c->fTrueWindSpeed, 18000.0 / 1852.0, 1e-4);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 12.5f);
}

TEST_F(Decoder, MwvTrueOnlyWhenTrueWindComesFromTheInput) {
  Feed(Sentence("IIMWV,300.0,T,8.0,N,A"));
  EXPECT_EQ(c->fTrueWindAngle, 0.0f);
  EXPECT_EQ(c->fWindReference, 'T');
  c->fWindSource = 1;
  Feed(Sentence("IIMWV,300.0,T,8.0,N,A"));
  EXPECT_FLOAT_EQ(c->fTrueWindAngle, 60.0f);
  EXPECT_FLOAT_EQ(c->fTrueWindSpeed, 8.0f);
  EXPECT_EQ(c->fWindSide, 1);
  EXPECT_EQ(c->fApparentWindAngle, 0.0f);
  Feed(Sentence("IIMWV,100.0,X,8.0,N,A"));
  EXPECT_FLOAT_EQ(c->fTrueWindAngle, 60.0f);
  EXPECT_EQ(c->fWindReference, 'X');
  EXPECT_EQ(c->fTrueWindReadings, 1u) << "the one true wind read";
}

TEST_F(Decoder, VwrAndMwvFollowTheWindSentenceChoice) {
  Feed(Sentence("IIVWR,40.0,L,11.0,N,,,,"));
  EXPECT_EQ(c->fApparentWindAngle, 0.0f);
  c->fNmeaWind = 1;
  Feed(Sentence("IIMWV,30.0,R,9.0,N,A"));
  EXPECT_EQ(c->fApparentWindAngle, 0.0f);
  EXPECT_EQ(c->fWindReference, 0);
  Feed(Sentence("IIVWR,40.0,L,11.0,N,,,,"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 40.0f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 11.0f);
  EXPECT_EQ(c->fWindSideChar, 'L');
  EXPECT_EQ(c->fWindSide, 1);
  Feed(Sentence("IIVWR,40.0,R,250.0,N,,,,"));
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 0.001f);
  EXPECT_EQ(c->fWindSide, 0);
  Feed(Sentence("IIVWR,361.0,R,0,N,,,,"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 0.001f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 0.001f);
}

TEST_F(Decoder, VwtFollowsTheTrueWindSourceOnly) {
  Feed(Sentence("IIVWT,120.0,L,14.0,N,,,,"));
  EXPECT_EQ(c->fTrueWindAngle, 0.0f);
  c->fWindSource = 1;  // fNmeaWind still 0
  Feed(Sentence("IIVWT,120.0,L,14.0,N,,,,"));
  EXPECT_FLOAT_EQ(c->fTrueWindAngle, 120.0f);
  EXPECT_FLOAT_EQ(c->fTrueWindSpeed, 14.0f);
  EXPECT_EQ(c->fWindSide, 1);
  Feed(Sentence("IIVWT,120.0,R,250.0,N,,,,"));
  EXPECT_FLOAT_EQ(c->fTrueWindSpeed, 0.001f);
  EXPECT_EQ(c->fWindSide, 0);
}

// --- Speed, course, heading, depth ----------------------------------------------------------

TEST_F(Decoder, SpeedHeadingDepthAndVmg) {
  Feed(Sentence("IIVHW,,T,,M,5.4,N,,K") + Sentence("IIHDG,271.5,,,,") +
       Sentence("IIDBT,,f,7.25,M,,F") + Sentence("IIVPW,-3.5,N,,"));
  EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 5.4f);
  EXPECT_FLOAT_EQ(c->fHeading, 271.5f);
  EXPECT_FLOAT_EQ(c->fDepth, 7.25f);
  EXPECT_FLOAT_EQ(c->fVMG, -3.5f);
  Feed(Sentence("HCHDT,12.0,T"));
  EXPECT_FLOAT_EQ(c->fHeading, 12.0f);
}

// Sounders that fill one unit only. A foot is 0.3048 m: 22.3 ft = 6.79704 m; a fathom is six
// feet, 1.8288 m: 4 fm = 7.3152 m.
TEST_F(Decoder, DepthInFeetOrFathomsOnlyIsTakenInMetres) {
  Feed(Sentence("SDDBT,22.3,f,,M,,F"));
  EXPECT_NEAR(c->fDepth, 6.79704, 1e-4);
  Feed(Sentence("SDDBT,,f,,M,4.0,F"));
  EXPECT_NEAR(c->fDepth, 7.3152, 1e-4);
  Feed(Sentence("SDDBT,,f,,M,3e38,F"));  // beyond the float in metres: no reading
  EXPECT_NEAR(c->fDepth, 7.3152, 1e-4);
  Feed(Sentence("SDDBT,22.3,f,6.8,M,3.7,F"));  // metres when given
  EXPECT_FLOAT_EQ(c->fDepth, 6.8f);
  Feed(Sentence("SDDBT,,f,,M,,F"));  // bottom lost: no depth, as without a sounder
  EXPECT_EQ(c->fDepth, 0.0f);
  EXPECT_EQ(c->fDepthReadings, 4u);  // every one but the fathoms beyond the float
}

TEST_F(Decoder, CourseIsKeptBelowHalfAKnot) {
  Feed(Sentence("GPVTG,054.7,T,034.4,M,5.5,N,10.2,K"));
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 54.7f);
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.5f);
  Feed(Sentence("GPVTG,200.0,T,034.4,M,0.3,N,0.6,K"));
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 54.7f);
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 0.3f);
  Feed(Sentence("GPVTG,200.0,T,034.4,M,0.5,N,0.9,K"));
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 54.7f);
  Feed(Sentence("GPRMC,225446,A,4916.45,N,12311.12,W,0.4,300.0,191194,020.3,E"));
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 54.7f);
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 0.4f);
  Feed(Sentence("GPRMC,225446,A,4916.45,N,12311.12,W,0.6,300.0,191194,020.3,E"));
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 300.0f);
  EXPECT_EQ(std::pair(c->fGroundSpeedReadings, c->fCourseReadings), std::pair(5u, 2u));
}

// --- Sentences that are no reading ---------------------------------------------------------

// A wind sensor without a reading sends "$IIMWV,,R,,N,V*2A", a boat without a compass
// "$IIHDT,,T*0C" (both from a yacht's log); read as 0 they became a wind of 0.001 kn and a heading
// of north. Empty fields, and sentences marked not valid, leave every value as it was.
TEST_F(Decoder, EmptyFieldsAndSentencesMarkedNotValidChangeNothing) {
  c->fWindSource = 1;
  Feed(Sentence("IIVHW,,T,,M,6.11,N,11.32,K") + Sentence("IIHDT,77.7,T") +
       Sentence("IIMWV,338,R,13.41,N,A") + Sentence("IIMWV,300,T,8.0,N,A") +
       Sentence("IIVPW,4.5,N,,") + Sentence("IIVTG,224.44,T,,M,5.81,N,10.76,K") +
       Sentence("IIDBT,34.25,f,10.44,M,5.71,F") +
       Sentence("GPGLL,6005.071,N,02332.346,E,095559,A") +
       Sentence("AIVDM,1,1,,A,13aEOK?P00PD2wVMdLDRhgvL289?,0"));
  const auto before = Values(*c);
  std::vector<std::string> none = {"$IIHDT,,T*0C\r\n", "$IIMWV,,R,,N,V*2A\r\n"};
  for (const char* body : {"IIMWV,338,R,13.41,N,V",
                           "IIMWV,20,T,9.5,N,V",
                           "IIMWV,338,,13.41,N,A",
                           "IIMWV,,T,,N,A",
                           "HCHDG,,,,6.0,E",
                           "IIVHW,,T,,M,,N,,K",
                           "IIVHW,,T,,M,fast,N,,K",
                           "IIVPW,,N,,",
                           "IIVTG,,T,,M,,N,,K",
                           "IIVTG,205.4,T,,M,,N,,K",
                           "GPVTG,205.4,T,,M,5.8,N,10.7,K,N",
                           "GPRMC,101513,A,,,,,,205.4,230394,,",
                           "GPRMC,101513,V,6005.200,N,02332.100,E,5.8,205.4,230394,,",
                           "GPRMC,101513,A,6005.200,N,02332.100,E,5.8,205.4,230394,,,N",
                           "GPGLL,6005.200,N,02332.100,E,101513,V",
                           "GPGLL,6005.200,N,02332.100,E,101513,A,N",
                           "GPGLL,6005.200,,02332.100,,101513,A",
                           "GPGGA,101513,6005.200,N,02332.100,E,0,00,,,M,,M,,",
                           "SDDBT,,f,deep,M,,F",
                           "AIVDM,1,1,,A,,0",
                           "GPVTG",
                           "IIVWR,,,,N,,,,",
                           "IIVWT,40.0,,,N,,,,"})
    none.push_back(Sentence(body));
  for (const std::string& line : none) {
    Feed(line);
    EXPECT_EQ(Values(*c), before) << line;
  }
  c->fNmeaWind = 1;
  Feed(Sentence("IIVWR,40.0,L,11.0,N,,,,"));
  const auto withVwr = Values(*c);
  for (const char* none : {"IIVWR,,,,N,,,,", "IIVWR,,L,,N,,,,", "IIVWR,45.0,,,N,,,,"}) {
    Feed(Sentence(none));
    EXPECT_EQ(Values(*c), withVwr) << none;
  }
}

// What a sentence does carry is taken, what it leaves empty is kept.
TEST_F(Decoder, FieldsGivenBesideEmptyOnesAreTaken) {
  Feed(Sentence("IIVTG,224.44,T,,M,5.81,N,10.76,K") + Sentence("IIMWV,338,R,13.41,N,A"));
  Feed(Sentence("IIVTG,,T,,M,5.7,N,10.6,K"));  // no course: the last one stays
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.7f);
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 224.44f);
  Feed(Sentence("GPRMC,101513,A,,,,,6.2,,230394,,,A"));  // status A, position and course empty
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 6.2f);
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 224.44f);
  Feed(Sentence("IIMWV,,R,12.8,N,A"));  // a speed without an angle
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 12.8f);
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 22.0f);
  EXPECT_EQ(c->fWindSide, 1);
  Feed(Sentence("IIMWV,40,R,,N,A"));  // an angle without a speed
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 40.0f);
  EXPECT_EQ(c->fWindSide, 0);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 12.8f);
  Feed(Sentence("GPGGA,101513,6005.200,N,,,1,08,0.9,,M,,M,,"));  // latitude alone
  EXPECT_FLOAT_EQ(c->fLatitude, 6005.2f);
  EXPECT_EQ(c->fLongitude, 0.0f);
}

// --- Position -------------------------------------------------------------------------------

TEST_F(Decoder, SouthAndWestAreNegative) {
  Feed(Sentence("GPGGA,123519,4916.45,S,12311.12,W,1,08,0.9,545.4,M,46.9,M,,"));
  EXPECT_EQ(c->fLatitude, -4916.45f);
  EXPECT_EQ(c->fLongitude, -12311.12f);
  EXPECT_EQ(c->fLatHemisphere, 'S');
  EXPECT_EQ(c->fLonHemisphere, 'W');
  Feed(Sentence("GPGLL,5130.10,N,00007.50,E,225444,A"));
  EXPECT_FLOAT_EQ(c->fLatitude, 5130.10f);
  EXPECT_FLOAT_EQ(c->fLongitude, 7.5f);
  Feed(Sentence("GPRMC,225446,A,3351.20,S,15112.80,E,5.0,054.7,191194,020.3,E"));
  EXPECT_FLOAT_EQ(c->fLatitude, -3351.2f);
  EXPECT_FLOAT_EQ(c->fLongitude, 15112.8f);
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.0f);
}

TEST_F(Decoder, PositionWithoutAFixKeepsTheLastPosition) {
  Feed(Sentence("GPGLL,5130.10,N,00007.50,W,225444,A"));
  // Receivers without a fix send the sentences with empty position fields.
  for (const char* noFix :
       {"GPRMC,,V,,,,,,,,,,N", "GPGLL,,,,,225445,V,N", "GPGGA,225446,,,,,0,00,,,M,,M,,"}) {
    Feed(Sentence(noFix));
    EXPECT_FLOAT_EQ(c->fLatitude, 5130.10f) << noFix;
    EXPECT_FLOAT_EQ(c->fLongitude, -7.5f) << noFix;
    EXPECT_EQ(c->fLonHemisphere, 'W') << noFix;
  }
  Feed(Sentence("GPRMC,225447,A,3351.20,S,15112.80,E,5.0,054.7,191194,020.3,E"));
  EXPECT_FLOAT_EQ(c->fLatitude, -3351.2f);
  EXPECT_FLOAT_EQ(c->fLongitude, 15112.8f);
}

// A valid checksum around an impossible position (seen: a latitude of 3.4e38 saved as the last
// position): the sentence's position is ignored, the rest of it is taken.
TEST_F(Decoder, APositionBeyondThePolesOrTheDateLineIsIgnored) {
  Feed(Sentence("GPGLL,9000.00,N,18000.00,W,225444,A"));  // the pole and the date line hold
  EXPECT_FLOAT_EQ(c->fLatitude, 9000.0f);
  EXPECT_FLOAT_EQ(c->fLongitude, -18000.0f);
  Feed(Sentence("GPGLL,5130.10,N,00007.50,W,225444,A"));
  for (const char* bad :
       {"GPRMC,225446,A,3.4e38,N,00007.50,W,5.0,054.7,191194,,",
        "GPRMC,225446,A,9000.01,S,00007.50,W,5.0,054.7,191194,,",
        "GPGLL,5130.10,N,18000.5,E,225444,A", "GPGGA,225446,5130.10,N,-0007.50,W,1,08,,,M,,M,,",
        "GPGLL,,,99999,E,225445,A"}) {
    Feed(Sentence(bad));
    EXPECT_FLOAT_EQ(c->fLatitude, 5130.10f) << bad;
    EXPECT_FLOAT_EQ(c->fLongitude, -7.5f) << bad;
    EXPECT_EQ(c->fLonHemisphere, 'W') << bad;
  }
  EXPECT_FLOAT_EQ(c->fSpeedOverGround, 5.0f);  // the RMC's speed still counts
}

TEST_F(Decoder, HdgWithAVariationGivesTheTrueHeading) {
  struct Case {
    const char* body;
    float heading;
  };
  // Sensor heading plus deviation plus variation, east positive, worked by hand.
  for (const Case& k : {Case{"HCHDG,80.0,,,10.0,E", 90.0f}, Case{"HCHDG,80.0,,,10.0,W", 70.0f},
                        Case{"HCHDG,355.0,,,10.0,E", 5.0f}, Case{"HCHDG,5.0,,,10.0,W", 355.0f},
                        Case{"HCHDG,350.0,,,10.0,E", 0.0f}, Case{"HCHDG,80.0,2.5,E,10.0,W", 72.5f},
                        Case{"HCHDG,80.0,2.5,W,3.0,E", 80.5f},
                        // Without a variation the heading stays the sensor's, deviation or not.
                        Case{"HCHDG,80.0,2.5,E,,", 80.0f}, Case{"HCHDG,271.5,,,,", 271.5f}}) {
    Feed(Sentence(k.body));
    EXPECT_FLOAT_EQ(c->fHeading, k.heading) << k.body;
    EXPECT_GE(c->fHeading, 0.0f);
    EXPECT_LT(c->fHeading, 360.0f);
  }
}

// Numbers a float holds whose sum or unit conversion it does not: no reading, the last one stays.
TEST_F(Decoder, AHeadingOrWindSpeedThatOverflowsIsNoReading) {
  Feed(Sentence("HCHDG,80.0,,,10.0,E") + Sentence("IIMWV,45.0,R,7.2,N,A"));
  for (const char* body : {"HCHDG,0,3e38,E,3e38,E", "HCHDG,3.4e38,3e38,E,1e38,E",
                           "HCHDG,-3e38,3e38,W,1e38,W"}) {
    Feed(Sentence(body));
    EXPECT_FLOAT_EQ(c->fHeading, 90.0f) << body;
  }
  Feed(Sentence("IIMWV,270.0,R,3.4e38,M,A") + Sentence("IIMWV,90.0,R,3e38,M,A"));
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 45.0f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 7.2f);
  EXPECT_EQ(c->fWindSide, 0);
  Feed(Sentence("IIMWV,270.0,R,1.0e38,M,A"));  // large, but a number in knots too
  EXPECT_FLOAT_EQ(c->fApparentWindAngle, 90.0f);
  EXPECT_EQ(c->fWindSide, 1);
}

// --- AIS ------------------------------------------------------------------------------------

TEST_F(Decoder, VdmKeepsThePayloadAndChangesNoValue) {
  Feed(Sentence("AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0"));
  EXPECT_EQ(c->fAisType, '1');
  EXPECT_STREQ(c->fAisPayload, "177KQJ5000G?tO`K>RA1wUbN0TKH");
  const std::string huge(900, 'Q');
  Feed("!AIVDM,1,1,,B," + huge + ",0\r\n");  // a checksum is tested on 255 characters at most
  EXPECT_EQ(std::string(c->fAisPayload), huge.substr(0, Tcomms::kAisPayloadSize - 1));
  EXPECT_EQ(c->fSpeedOverGround, 0.0f);
}

TEST_F(Decoder, UnknownAndProprietarySentencesChangeNothing) {
  Feed(Sentence("IIXDR,C,19.5,C,AIR") + "$PTAK,FFP1,x*00\r\n" + Sentence("GPZDA,1,2,3"));
  Tcomms fresh(nullptr);
  fresh.fLineIndex = c->fLineIndex;
  EXPECT_EQ(Values(*c), Values(fresh));
}

// --- Through the port -----------------------------------------------------------------------

// The test's thread plays the GUI thread, running what the port's event thread hands over.
bool PumpUntil(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    rtl::CheckSynchronize(5);
  }
  return true;
}

class Ports : public ::testing::Test {
 protected:
  Ports() : in("NMEAIN", input), out("NMEAOUT", repeater) {
    c->ComPort1->SetDeviceName("NMEAIN");
    c->ComPort2->SetDeviceName("NMEAOUT");
  }
  void TearDown() override {
    c->ComPort1->Close();
    c->ComPort2->Close();
  }

  std::shared_ptr<serial::FakeLine> input = std::make_shared<serial::FakeLine>();
  std::shared_ptr<serial::FakeLine> repeater = std::make_shared<serial::FakeLine>();
  serial::ScopedFake in, out;
  win::SystemScope windows;
  std::unique_ptr<Tcomms> c = std::make_unique<Tcomms>(nullptr);
};

TEST_F(Ports, ReceivedCharactersAreDecodedOnTheGuiThread) {
  c->fDebugView = 1;
  c->ComPort1->Open();
  input->Feed("\n" + Sentence("IIVHW,,T,,M,5.4,N,,K") + Sentence("IIDBT,,f,7.25,M,,F"));
  ASSERT_TRUE(PumpUntil([&] { return c->fDepth != 0; }));
  EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 5.4f);
  EXPECT_EQ(c->fInputSeen, 1);
  EXPECT_GT(c->CGauge1->Progress(), 0);
  EXPECT_EQ(input->InputQueued(), 0);
}

TEST_F(Ports, RepeaterGetsEveryLineByteForByteWhileOpenAndTicked) {
  const std::string first = "\n" + Sentence("IIDBT,,f,7.25,M,,F") + "$IIHDG,1*00\r\n";
  const std::string second = Sentence("IIVPW,1.5,N,,") + "junk\r\n";
  c->ComPort1->SetOnRxChar(nullptr);  // driven by hand here
  c->ComPort1->Open();
  c->ComPort2->Open();
  input->Feed(first);
  c->ComPort1RxChar(c->ComPort1);
  EXPECT_EQ(repeater->TakeWritten(), "");  // box not ticked
  c->CheckBox11->SetChecked(true);
  c->CheckBox10->SetChecked(true);  // failed checksums are repeated all the same
  input->Feed(second + first);
  c->ComPort1RxChar(c->ComPort1);
  // Each LF travels with the line after it; the last one waits for its line.
  EXPECT_EQ(repeater->TakeWritten(), "\n" + second + first.substr(0, first.size() - 1));
  c->ComPort2->Close();
  input->Feed(second);
  c->ComPort1RxChar(c->ComPort1);
  EXPECT_FLOAT_EQ(c->fVMG, 1.5f);
}

// The repeater hears the instruments as they talk, whatever ends their lines and whatever noise
// cut: the pieces a new sentence cut off are repeated too.
TEST_F(Ports, RepeaterGetsLineFeedOnlyCarriageReturnOnlyAndCutLinesAsTheyCame) {
  const std::string stream = "$IIVHW,,T,,M,6.11,N,11.32,K*62\n$IIVTG,224.44,T" +
                             Sentence("IIMWV,338,R,13.41,N,A") + "x\xF7y\n\n" +
                             "$IIDBT,34.25,f,10.44,M,5.71,F*23\r$PTAK,FFD1\r!AIVDM,1\r";
  c->ComPort1->SetOnRxChar(nullptr);  // driven by hand here
  c->ComPort1->Open();
  c->ComPort2->Open();
  c->CheckBox11->SetChecked(true);
  input->Feed(stream);
  c->ComPort1RxChar(c->ComPort1);
  EXPECT_EQ(repeater->TakeWritten(), stream);
  EXPECT_FLOAT_EQ(c->fSpeedThroughWater, 6.11f);
  EXPECT_FLOAT_EQ(c->fApparentWindSpeed, 13.41f);
  EXPECT_FLOAT_EQ(c->fDepth, 10.44f);
  EXPECT_EQ(c->fSpeedOverGround, 0.0f);
}

// The cable is pulled in the middle of a sentence and the port opened again: the stream comes back
// somewhere in another sentence. Spliced to the old half, "...M,1" + "2.5,M,..." would read as a
// log speed of 12.5 kn.
TEST_F(Ports, ALineCutByAReopenIsNotFinishedByTheNewStream) {
  c->ComPort1->SetOnRxChar(nullptr);  // driven by hand here
  c->ComPort1->Open();
  input->Feed("\n$IIVHW,,T,,M,1");
  c->ComPort1RxChar(c->ComPort1);
  c->ComPort1->Close();
  c->ComPort1->Open();
  input->Feed("2.5,M,,F*00\r\n" + Sentence("IIVPW,1.5,N,,"));
  c->ComPort1RxChar(c->ComPort1);
  EXPECT_EQ(c->fSpeedThroughWater, 0.0f);
  EXPECT_FLOAT_EQ(c->fVMG, 1.5f);  // the first whole sentence is read
}

TEST(PortOnAPseudoTerminal, InstrumentsOnARealLineAreDecoded) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  win::SystemScope windows;
  auto c = std::make_unique<Tcomms>(nullptr);
  c->ComPort1->SetDeviceName(pty.path());
  c->ComPort1->Open();
  std::string stream = "\n";
  for (int i = 0; i < 50; ++i) stream += Sentence("GPVTG,054.7,T,034.4,M,5.5,N,10.2,K");
  stream += Sentence("GPGGA,123519,4916.45,S,12311.12,W,1,08,0.9,545.4,M,46.9,M,,");
  pty.Send(stream);
  EXPECT_TRUE(PumpUntil([&] { return c->fLatitude != 0; }));
  EXPECT_EQ(c->fLatitude, -4916.45f);
  EXPECT_FLOAT_EQ(c->fCourseOverGround, 54.7f);
  c->ComPort1->Close();
}

}  // namespace
