#include "standins/windows/windows_standin.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host_library.h"
#include "platform/windows/files.h"
#include "platform/windows/process.h"
#include "platform/windows/registry.h"
#include "standins/host/host_standin.h"
#include "tests/support/adapter.h"

namespace win = standins::windows;
using namespace platform::win;

namespace {

class WindowsStandinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    win::reset();
    standins::host::reset();
  }
  void TearDown() override {
    win::reset();
    standins::host::reset();
  }
  // The scratch directory as a Windows path ending in a backslash.
  std::string dir() const { return win::toWindowsPath(scratch.path().string()) + "\\"; }
  std::string read(const std::filesystem::path& file) const {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  kvom::test::ScratchDirectory scratch;
};

TEST_F(WindowsStandinTest, MapsWindowsPathsOntoThisMachine) {
  win::mapDrive('d', "/data/d");
  win::mapDrive('E', "/e/");
  struct Case {
    const char* windowsPath;
    const char* nativePath;
  };
  const Case cases[] = {
      {"C:\\KVOM\\XEQ\\B_PRVT.RPD", "/KVOM/XEQ/B_PRVT.RPD"},
      {"c:\\Mixed\\Case.qdx", "/Mixed/Case.qdx"},
      {"C:", "/"},
      {"C:run1.QDX", "/run1.QDX"},
      {"D:\\work\\run1.QDX", "/data/d/work/run1.QDX"},
      {"d:run1.QDX", "/data/d/run1.QDX"},
      {"E:\\x", "/e/x"},
      {"\\tmp\\x\\", "/tmp/x/"},
      {"rel\\file.TMP", "rel/file.TMP"},
      {"C:\\runs  \\R1.KVD   ", "/runs/R1.KVD"},  // names lose their trailing blanks
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(win::toNativePath(c.windowsPath), c.nativePath) << c.windowsPath;
  EXPECT_EQ(win::toWindowsPath("/tmp/x/Y.TMP"), "\\tmp\\x\\Y.TMP");
  win::reset();
  EXPECT_EQ(win::toNativePath("D:\\work"), "/work");
}

TEST_F(WindowsStandinTest, FindsFilesAndDirectoriesByPattern) {
  for (const char* name : {"R01a.TMP", "R01b.TMP", "R02.TMP", "r01c.TMP", "R01a.TMPX", "R01.BEX"}) {
    scratch.write(name, "12345");
  }
  std::filesystem::create_directory(scratch.path() / "R01dir.TMP");

  const auto find = [&](const std::string& pattern) {
    std::set<std::string> found;
    WIN32_FIND_DATAA data{};
    const HANDLE search = FindFirstFileA((dir() + pattern).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
      const bool isDirectory = data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY;
      EXPECT_EQ(data.nFileSizeLow, isDirectory ? 0u : 5u) << data.cFileName;
      EXPECT_EQ(data.nFileSizeHigh, 0u) << data.cFileName;
      found.insert(std::string(data.cFileName) + (isDirectory ? "/" : ""));
    } while (FindNextFileA(search, &data) == TRUE);
    EXPECT_EQ(FindClose(search), TRUE);
    return found;
  };
  using Names = std::set<std::string>;
  EXPECT_EQ(find("R01*.TMP"), (Names{"R01a.TMP", "R01b.TMP", "R01dir.TMP/"}));
  EXPECT_EQ(find("R0?.TMP"), (Names{"R02.TMP"}));
  EXPECT_EQ(find("*.BEX"), (Names{"R01.BEX"}));
  EXPECT_EQ(find("*a.TMP*"), (Names{"R01a.TMP", "R01a.TMPX"}));
  EXPECT_EQ(find("R09*.TMP"), Names{});
  EXPECT_EQ(find("missing\\*.TMP"), Names{});

  // A closed search is gone: its handle finds nothing and cannot be closed twice.
  WIN32_FIND_DATAA data{};
  const HANDLE search = FindFirstFileA((dir() + "*.BEX").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindClose(search), TRUE);
  EXPECT_EQ(FindNextFileA(search, &data), FALSE);
  EXPECT_EQ(FindClose(search), FALSE);
}

TEST_F(WindowsStandinTest, CopyHonoursFailIfExists) {
  struct Case {
    const char* what;
    bool sourceExists;
    bool targetExists;
    BOOL failIfExists;
    BOOL expected;
    const char* targetAfter;  // nullptr: no target file
  };
  const Case cases[] = {
      {"new target", true, false, TRUE, TRUE, "source"},
      {"overwrite allowed", true, true, FALSE, TRUE, "source"},
      {"overwrite refused", true, true, TRUE, FALSE, "target"},
      {"missing source", false, false, FALSE, FALSE, nullptr},
      {"missing source keeps the target", false, true, FALSE, FALSE, "target"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(scratch.path() / "A.QDX");
    std::filesystem::remove(scratch.path() / "A.BAK");
    if (c.sourceExists) scratch.write("A.QDX", "source");
    if (c.targetExists) scratch.write("A.BAK", "target");
    EXPECT_EQ(CopyFileA((dir() + "A.QDX").c_str(), (dir() + "A.BAK").c_str(), c.failIfExists), c.expected) << c.what;
    if (c.targetAfter == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(scratch.path() / "A.BAK")) << c.what;
    } else {
      EXPECT_EQ(read(scratch.path() / "A.BAK"), c.targetAfter) << c.what;
    }
  }
  EXPECT_EQ(CopyFileA((dir() + "A.QDX").c_str(), (dir() + "no\\such\\A.BAK").c_str(), FALSE), FALSE);
  EXPECT_EQ(win::callLog().back(), "CopyFileA " + dir() + "A.QDX " + dir() + "no\\such\\A.BAK 0");
}

TEST_F(WindowsStandinTest, AttributesDeletionAndRemoval) {
  scratch.write("F.TMP");
  std::filesystem::create_directory(scratch.path() / "D");
  EXPECT_EQ(GetFileAttributesA((dir() + "F.TMP").c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA((dir() + "D").c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA((dir() + "f.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(DeleteFileA((dir() + "D").c_str()), FALSE);  // not a file
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "D"));
  EXPECT_EQ(DeleteFileA((dir() + "F.TMP").c_str()), TRUE);
  EXPECT_EQ(DeleteFileA((dir() + "F.TMP").c_str()), FALSE);

  scratch.write("G.TMP");
  EXPECT_EQ(platform::crt::removeFile((dir() + "G.TMP").c_str()), 0);
  EXPECT_NE(platform::crt::removeFile((dir() + "G.TMP").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "G.TMP"));
  // An empty folder is no file for either removal.
  EXPECT_NE(platform::crt::removeFile((dir() + "D").c_str()), 0);
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "D"));
}

TEST_F(WindowsStandinTest, CreateNewAndDeleteOnClose) {
  const std::string file = dir() + "LOCK.TMP";
  const HANDLE first =
      CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "LOCK.TMP"));
  EXPECT_EQ(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(first), TRUE);
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "LOCK.TMP"));
  EXPECT_EQ(CloseHandle(first), FALSE);

  // Without the flag the file stays; a missing directory or file fails.
  const HANDLE kept = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(kept, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CloseHandle(kept), TRUE);
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "LOCK.TMP"));
  EXPECT_EQ(CreateFileA((dir() + "no\\X.TMP").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileA((dir() + "Y.TMP").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
}

TEST_F(WindowsStandinTest, TempPathReportsTheSizeItNeeds) {
  win::setTempPath("\\tmp\\x\\");  // 7 characters
  struct Case {
    DWORD bufferSize;
    DWORD expected;
    std::string buffer;
  };
  const Case cases[] = {
      {255, 7, "\\tmp\\x\\"},
      {8, 7, "\\tmp\\x\\"},
      {7, 8, "#########"},
      {0, 8, "#########"},
  };
  for (const Case& c : cases) {
    std::string buffer(9, '#');
    EXPECT_EQ(GetTempPathA(c.bufferSize, buffer.data()), c.expected) << c.bufferSize;
    EXPECT_EQ(buffer.c_str(), c.buffer) << c.bufferSize;
  }
  win::failTempPath(true);
  std::string buffer(9, '#');
  EXPECT_EQ(GetTempPathA(255, buffer.data()), 0u);
  EXPECT_EQ(buffer, "#########");

  // The default: this machine's temp directory with a closing backslash.
  win::reset();
  const char* saved = std::getenv("TMPDIR");
  const std::string restore = saved != nullptr ? saved : "";
  setenv("TMPDIR", "/var/scratch", 1);
  char path[MAX_PATH];
  EXPECT_EQ(GetTempPathA(MAX_PATH, path), 13u);
  EXPECT_STREQ(path, "\\var\\scratch\\");
  unsetenv("TMPDIR");
  EXPECT_EQ(GetTempPathA(MAX_PATH, path), 5u);
  EXPECT_STREQ(path, "\\tmp\\");
  if (saved != nullptr) setenv("TMPDIR", restore.c_str(), 1);
}

TEST_F(WindowsStandinTest, RegistryOpensExistingKeysAndQueriesStrings) {
  win::setRegistryValue("HKCU\\SOFTWARE\\Maker\\Old", "Language", "GER");
  win::addRegistryKey("HKLM\\SOFTWARE\\Maker");

  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_ALL_SUBKEY_ACCESS, &software), ERROR_SUCCESS);
  HKEY old = nullptr;
  ASSERT_EQ(RegOpenKeyExA(software, "Maker\\Old", 0, KEY_READ, &old), ERROR_SUCCESS);
  HKEY missing = software;
  EXPECT_EQ(RegOpenKeyExA(software, "Other", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Maker\\Product", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);

  struct Case {
    const char* name;
    DWORD capacity;
    LONG expected;
    DWORD size;
    std::string data;
  };
  const Case cases[] = {
      {"Language", 16, ERROR_SUCCESS, 4, std::string("GER\0############", 16)},
      {"Language", 4, ERROR_SUCCESS, 4, std::string("GER\0", 4)},
      {"Language", 3, ERROR_MORE_DATA, 4, "###"},
      {"Missing", 16, ERROR_FILE_NOT_FOUND, 16, std::string(16, '#')},
  };
  for (const Case& c : cases) {
    std::string data(c.capacity, '#');
    DWORD type = 0;
    DWORD size = c.capacity;
    EXPECT_EQ(RegQueryValueExA(old, c.name, nullptr, &type, reinterpret_cast<std::uint8_t*>(data.data()), &size),
              c.expected)
        << c.name << " " << c.capacity;
    EXPECT_EQ(size, c.size) << c.name << " " << c.capacity;
    EXPECT_EQ(data, c.data) << c.name << " " << c.capacity;
    if (c.expected != ERROR_FILE_NOT_FOUND) {
      EXPECT_EQ(type, REG_SZ);
    }
  }

  EXPECT_EQ(RegCloseKey(old), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(software), ERROR_SUCCESS);
  EXPECT_NE(RegCloseKey(old), ERROR_SUCCESS);
  DWORD size = 16;
  EXPECT_NE(RegQueryValueExA(old, "Language", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
}

TEST_F(WindowsStandinTest, ProgramsAreRecordedNotRun) {
  const char* const arguments[] = {"C:\\KVOM\\TOOL.EXE", "first", "second", nullptr};
  EXPECT_GT(platform::crt::spawnv(0, "C:\\KVOM\\TOOL.EXE", arguments), 0);
  EXPECT_EQ(WinExec("notepad C:\\X.TXT", 1), 33u);
  EXPECT_EQ(win::startedPrograms(),
            (std::vector<std::string>{"spawnv 0 C:\\KVOM\\TOOL.EXE C:\\KVOM\\TOOL.EXE first second",
                                      "WinExec 1 notepad C:\\X.TXT"}));
  EXPECT_EQ(win::callLog(), win::startedPrograms());
  win::reset();
  EXPECT_TRUE(win::startedPrograms().empty());
}

TEST_F(WindowsStandinTest, ArmedFileOperationRaisesThroughTheHostLibrary) {
  scratch.write("A.QDX", "source");
  const std::string source = dir() + "A.QDX";
  const std::string target = dir() + "A.BAK";
  standins::host::raiseAt("CopyFileA", 1400, 1);
  EXPECT_EQ(CopyFileA(source.c_str(), target.c_str(), FALSE), TRUE);
  std::filesystem::remove(scratch.path() / "A.BAK");
  try {
    CopyFileA(source.c_str(), target.c_str(), FALSE);
    FAIL() << "the armed copy did not raise";
  } catch (const platform::RaisedError& error) {
    EXPECT_EQ(error.errorCode(), 1400);
  }
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "A.BAK"));
  EXPECT_EQ(standins::host::callLog().back(), "PellantRaiseError 1400");
  EXPECT_EQ(CopyFileA(source.c_str(), target.c_str(), FALSE), TRUE);
}

}  // namespace

namespace {

TEST_F(WindowsStandinTest, AFullDiskStopsEveryFileWriteAtItsLimit) {
  scratch.write("A.QDX", "0123456789abcdefghij");
  const std::string source = dir() + "A.QDX";
  win::failWritesAfter(8);
  EXPECT_EQ(CopyFileA(source.c_str(), (dir() + "B.QDX").c_str(), FALSE), FALSE);
  EXPECT_EQ(read(scratch.path() / "B.QDX"), "01234567") << "what was written stays";

  std::FILE* stream = platform::crt::openFile((dir() + "C.TXT").c_str(), "w");
  ASSERT_NE(stream, nullptr);
  EXPECT_LT(std::fputs("0123456789", stream), 0) << "the write beyond the limit fails";
  std::fclose(stream);
  EXPECT_EQ(read(scratch.path() / "C.TXT"), "01234567");

  win::failWritesAfter(std::nullopt);
  EXPECT_EQ(CopyFileA(source.c_str(), (dir() + "B.QDX").c_str(), FALSE), TRUE);
  EXPECT_EQ(read(scratch.path() / "B.QDX"), "0123456789abcdefghij");
}

// Under a write limit a stream that reads and writes passes each flush on to the file, as one
// without a limit does: what it wrote is on disk before it is closed, and a read after the flush
// goes on from where the write ended. A limit that is met fails the flush (in text mode the write
// itself, which flushes at once) and leaves the bytes up to it on disk.
TEST_F(WindowsStandinTest, AFullDiskStreamFlushesWhatItWroteBeforeItReads) {
  struct Case {
    const char* mode;
    std::uint64_t writeLimit;
    std::string onDisk;  // after writing "AB" to a file that held "hello", and a flush
    long position;       // where the stream stands after the flush
    std::string readOn;  // what a read from there gives
  };
  const Case cases[] = {
      {"r+", 100, "ABllo", 2, "llo"}, {"r+b", 100, "ABllo", 2, "llo"}, {"w+", 100, "AB", 2, ""},
      {"w+b", 100, "AB", 2, ""},      {"a+", 100, "helloAB", 7, ""},   {"a+b", 100, "helloAB", 7, ""},
      {"r+", 1, "Aello", 0, ""},      {"r+b", 1, "Aello", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " limit " << c.writeLimit);
    scratch.write("RW.BIN", "hello");
    win::failWritesAfter(c.writeLimit);
    std::FILE* stream = platform::crt::openFile((dir() + "RW.BIN").c_str(), c.mode);
    ASSERT_NE(stream, nullptr);
    const bool fits = c.writeLimit >= 2;
    const bool wrote = std::fputs("AB", stream) >= 0;
    const bool flushed = std::fflush(stream) == 0;
    EXPECT_EQ(wrote && flushed, fits);
    EXPECT_EQ(std::ferror(stream) == 0, fits);
    EXPECT_EQ(read(scratch.path() / "RW.BIN"), c.onDisk) << "on disk before the stream is closed";
    if (fits) {
      EXPECT_EQ(std::ftell(stream), c.position);
      std::string readOn;
      for (int ch; (ch = std::fgetc(stream)) != EOF;) readOn += static_cast<char>(ch);
      EXPECT_EQ(readOn, c.readOn);
      EXPECT_EQ(std::ferror(stream), 0);
      std::rewind(stream);
      std::string whole;
      for (int ch; (ch = std::fgetc(stream)) != EOF;) whole += static_cast<char>(ch);
      EXPECT_EQ(whole, c.onDisk);
      EXPECT_EQ(std::fclose(stream), 0);
    } else {
      std::fclose(stream);
    }
    win::failWritesAfter(std::nullopt);
    EXPECT_EQ(read(scratch.path() / "RW.BIN"), c.onDisk);
  }
}

TEST_F(WindowsStandinTest, TextModeReadsCrLfAsOneLineEnd) {
  // A CR LF across the run-time's buffer boundary, a lone CR, an empty line and a CR at the end.
  const std::string raw = std::string(4095, 'x') + "\r\nb\rc\r\n\r\nd\r";
  const std::string text = std::string(4095, 'x') + "\nb\rc\n\nd\r";
  scratch.write("T.KVD", raw);
  struct Case {
    const char* mode;
    bool fullDisk;  // a write limit puts its own stream under the text reading
    std::string expected;
  };
  const Case cases[] = {{"r", false, text}, {"rt", false, text}, {"r", true, text},
                        {"rb", false, raw}, {"r+b", false, raw}, {"r+", true, text}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << (c.fullDisk ? " full disk" : ""));
    if (c.fullDisk) win::failWritesAfter(100);
    std::FILE* stream = platform::crt::openFile((dir() + "T.KVD").c_str(), c.mode);
    ASSERT_NE(stream, nullptr);
    std::string read;
    std::array<char, 1000> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), stream)) > 0;) read.append(chunk.data(), n);
    EXPECT_EQ(read, c.expected);
    EXPECT_EQ(std::fclose(stream), 0);
    win::failWritesAfter(std::nullopt);
  }
}

