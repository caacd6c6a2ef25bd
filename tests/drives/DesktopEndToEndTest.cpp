// A card the desktop has mounted, written by a user who is not root and not in the disk group,
// through the real disk service and polkit. ext4 stands in for the card's FAT (this kernel has
// no vfat). Needs root to set the machine up; skips elsewhere.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>

#include "drives/Volume.h"
#include "tests/drives/DesktopServices.h"
#include "tests/support/FileBytes.h"

namespace vorlane::testing {
namespace {

constexpr std::uint64_t CardSize = 64 << 20;
constexpr std::uint64_t TestSectorByte = 8190 * 512;
constexpr std::uint64_t SegmentByte = 8192 * 512;
constexpr std::size_t WavSize = 100044;  // 195 whole sectors and 204 bytes
// The segment's image: the file's 196 sectors, the last one padded, and one sector of padding.
constexpr std::size_t ImageSize = 197 * 512;
// From the test sector to one sector past the segment image: what a job may touch.
constexpr std::size_t JobRange = SegmentByte - TestSectorByte + ImageSize + 512;

std::string MissingPrerequisite() {
  if (geteuid() != 0) return "needs root";
  for (const char* program :
       {"/usr/bin/dbus-daemon", "/lib/systemd/systemd-udevd", "/usr/libexec/udisks2/udisksd",
        "/usr/bin/pkcheck", "/usr/sbin/mkfs.ext4", "/usr/sbin/useradd"})
    if (access(program, X_OK) != 0) return std::string("needs ") + program;
  if (access("/dev/loop-control", F_OK) != 0) return "needs loop devices";
  return {};
}

// A WAV file whose bytes differ from their neighbours and from the 0x80 padding.
std::vector<std::uint8_t> MakeWav() {
  std::vector<std::uint8_t> bytes(WavSize);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 % 251 + 1);
  const std::uint32_t riffSize = WavSize - 8;
  const char header[] = "RIFF....WAVEfmt ";
  std::copy(header, header + 16, bytes.begin());
  for (int k = 0; k < 4; ++k) bytes[4 + k] = static_cast<std::uint8_t>(riffSize >> (8 * k));
  return bytes;
}

class DesktopCard : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Missing = MissingPrerequisite();
    if (!Missing.empty()) return;
    Services = TDesktopServices::Start(WhyNot);
    if (Services) User = TTestUser::Create(WhyNot);
  }
  static void TearDownTestSuite() {
    User.reset();
    Services.reset();
  }

  void SetUp() override {
    if (!Missing.empty()) GTEST_SKIP() << Missing;
    ASSERT_TRUE(Services && User) << WhyNot;
    std::string why;
    Card = TMountedCard::Make(CardSize, why);
    ASSERT_TRUE(Card) << why;
    ASSERT_TRUE(Services->WaitUntilServiceSeesMounted(Card->Loop().Device(), true));
    char pattern[] = "/tmp/vorlane-wav-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    chmod(pattern, 0755);  // the test user reads the file in it
    Wav = MakeWav();
    std::ofstream(Folder / "voice.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(Wav.data()), static_cast<std::streamsize>(Wav.size()));
    chmod((Folder / "voice.wav").c_str(), 0644);
    Before = CardBytes();
  }
  void TearDown() override {
    Card.reset();
    if (!Folder.empty()) std::filesystem::remove_all(Folder);
  }

  int WriteAsUser(std::string& errorOutput) {
    return User->Run(
        {WRITE_SEGMENT_AS_USER, Card->Loop().Device(), (Folder / "voice.wav").string()},
        errorOutput);
  }
  std::vector<std::uint8_t> CardBytes() const {
    return ReadFileRange(Card->Loop().BackingFile(), TestSectorByte, JobRange);
  }
  std::string CardText() const {
    std::string text;
    std::getline(std::ifstream(Card->MountPoint() / "card.txt"), text);
    return text;
  }
  // Nothing of the job reached the card, and its file system is there as it was.
  void ExpectCardUntouched() {
    EXPECT_TRUE(Card->IsMounted()) << "the file system was taken off";
    EXPECT_EQ(CardText(), "kept");
    EXPECT_TRUE(CardBytes() == Before) << "sectors of the job's range changed";
  }

  static inline std::string Missing;  // the machine cannot run these tests
  static inline std::string WhyNot;   // it should, but setting up failed
  static inline std::unique_ptr<TDesktopServices> Services;
  static inline std::unique_ptr<TTestUser> User;
  std::unique_ptr<TMountedCard> Card;
  std::filesystem::path Folder;
  std::vector<std::uint8_t> Wav;
  std::vector<std::uint8_t> Before;
};

TEST_F(DesktopCard, UserAllowedByPolkitGetsTheFileSystemTakenOffAndTheSegmentWrittenExactly) {
  TPolkitRule rule(*User, UdisksRuleFor(*User), OpenSystemDevice);
  ASSERT_TRUE(rule.Applied()) << "polkit did not take the rule";
  std::string errors;
  ASSERT_EQ(WriteAsUser(errors), 0) << errors;
  EXPECT_FALSE(Card->IsMounted()) << "wrote under a mounted file system";

  const std::vector<std::uint8_t> after = CardBytes();
  const std::vector<std::uint8_t> testSector(after.begin(), after.begin() + 512);
  EXPECT_EQ(testSector[0], 0x01);
  EXPECT_EQ(testSector[255], 0x00);
  EXPECT_EQ(testSector[511], 0x00);
  for (std::size_t k = 0; k < 512; ++k)
    ASSERT_EQ(testSector[k], static_cast<std::uint8_t>(k + 1)) << "test sector byte " << k;
  EXPECT_TRUE(std::equal(after.begin() + 512, after.begin() + 1024, Before.begin() + 512))
      << "sector 8191 lies between the test sector and the segment and must stay";
  std::vector<std::uint8_t> image = Wav;
  image.resize(ImageSize, 0x80);
  const auto segment = after.begin() + (SegmentByte - TestSectorByte);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), segment)) << "segment not byte-exact";
  EXPECT_TRUE(std::equal(segment + ImageSize, after.end(), Before.end() - 512))
      << "the sector after the segment must stay";
}

