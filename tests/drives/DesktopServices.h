// What a Linux desktop has around a card, set up for end-to-end tests as root and taken down
// again even when a test fails: the system services (bus, udevd, udisksd, polkitd), an
// unprivileged user, a polkit rule for that user, and a "card" (loop device) with a mounted
// ext4 file system standing in for the FAT a desktop mounts.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/LoopDevice.h"

namespace vorlane::testing {

// Runs a shell command, its output discarded; returns its exit status (-1 if it did not run).
int RunQuietly(const std::string& command);

// The bus, udevd and udisksd, each started only when it is not running already, and stopped
// again by process id; polkitd too when it came with a bus started here.
class TDesktopServices {
 public:
  // Empty with the reason when they cannot be had here.
  static std::unique_ptr<TDesktopServices> Start(std::string& whyNot);
  ~TDesktopServices();
  TDesktopServices(const TDesktopServices&) = delete;
  TDesktopServices& operator=(const TDesktopServices&) = delete;

  // Waits until udisksd has seen what udev knows about the device, e.g. a mount.
  bool WaitUntilServiceSeesMounted(const std::string& devicePath, bool mounted) const;

 private:
  TDesktopServices() = default;
  bool StartBus(std::string& whyNot);
  bool StartUdevd(std::string& whyNot);
  bool StartUdisksd(std::string& whyNot);
  pid_t BusPid = 0;  // not our child: dbus-daemon forks itself
  pid_t UdevdPid = 0;
  pid_t UdisksdPid = 0;
};

using TPolkitDetails = std::vector<std::pair<std::string, std::string>>;

// An unprivileged system user made for the test and deleted with this object.
class TTestUser {
 public:
  static std::unique_ptr<TTestUser> Create(std::string& whyNot);
  TTestUser(std::string name, uid_t uid, gid_t gid)
      : UserName(std::move(name)), UserId(uid), GroupId(gid) {}
  ~TTestUser();
  TTestUser(const TTestUser&) = delete;
  TTestUser& operator=(const TTestUser&) = delete;

  const std::string& Name() const { return UserName; }
  uid_t Uid() const { return UserId; }
  gid_t Gid() const { return GroupId; }
  // Runs a program as this user (no supplementary groups); returns its exit status and what
  // it wrote on standard error.
  int Run(const std::vector<std::string>& arguments, std::string& errorOutput) const;
  // Whether polkit now allows a process of this user the action, with the details udisks2
  // passes along (such as "drive.removable").
  bool IsAllowed(const std::string& actionId, const TPolkitDetails& details = {}) const;

 private:
  std::string UserName;
  uid_t UserId = 0;
  gid_t GroupId = 0;
};

// A polkit rule, in force from construction until destruction. probeAction and probeDetails
// name something the rule allows, to tell when polkit has taken it up and let it go.
class TPolkitRule {
 public:
  TPolkitRule(const TTestUser& user, const std::string& text, std::string probeAction,
              TPolkitDetails probeDetails = {});
  ~TPolkitRule();
  TPolkitRule(const TPolkitRule&) = delete;
  TPolkitRule& operator=(const TPolkitRule&) = delete;
  bool Applied() const { return IsApplied; }

 private:
  const TTestUser& User;
  std::string ProbeAction;
  TPolkitDetails ProbeDetails;
  bool IsApplied = false;
};

// A rule letting the user do every udisks2 action, as a desktop user allowed to write cards.
std::string UdisksRuleFor(const TTestUser& user);

// The action udisks2 checks to open a loop device, which it counts as a system device.
inline const std::string OpenSystemDevice = "org.freedesktop.udisks2.open-device-system";

// Waits until polkit answers as expected for the user; false when it does not in time.
bool WaitForPolkit(const TTestUser& user, const std::string& actionId, bool allowed,
                   const TPolkitDetails& details = {});

// A loop device holding a mounted ext4 file system with one file in it.
class TMountedCard {
 public:
  static std::unique_ptr<TMountedCard> Make(std::uint64_t sizeBytes, std::string& whyNot);
  TMountedCard(TLoopDevice loop, std::filesystem::path folder)
      : Device(std::move(loop)), Folder(std::move(folder)) {}
  ~TMountedCard();
  TMountedCard(const TMountedCard&) = delete;
  TMountedCard& operator=(const TMountedCard&) = delete;

  const TLoopDevice& Loop() const { return Device; }
  bool IsMounted() const;
  const std::filesystem::path& MountPoint() const { return Folder; }
  // Keeps a file in the file system open, so it cannot come off without force.
  void HoldBusy();

 private:
  TLoopDevice Device;
  std::filesystem::path Folder;
  int BusyFd = -1;
};

}  // namespace vorlane::testing