// What a text-mode read makes of the bytes on disk, and the position on disk after each of its
// characters.
struct TextOnDisk {
  std::string text;
  std::vector<long> after;
};

TextOnDisk textOf(const std::string& raw) {
  TextOnDisk t;
  for (std::size_t at = 0; at < raw.size(); ++at) {
    if (raw[at] == '\r' && at + 1 < raw.size() && raw[at + 1] == '\n') ++at;
    t.text += raw[at];
    t.after.push_back(static_cast<long>(at + 1));
  }
  return t;
}

// Wherever a text-mode stream stands, ftell gives the position on disk of the next character it
// reads, and a seek there reads on from it: after fgets, fgetc and fread, with the run-time's
// buffer, small buffers whose fills end in a line end, and none.
TEST_F(WindowsStandinTest, TextModePositionsAreBytesOnDisk) {
  struct Case {
    const char* mode;
    std::size_t buffer;  // the stream's own buffer of this size; 0 keeps the run-time's, 1 is none
    bool fullDisk;       // a write limit puts its own stream under the text reading
  };
  const Case cases[] = {{"r", 0, false},  {"r", 16, false},  {"r", 5, false},  {"r", 1, false},
                        {"r+", 0, false}, {"r+", 16, false}, {"a+", 5, false}, {"r", 16, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " buffer " << c.buffer << (c.fullDisk ? " full disk" : ""));
    // The first line's CR is the last byte of the first fill; then an empty line, a lone CR within
    // a line and one at the start of the last line, which has no line end.
    const std::size_t fill = c.buffer > 1 ? c.buffer : BUFSIZ;
    const std::string raw = std::string(fill - 1, 'x') + "\r\nAB\r\n\r\nC\rD\r\nEF\r\n\rG";
    const TextOnDisk t = textOf(raw);
    scratch.write("POS.TXT", raw);
    if (c.fullDisk) win::failWritesAfter(100);
    std::FILE* stream = platform::crt::openFile((dir() + "POS.TXT").c_str(), c.mode);
    ASSERT_NE(stream, nullptr);
    std::vector<char> buffer(c.buffer);
    if (c.buffer == 1) std::setvbuf(stream, nullptr, _IONBF, 0);
    if (c.buffer > 1) std::setvbuf(stream, buffer.data(), _IOFBF, buffer.size());

    // Line by line: where each line starts, and that a seek back to it reads it again.
    std::vector<std::string> expectedLines;
    std::vector<long> expectedStarts{0};
    for (std::size_t i = 0; i < t.text.size(); ++i) {
      if (i == 0 || t.text[i - 1] == '\n') expectedLines.emplace_back();
      expectedLines.back() += t.text[i];
      if (t.text[i] == '\n' || i + 1 == t.text.size()) expectedStarts.push_back(t.after[i]);
    }
    std::vector<std::string> lines;
    std::vector<long> starts{std::ftell(stream)};
    std::vector<char> line(raw.size() + 1);
    while (std::fgets(line.data(), static_cast<int>(line.size()), stream) != nullptr) {
      lines.emplace_back(line.data());
      starts.push_back(std::ftell(stream));
    }
    EXPECT_EQ(lines, expectedLines);
    EXPECT_EQ(starts, expectedStarts);
    for (std::size_t k = lines.size(); k-- > 0;) {
      ASSERT_EQ(std::fseek(stream, starts[k], SEEK_SET), 0);
      ASSERT_NE(std::fgets(line.data(), static_cast<int>(line.size()), stream), nullptr);
      EXPECT_EQ(line.data(), expectedLines[k]) << "line " << k;
      EXPECT_EQ(std::ftell(stream), expectedStarts[k + 1]);
    }

    // Character by character, with a seek to where it stands now and then, pushed-back characters
    // and a seek by nothing from the current position.
    std::rewind(stream);
    std::string text;
    for (std::size_t i = 0; i < t.text.size(); ++i) {
      const int ch = std::fgetc(stream);
      ASSERT_NE(ch, EOF) << "character " << i;
      text += static_cast<char>(ch);
      ASSERT_EQ(std::ftell(stream), t.after[i]) << "after character " << i;
      if (i % 7 == 3) {
        ASSERT_EQ(std::fseek(stream, t.after[i], SEEK_SET), 0);
      }
      if (i % 5 == 1) {
        ASSERT_EQ(std::ungetc(ch, stream), ch);
        ASSERT_EQ(std::ftell(stream), i == 0 ? 0 : t.after[i - 1]) << "pushed back " << i;
        ASSERT_EQ(std::fgetc(stream), ch);
      }
      if (i % 13 == 6) {
        // Another character pushed back and read again leaves the stream where it was.
        ASSERT_EQ(std::ungetc('#', stream), '#');
        ASSERT_EQ(std::fgetc(stream), '#');
        ASSERT_EQ(std::ftell(stream), t.after[i]) << "pushed back another after " << i;
      }
      if (i % 11 == 8) {
        ASSERT_EQ(std::fseek(stream, 0, SEEK_CUR), 0);
      }
    }
    EXPECT_EQ(text, t.text);
    EXPECT_EQ(std::fgetc(stream), EOF);
    EXPECT_EQ(std::ftell(stream), static_cast<long>(raw.size()));

    // A few characters at a time.
    std::rewind(stream);
    text.clear();
    std::array<char, 3> piece{};
    for (std::size_t n; (n = std::fread(piece.data(), 1, piece.size(), stream)) > 0;) {
      text.append(piece.data(), n);
      ASSERT_EQ(std::ftell(stream), t.after[text.size() - 1]) << "after " << text.size() << " characters";
    }
    EXPECT_EQ(text, t.text);
    EXPECT_EQ(std::fclose(stream), 0);
    win::failWritesAfter(std::nullopt);
  }
}