TEST_F(DesktopCard, UserWithoutARuleIsRefusedAndNothingIsTouched) {
  ASSERT_TRUE(WaitForPolkit(*User, OpenSystemDevice, false)) << "allowed without a rule";
  std::string errors;
  EXPECT_EQ(WriteAsUser(errors), 1);
  EXPECT_NE(errors.find("opening the volume: org.freedesktop.UDisks2.Error.NotAuthorized"),
            std::string::npos)
      << errors;
  ExpectCardUntouched();
}

TEST_F(DesktopCard, FileSystemInUseStaysMountedAndNothingIsWritten) {
  TPolkitRule rule(*User, UdisksRuleFor(*User), OpenSystemDevice);
  ASSERT_TRUE(rule.Applied());
  Card->HoldBusy();
  std::string errors;
  EXPECT_EQ(WriteAsUser(errors), 1);
  EXPECT_NE(errors.find("org.freedesktop.UDisks2.Error.DeviceBusy"), std::string::npos) << errors;
  ExpectCardUntouched();
}

TEST_F(DesktopCard, SecondWriterIsRefusedWhileTheFirstHoldsTheCard) {
  TPolkitRule rule(*User, UdisksRuleFor(*User), OpenSystemDevice);
  ASSERT_TRUE(rule.Applied());
  TVolumeOpening first = OpenVolume(Card->Loop().Device());  // as root: unmounts, then opens
  ASSERT_TRUE(first.Volume) << first.Error.message();
  std::string errors;
  EXPECT_EQ(WriteAsUser(errors), 1);
  EXPECT_NE(errors.find("Device or resource busy"), std::string::npos) << errors;
  first.Volume.reset();
  EXPECT_TRUE(std::equal(Before.begin(), Before.end(), CardBytes().begin()));
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Replace(std::string& text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at == std::string::npos) return false;
  text.replace(at, from.size(), to);
  return true;
}

// The shipped example for production stations, with the test user's own group for "vorlane"
// and without its check for a local active session, which a test has none of.
TEST_F(DesktopCard, StationRuleLetsItsGroupOpenAndUnmountRemovableCardsOnly) {
  std::string rule = ReadText(STATION_RULE_EXAMPLE);
  ASSERT_TRUE(Replace(rule, "isInGroup(\"vorlane\")", "isInGroup(\"" + User->Name() + "\")"));
  ASSERT_TRUE(Replace(rule, " && subject.active", ""));
  const TPolkitDetails removable = {{"drive.removable", "true"}};
  TPolkitRule installed(*User, rule, "org.freedesktop.udisks2.open-device", removable);
  ASSERT_TRUE(installed.Applied()) << "no open-device for a card in a reader";
  EXPECT_TRUE(User->IsAllowed("org.freedesktop.udisks2.filesystem-unmount-others", removable));
  EXPECT_FALSE(User->IsAllowed("org.freedesktop.udisks2.open-device")) << "an internal disk";
  EXPECT_FALSE(User->IsAllowed("org.freedesktop.udisks2.filesystem-unmount-others"));
  EXPECT_FALSE(User->IsAllowed(OpenSystemDevice, removable));
  EXPECT_FALSE(User->IsAllowed("org.freedesktop.udisks2.modify-device", removable))
      << "formatting or partitioning is no card write";
}

// Without a disk service on the bus, root takes file systems off itself, and never by force.
class CardWithoutDiskService : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0 || access("/usr/sbin/mkfs.ext4", X_OK) != 0)
      GTEST_SKIP() << "needs root and mkfs.ext4";
    std::string why;
    Card = TMountedCard::Make(CardSize, why);
    if (!Card) GTEST_SKIP() << why;
    const char* old = getenv("DBUS_SYSTEM_BUS_ADDRESS");
    OldBusAddress = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket", 1);
  }
  void TearDown() override {
    if (OldBusAddress)
      setenv("DBUS_SYSTEM_BUS_ADDRESS", OldBusAddress->c_str(), 1);
    else
      unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
  }
  std::unique_ptr<TMountedCard> Card;
  std::optional<std::string> OldBusAddress;
};

TEST_F(CardWithoutDiskService, RootUnmountsTheFileSystemAndOpensTheCardExclusively) {
  TVolumeOpening opening = OpenVolume(Card->Loop().Device());
  ASSERT_TRUE(opening.Volume) << opening.Error.message();
  EXPECT_FALSE(Card->IsMounted());
  EXPECT_NE(
      RunQuietly("mount -t ext4 " + Card->Loop().Device() + " " + Card->MountPoint().string()), 0)
      << "the card could be mounted again while the job holds it";
}

TEST_F(CardWithoutDiskService, FileSystemInUseStaysAndTheOpenFailsAsBusy) {
  Card->HoldBusy();
  TVolumeOpening opening = OpenVolume(Card->Loop().Device());
  EXPECT_FALSE(opening.Volume);
  EXPECT_EQ(opening.Error, std::errc::device_or_resource_busy) << opening.Error.message();
  EXPECT_TRUE(Card->IsMounted());
}

}  // namespace
}  // namespace vorlane::testing
