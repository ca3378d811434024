#include "standins/host/host_standin.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "platform/host_library.h"

namespace host = standins::host;

namespace {

class HostStandinTest : public ::testing::Test {
 protected:
  void SetUp() override { host::reset(); }
  void TearDown() override { host::reset(); }
};

TEST_F(HostStandinTest, ClassifiesByExceptionCode) {
  constexpr std::int32_t kUntouched = -7;
  struct Case {
    const char* what;
    std::uint32_t exceptionCode;
    std::int64_t raisedCode;
    std::optional<std::int32_t> decision;
    std::int32_t expectedDecision;
    std::int32_t expectedCode;
  };
  const Case cases[] = {
      {"raised error keeps its code", platform::kRaisedErrorException, 1050, std::nullopt, 1, 1050},
      {"raised 1400", platform::kRaisedErrorException, 1400, std::nullopt, 1, 1400},
      {"out of memory", platform::kOutOfMemoryException, 0, std::nullopt, 1, 1400},
      {"other C++ exception", platform::kProgramException, 0, std::nullopt, 1, 1101},
      {"unknown code", 0xC0000005u, 0, std::nullopt, 1, 1101},
      {"forced handling still writes the code", platform::kOutOfMemoryException, 0, 1, 1, 1400},
      {"passed on: the word is left", platform::kRaisedErrorException, 1400, 0, 0, kUntouched},
      {"resumed: the word is left", platform::kRaisedErrorException, 1400, -1, -1, kUntouched},
  };
  for (const Case& c : cases) {
    host::setDecision(c.decision);
    const platform::ExceptionInfo info{c.exceptionCode, c.raisedCode, "test"};
    std::int32_t word = kUntouched;
    EXPECT_EQ(PellantClassifyException(0, c.exceptionCode, &info, "", &word), c.expectedDecision) << c.what;
    EXPECT_EQ(word, c.expectedCode) << c.what;
  }
  host::setDecision(std::nullopt);
  host::clearCallLog();
  const platform::ExceptionInfo info{platform::kRaisedErrorException, 1400, ""};
  std::int32_t word = 0;
  PellantClassifyException(0, platform::kRaisedErrorException, &info, "", &word);
  EXPECT_EQ(host::callLog(), std::vector<std::string>{"PellantClassifyException E0484C45 1400"});
}

TEST_F(HostStandinTest, RaiseErrorThrowsWithItsCode) {
  const std::int64_t code = 1400;
  try {
    PellantRaiseError(&code);
    FAIL() << "PellantRaiseError returned";
  } catch (const platform::RaisedError& error) {
    EXPECT_EQ(error.exceptionCode(), platform::kRaisedErrorException);
    EXPECT_EQ(error.errorCode(), 1400);
  }
  EXPECT_EQ(host::callLog(), std::vector<std::string>{"PellantRaiseError 1400"});
}

TEST_F(HostStandinTest, ArmedOperationRaisesOnceAfterItsSkips) {
  host::raiseAt("PellantSetInputFlags", 1150, 2);
  PellantSetInputFlags(1, 0);
  PellantSetInputFlags(1, 0);
  try {
    PellantSetInputFlags(1, 0);
    FAIL() << "the third call did not raise";
  } catch (const platform::RaisedError& error) {
    EXPECT_EQ(error.errorCode(), 1150);
  }
  PellantSetInputFlags(1, 0);  // disarmed after raising
  EXPECT_EQ(host::callLog(), (std::vector<std::string>{"PellantSetInputFlags 1 0", "PellantSetInputFlags 1 0",
                                                       "PellantRaiseError 1150", "PellantSetInputFlags 1 0"}));

  // Other operations are not affected, and reset disarms.
  host::raiseAt("PellantPrepareFileAccess", 1400);
  EXPECT_NO_THROW(PellantSetInputFlags(1, 0));
  host::reset();
  EXPECT_NO_THROW(PellantPrepareFileAccess());
}

TEST_F(HostStandinTest, DirectoriesAndPrefixStayInsideTheCallersBuffers) {
  EXPECT_STREQ(PellantGetProgramDir(nullptr), "C:\\KVOM\\");
  host::setProgramDir("D:\\PROG\\");
  EXPECT_STREQ(PellantGetProgramDir(nullptr), "D:\\PROG\\");

  std::array<char, 17> prefix;
  prefix.fill('#');
  PellantGetFilePrefix(prefix.data());
  EXPECT_STREQ(prefix.data(), "R01");
  host::setFilePrefix("ABCDEFGHIJKLMNOPQRSTU");
  prefix.fill('#');
  PellantGetFilePrefix(prefix.data());
  EXPECT_STREQ(prefix.data(), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(prefix[16], '#');

  // The user databank and host directories: min(length, size) characters, no terminator.
  struct Case {
    std::string dir;
    std::int32_t size;
    std::optional<std::int32_t> forced;
    std::string written;
    std::int32_t result;
  };
  const Case cases[] = {
      {"C:\\USER\\", 256, std::nullopt, "C:\\USER\\", 8},
      {"C:\\USER\\", 4, std::nullopt, "C:\\U", 8},
      {"", 256, std::nullopt, "", 0},
      {"C:\\USER\\", 256, -1, "C:\\USER\\", -1},
  };
  for (const Case& c : cases) {
    host::setUserDataDir(c.dir);
    host::setUserDataDirResult(c.forced);
    host::setHostDir(c.dir);
    std::string field(20, '#');
    EXPECT_EQ(PellantGetUserDataDir(field.data(), c.size), c.result) << c.dir << " " << c.size;
    EXPECT_EQ(field, c.written + std::string(20 - c.written.size(), '#'));
    std::string buffer(20, '#');
    EXPECT_EQ(PellantGetHostDir(buffer.data(), c.size), static_cast<std::int64_t>(c.dir.size()));
    EXPECT_EQ(buffer, c.written + std::string(20 - c.written.size(), '#'));
  }
  EXPECT_EQ(host::callLog().back(), "PellantGetHostDir 256");
}

TEST_F(HostStandinTest, CaseFileAndSentPathAreRecordedWithinTheirBounds) {
  const std::string casePath = "C:\\RUN\\A.QDX        ";
  const std::int64_t trimmed = 12;
  PellantSetCaseFile(casePath.data(), static_cast<std::int64_t>(casePath.size()), &trimmed);
  EXPECT_EQ(host::lastCaseFile(), "C:\\RUN\\A.QDX");
  EXPECT_EQ(host::callLog().back(), "PellantSetCaseFile C:\\RUN\\A.QDX 12");

  // A trimmed length beyond the declared one reads no further than the declared length.
  const std::int64_t tooLong = 400;
  PellantSetCaseFile(casePath.data(), 6, &tooLong);
  EXPECT_EQ(host::lastCaseFile(), "C:\\RUN");

  // A path without a NUL in its first 80 characters is cut there.
  const std::array<char, 80> unterminated = [] {
    std::array<char, 80> chars;
    chars.fill('p');
    return chars;
  }();
  PellantSendPath(unterminated.data());
  EXPECT_EQ(host::lastSentPath(), std::string(80, 'p'));
  EXPECT_EQ(PellantSendPath("C:\\OUT\\X.KVO"), 12);
  EXPECT_EQ(host::lastSentPath(), "C:\\OUT\\X.KVO");

  int module = 0;
  PellantRegisterModule(&module);
  EXPECT_EQ(host::lastRegisteredModule(), &module);
  PellantRegisterModule(nullptr);
  EXPECT_EQ(host::lastRegisteredModule(), nullptr);
}

}  // namespace