// The bytes that text takes on disk in text mode.
std::string onDiskOf(std::string_view text) {
  std::string raw;
  for (const char ch : text) raw += ch == '\n' ? std::string_view("\r\n") : std::string_view(&ch, 1);
  return raw;
}

// A caller may give a text-mode stream that writes a buffer of its own, which holds what is not
// yet written in characters. Its positions stay bytes on disk all the same: after each write ftell
// gives where the text so far ends on disk, also while the text is still in the buffer, and a seek
// to such a position reads the line from there.
TEST_F(WindowsStandinTest, TextModeStreamWithItsOwnBufferTellsBytesOnDisk) {
  struct Case {
    const char* mode;
    bool ownArray;  // the caller's array as the buffer, else one of the run-time's choosing
  };
  const Case cases[] = {{"w", true},   {"w", false}, {"w+", true}, {"w+", false}, {"r+", true},
                        {"r+", false}, {"a", true},  {"a", false}, {"a+", true},  {"a+", false}};
  // Line ends within a piece, at its end, two in a row, and a line longer than the buffer; every
  // other piece goes a character at a time.
  const std::string pieces[] = {"A\n", "BC\n\n", "D", "E\nF\n", std::string(300, 'x') + "\n", "G\n", "H"};
  const std::string old = "old\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << (c.ownArray ? " own array" : " run-time's buffer"));
    scratch.write("BUF.TXT", old);
    std::FILE* stream = platform::crt::openFile((dir() + "BUF.TXT").c_str(), c.mode);
    ASSERT_NE(stream, nullptr);
    std::array<char, 256> buffer{};
    ASSERT_EQ(std::setvbuf(stream, c.ownArray ? buffer.data() : nullptr, _IOFBF, buffer.size()), 0);

    const std::string_view mode = c.mode;
    const bool appends = mode[0] == 'a';
    const bool reads = mode.find('+') != std::string_view::npos;
    const std::string before = appends ? old : "";
    std::string written;
    std::vector<std::size_t> ends;  // characters written when each position was told
    std::vector<long> told;
    for (const std::string& piece : pieces) {
      if (ends.size() % 2 == 0) {
        ASSERT_GE(std::fputs(piece.c_str(), stream), 0);
      } else {
        for (const char ch : piece) ASSERT_EQ(std::fputc(ch, stream), ch);
      }
      written += piece;
      ends.push_back(written.size());
      told.push_back(std::ftell(stream));
      EXPECT_EQ(told.back(), static_cast<long>((before + onDiskOf(written)).size())) << "after " << written.size();
    }
    ASSERT_EQ(std::fflush(stream), 0);
    EXPECT_EQ(read(scratch.path() / "BUF.TXT"), before + onDiskOf(written));
    EXPECT_EQ(std::ftell(stream), told.back());

    if (reads) {
      // Back to where each piece ended, latest first, and the line from there.
      std::vector<char> line(512);
      for (std::size_t k = ends.size() - 1; k-- > 0;) {
        const std::size_t lineFeed = written.find('\n', ends[k]);
        const std::size_t lineEnd = lineFeed == std::string::npos ? written.size() : lineFeed + 1;
        ASSERT_EQ(std::fseek(stream, told[k], SEEK_SET), 0);
        ASSERT_NE(std::fgets(line.data(), static_cast<int>(line.size()), stream), nullptr) << "piece " << k;
        EXPECT_EQ(line.data(), written.substr(ends[k], lineEnd - ends[k])) << "piece " << k;
        EXPECT_EQ(std::ftell(stream), static_cast<long>((before + onDiskOf(written.substr(0, lineEnd))).size()))
            << "piece " << k;
      }
    }
    EXPECT_EQ(std::fclose(stream), 0);
  }
}

// Writes, flushes, seeks and reads in turn on one text-mode stream with a buffer of its own: every
// position it tells is bytes on disk, and a write or read lands there.
TEST_F(WindowsStandinTest, TextModeStreamWithItsOwnBufferMixesWritesSeeksAndReads) {
  std::array<char, 256> buffer{};
  std::array<char, 64> line{};
  const auto open = [&](const char* mode) {
    std::FILE* stream = platform::crt::openFile((dir() + "MIX.TXT").c_str(), mode);
    if (stream != nullptr) std::setvbuf(stream, buffer.data(), _IOFBF, buffer.size());
    return stream;
  };
  const auto readLine = [&](std::FILE* stream) -> std::string {
    return std::fgets(line.data(), static_cast<int>(line.size()), stream) != nullptr ? line.data() : "<EOF>";
  };

  {
    SCOPED_TRACE("w+");
    std::FILE* stream = open("w+");
    ASSERT_NE(stream, nullptr);
    ASSERT_GE(std::fputs("one\ntwo\n", stream), 0);
    EXPECT_EQ(std::ftell(stream), 10);
    ASSERT_EQ(std::fseek(stream, 5, SEEK_SET), 0);
    EXPECT_EQ(readLine(stream), "two\n");
    EXPECT_EQ(std::ftell(stream), 10);
    EXPECT_EQ(readLine(stream), "<EOF>");
    ASSERT_EQ(std::fseek(stream, 0, SEEK_CUR), 0);
    ASSERT_GE(std::fputs("three\n", stream), 0);
    EXPECT_EQ(std::ftell(stream), 17);
    ASSERT_EQ(std::fflush(stream), 0);
    EXPECT_EQ(read(scratch.path() / "MIX.TXT"), "one\r\ntwo\r\nthree\r\n");
    ASSERT_EQ(std::fseek(stream, 5, SEEK_SET), 0);
    ASSERT_GE(std::fputs("TWO\n", stream), 0);
    EXPECT_EQ(std::ftell(stream), 10);
    std::rewind(stream);
    EXPECT_EQ(readLine(stream), "one\n");
    EXPECT_EQ(readLine(stream), "TWO\n");
    EXPECT_EQ(std::ftell(stream), 10);
    EXPECT_EQ(readLine(stream), "three\n");
    EXPECT_EQ(std::ftell(stream), 17);
    EXPECT_EQ(std::fclose(stream), 0);
    EXPECT_EQ(read(scratch.path() / "MIX.TXT"), "one\r\nTWO\r\nthree\r\n");
  }
  {
    SCOPED_TRACE("r+");
    scratch.write("MIX.TXT", "old\r\nline\r\nend\r\n");
    std::FILE* stream = open("r+");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(readLine(stream), "old\n");
    EXPECT_EQ(std::ftell(stream), 5);
    ASSERT_EQ(std::fseek(stream, 0, SEEK_CUR), 0);
    ASSERT_GE(std::fputs("LINE\n", stream), 0);
    EXPECT_EQ(std::ftell(stream), 11);
    ASSERT_EQ(std::fseek(stream, 0, SEEK_CUR), 0);
    EXPECT_EQ(readLine(stream), "end\n");
    EXPECT_EQ(std::ftell(stream), 16);
    EXPECT_EQ(readLine(stream), "<EOF>");
    ASSERT_EQ(std::fseek(stream, 0, SEEK_END), 0);
    ASSERT_GE(std::fputs("more\n", stream), 0);
    EXPECT_EQ(std::ftell(stream), 22);
    ASSERT_EQ(std::fseek(stream, 5, SEEK_SET), 0);
    EXPECT_EQ(readLine(stream), "LINE\n");
    EXPECT_EQ(std::ftell(stream), 11);
    std::rewind(stream);
    std::string text;
    for (std::string l; (l = readLine(stream)) != "<EOF>";) text += l;
    EXPECT_EQ(text, "old\nLINE\nend\nmore\n");
    EXPECT_EQ(std::ftell(stream), 22);
    EXPECT_EQ(std::fclose(stream), 0);
    EXPECT_EQ(read(scratch.path() / "MIX.TXT"), "old\r\nLINE\r\nend\r\nmore\r\n");
  }
}

TEST_F(WindowsStandinTest, TextModeWritesEveryLineEndAsCrLf) {
  struct Case {
    const char* mode;
    std::optional<std::uint64_t> writeLimit;
    std::string onDisk;
  };
  // A limit inside a line end keeps its CR only, as a full disk does.
  const Case cases[] = {{"w", std::nullopt, "A\r\nB\r\n"},
                        {"wt", std::nullopt, "A\r\nB\r\n"},
                        {"a", std::nullopt, "A\r\nB\r\n"},
                        {"w+", std::nullopt, "A\r\nB\r\n"},
                        {"wb", std::nullopt, "A\nB\n"},
                        {"ab", std::nullopt, "A\nB\n"},
                        {"a", 2, "A\r"},
                        {"a+", 3, "A\r\n"},
                        {"w", 6, "A\r\nB\r\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.mode << " limit " << c.writeLimit.value_or(0));
    std::filesystem::remove(scratch.path() / "L.TXT");
    win::failWritesAfter(c.writeLimit);
    std::FILE* stream = platform::crt::openFile((dir() + "L.TXT").c_str(), c.mode);
    ASSERT_NE(stream, nullptr);
    const bool fits = !c.writeLimit || *c.writeLimit >= std::string_view("A\r\nB\r\n").size();
    EXPECT_EQ(std::fputs("A\nB\n", stream) >= 0, fits) << "a full disk shows at the write that met it";
    EXPECT_EQ(std::ferror(stream) == 0, fits);
    std::fclose(stream);
    win::failWritesAfter(std::nullopt);
    EXPECT_EQ(read(scratch.path() / "L.TXT"), c.onDisk);
  }
}

// Reading and writing one text-mode stream: its position is the file's, in bytes, whatever line
// ends lie before it, so a write after a read lands where the read stopped.
TEST_F(WindowsStandinTest, TextModeStreamThatReadsAndWritesKeepsItsPlace) {
  scratch.write("RW.TXT", "A\r\nB\r\n");
  std::FILE* stream = platform::crt::openFile((dir() + "RW.TXT").c_str(), "r+");
  ASSERT_NE(stream, nullptr);
  ASSERT_EQ(std::fseek(stream, 0, SEEK_SET), 0);
  std::array<char, 16> line{};
  ASSERT_NE(std::fgets(line.data(), static_cast<int>(line.size()), stream), nullptr);
  EXPECT_STREQ(line.data(), "A\n");
  EXPECT_EQ(std::ftell(stream), 3);
  ASSERT_EQ(std::fseek(stream, 0, SEEK_CUR), 0);
  std::fputs("X\n", stream);
  EXPECT_EQ(std::ftell(stream), 6);
  std::fclose(stream);
  EXPECT_EQ(read(scratch.path() / "RW.TXT"), "A\r\nX\r\n");

  stream = platform::crt::openFile((dir() + "RW.TXT").c_str(), "a+");
  ASSERT_NE(stream, nullptr);
  ASSERT_NE(std::fgets(line.data(), static_cast<int>(line.size()), stream), nullptr);
  std::fputs("C\n", stream);  // appending goes to the end, wherever the stream read
  std::rewind(stream);
  std::string text;
  while (std::fgets(line.data(), static_cast<int>(line.size()), stream) != nullptr) text += line.data();
  EXPECT_EQ(text, "A\nX\nC\n");
  EXPECT_EQ(std::ftell(stream), 9);
  std::fclose(stream);
  EXPECT_EQ(read(scratch.path() / "RW.TXT"), "A\r\nX\r\nC\r\n");
}

TEST_F(WindowsStandinTest, MoveFileExReplacesInOneStepAndFailsWhenTold) {
  scratch.write("NEW", "new");
  scratch.write("OLD", "old");
  const std::string from = dir() + "NEW";
  const std::string to = dir() + "OLD";
  EXPECT_EQ(MoveFileExA(from.c_str(), to.c_str(), 0), FALSE) << "an existing target needs the replace flag";
  win::failOperation("MoveFileExA", 0, 1);
  EXPECT_EQ(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING), FALSE);
  EXPECT_EQ(read(scratch.path() / "OLD"), "old");
  EXPECT_EQ(MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING), TRUE) << "failed once only";
  EXPECT_EQ(read(scratch.path() / "OLD"), "new");
  EXPECT_FALSE(std::filesystem::exists(scratch.path() / "NEW"));
}

}  // namespace

namespace {

TEST_F(WindowsStandinTest, SetEndOfFileCutsAFileAtItsPointer) {
  scratch.write("F.BFD", "0123456789");
  const std::string file = dir() + "F.BFD";
  const HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(handle, 0, &high, FILE_END), 10u);
  EXPECT_EQ(high, 0);
  EXPECT_EQ(SetFilePointer(handle, -3, nullptr, FILE_CURRENT), 7u) << "a distance without high part is signed";
  EXPECT_EQ(SetFilePointer(handle, -8, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER) << "before the start";
  EXPECT_EQ(SetFilePointer(handle, 4, &high, FILE_BEGIN), 4u);
  win::failOperation("SetEndOfFile", 0, 1);
  EXPECT_EQ(SetEndOfFile(handle), FALSE);
  EXPECT_EQ(read(scratch.path() / "F.BFD"), "0123456789");
  EXPECT_EQ(SetEndOfFile(handle), TRUE);
  EXPECT_EQ(CloseHandle(handle), TRUE);
  EXPECT_EQ(read(scratch.path() / "F.BFD"), "0123");

  // Cutting needs write access; a closed handle is no file.
  const HANDLE reading = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reading, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SetFilePointer(reading, 1, nullptr, FILE_BEGIN), 1u);
  EXPECT_EQ(SetEndOfFile(reading), FALSE);
  EXPECT_EQ(CloseHandle(reading), TRUE);
  EXPECT_EQ(SetEndOfFile(reading), FALSE);
  EXPECT_EQ(SetFilePointer(reading, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(read(scratch.path() / "F.BFD"), "0123");
}

}  // namespace
