#include "drives/linux/UDisksClient.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "drives/linux/LastError.h"

namespace vorlane {
namespace {

constexpr const char* Service = "org.freedesktop.UDisks2";
constexpr const char* BlockPrefix = "/org/freedesktop/UDisks2/block_devices/";
constexpr std::string_view PartitionInterface = "org.freedesktop.UDisks2.Partition";
constexpr std::string_view FileSystemInterface = "org.freedesktop.UDisks2.Filesystem";

// Calls that may show a password dialog wait for a person to read it and type; the bus's
// default of 25 s would fail a user in the middle of typing.
constexpr std::uint64_t PersonTimeoutUsec = 5ull * 60 * 1000 * 1000;
// A reader answers whether it holds a card within seconds, or not at all.
constexpr std::uint64_t LookTimeoutUsec = 10ull * 1000 * 1000;

struct TMessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using TMessage = std::unique_ptr<sd_bus_message, TMessageUnref>;

struct TBusError {
  sd_bus_error Error = SD_BUS_ERROR_NULL;
  ~TBusError() { sd_bus_error_free(&Error); }
};

TServiceFailure SystemError(int negativeErrno) {
  return {{-negativeErrno, std::system_category()}, {}};
}

// A message that could not be read as UDisks2 documents it.
TServiceFailure UnexpectedAnswer(int negativeErrno) {
  return MakeDiskServiceError(
      "org.freedesktop.DBus.Error.InvalidSignature",
      std::string("unexpected answer from the disk service: ") + std::strerror(-negativeErrno));
}

TMessage NewCall(sd_bus* bus, const char* object, const char* interface, const char* method,
                 int& result) {
  sd_bus_message* call = nullptr;
  result = sd_bus_message_new_method_call(bus, &call, Service, object, interface, method);
  return TMessage(call);
}

TServiceFailure Send(sd_bus* bus, sd_bus_message* call, std::uint64_t timeoutUsec,
                     TMessage& reply) {
  TBusError error;
  sd_bus_message* answer = nullptr;
  const int result = sd_bus_call(bus, call, timeoutUsec, &error.Error, &answer);
  reply.reset(answer);
  if (result >= 0) return {};
  if (!sd_bus_error_is_set(&error.Error)) return SystemError(result);
  return MakeDiskServiceError(error.Error.name, error.Error.message ? error.Error.message : "");
}

// Runs read on the content of a container and leaves it; negative errno on failure, 0 when
// the container was not there (the end of an enclosing array).
template <typename TRead>
int InContainer(sd_bus_message* message, char type, const char* contents, TRead read) {
  int result = sd_bus_message_enter_container(message, type, contents);
  if (result <= 0) return result;
  result = read();
  if (result < 0) return result;
  result = sd_bus_message_exit_container(message);
  return result < 0 ? result : 1;
}

// MountPoints is an array of NUL-terminated byte strings, empty when not mounted.
int ReadMounted(sd_bus_message* message, bool& mounted) {
  return InContainer(message, 'a', "ay", [&] {
    int result;
    const void* bytes = nullptr;
    std::size_t size = 0;
    while ((result = sd_bus_message_read_array(message, 'y', &bytes, &size)) > 0) mounted = true;
    return result;
  });
}

int ReadProperty(sd_bus_message* message, std::string_view interface, TServiceBlock& block) {
  const char* name = nullptr;
  int result = sd_bus_message_read_basic(message, 's', &name);
  if (result < 0) return result;
  const std::string_view property = name;
  if (interface == PartitionInterface && property == "Table") {
    return InContainer(message, 'v', "o", [&] {
      const char* table = nullptr;
      const int read = sd_bus_message_read_basic(message, 'o', &table);
      if (read > 0) block.PartitionTable = table;
      return read;
    });
  }
  if (interface == FileSystemInterface && property == "MountPoints")
    return InContainer(message, 'v', "aay", [&] { return ReadMounted(message, block.Mounted); });
  return sd_bus_message_skip(message, "v");
}

int ReadInterface(sd_bus_message* message, TServiceBlock& block) {
  const char* name = nullptr;
  int result = sd_bus_message_read_basic(message, 's', &name);
  if (result < 0) return result;
  const std::string interface = name;
  return InContainer(message, 'a', "{sv}", [&] {
    int entry;
    while ((entry = InContainer(message, 'e', "sv",
                                [&] { return ReadProperty(message, interface, block); })) > 0) {
    }
    return entry;
  });
}

int ReadObject(sd_bus_message* message, std::vector<TServiceBlock>& blocks) {
  const char* object = nullptr;
  int result = sd_bus_message_read_basic(message, 'o', &object);
  if (result < 0) return result;
  TServiceBlock block;
  block.Object = object;
  result = InContainer(message, 'a', "{sa{sv}}", [&] {
    int entry;
    while ((entry = InContainer(message, 'e', "sa{sv}",
                                [&] { return ReadInterface(message, block); })) > 0) {
    }
    return entry;
  });
  if (result >= 0 && block.Object.starts_with(BlockPrefix)) blocks.push_back(std::move(block));
  return result;
}

}  // namespace

TUDisksClient::TUDisksClient() {
  const int result = sd_bus_open_system(&Bus);
  if (result < 0) {
    Bus = nullptr;
    ConnectError =
        MakeDiskServiceError("org.freedesktop.DBus.Error.NoServer",
                             std::string("cannot reach the system bus: ") + std::strerror(-result));
    return;
  }
  // A desktop's polkit agent may ask the user for a password on the service's behalf.
  sd_bus_set_allow_interactive_authorization(Bus, 1);
}

TUDisksClient::~TUDisksClient() {
  if (Bus) sd_bus_flush_close_unref(Bus);
}

TServiceFailure TUDisksClient::ResolveDevice(const std::string& devicePath, std::string& object) {
  if (ConnectError) return ConnectError;
  int result;
  TMessage call = NewCall(Bus, "/org/freedesktop/UDisks2/Manager",
                          "org.freedesktop.UDisks2.Manager", "ResolveDevice", result);
  if (result >= 0)
    result = sd_bus_message_append(call.get(), "a{sv}a{sv}", 1, "path", "s", devicePath.c_str(), 0);
  if (result < 0) return SystemError(result);
  TMessage reply;
  if (TServiceFailure error = Send(Bus, call.get(), 0, reply)) return error;
  // "ao": every object for the node; one for a block device.
  const char* found = nullptr;
  result = sd_bus_message_enter_container(reply.get(), 'a', "o");
  if (result > 0) result = sd_bus_message_read_basic(reply.get(), 'o', &found);
  if (result < 0) return UnexpectedAnswer(result);
  if (result == 0 || !found)
    return MakeDiskServiceError("org.freedesktop.UDisks2.Error.NotFound",
                                "the disk service knows no block device " + devicePath);
  object = found;
  return {};
}

TServiceFailure TUDisksClient::ListBlocks(std::vector<TServiceBlock>& blocks) {
  if (ConnectError) return ConnectError;
  int result;
  TMessage call = NewCall(Bus, "/org/freedesktop/UDisks2", "org.freedesktop.DBus.ObjectManager",
                          "GetManagedObjects", result);
  if (result < 0) return SystemError(result);
  TMessage reply;
  if (TServiceFailure error = Send(Bus, call.get(), 0, reply)) return error;
  result = InContainer(reply.get(), 'a', "{oa{sa{sv}}}", [&] {
    int entry;
    while ((entry = InContainer(reply.get(), 'e', "oa{sa{sv}}",
                                [&] { return ReadObject(reply.get(), blocks); })) > 0) {
    }
    return entry;
  });
  return result < 0 ? UnexpectedAnswer(result) : TServiceFailure();
}

TServiceFailure TUDisksClient::Unmount(const std::string& object) {
  if (ConnectError) return ConnectError;
  int result;
  TMessage call = NewCall(Bus, object.c_str(), FileSystemInterface.data(), "Unmount", result);
  // No options: above all no "force", so a file system in use stays mounted and says so.
  if (result >= 0) result = sd_bus_message_append(call.get(), "a{sv}", 0);
  if (result < 0) return SystemError(result);
  TMessage reply;
  return Send(Bus, call.get(), PersonTimeoutUsec, reply);
}

TServiceFailure TUDisksClient::OpenDevice(const std::string& object, int flags, int& fd) {
  if (ConnectError) return ConnectError;
  int result;
  TMessage call =
      NewCall(Bus, object.c_str(), "org.freedesktop.UDisks2.Block", "OpenDevice", result);
  if (result >= 0)
    result = sd_bus_message_append(call.get(), "sa{sv}", "rw", 1, "flags", "i", flags);
  if (result < 0) return SystemError(result);
  TMessage reply;
  if (TServiceFailure error = Send(Bus, call.get(), PersonTimeoutUsec, reply)) return error;
  int received = -1;
  result = sd_bus_message_read_basic(reply.get(), 'h', &received);
  if (result <= 0) return UnexpectedAnswer(result < 0 ? result : -EBADMSG);
  // The descriptor belongs to the message; keep a copy of our own.
  fd = fcntl(received, F_DUPFD_CLOEXEC, 3);
  if (fd < 0) return {LastError(), {}};
  return {};
}

TServiceFailure TUDisksClient::LookAtMedium(const std::string& disk) {
  if (ConnectError) return ConnectError;
  int result;
  const std::string object = BlockPrefix + disk;
  TMessage call =
      NewCall(Bus, object.c_str(), "org.freedesktop.UDisks2.Block", "OpenDevice", result);
  if (result >= 0) result = sd_bus_message_set_allow_interactive_authorization(call.get(), 0);
  if (result >= 0) result = sd_bus_message_append(call.get(), "sa{sv}", "r", 0);
  if (result < 0) return SystemError(result);
  // The descriptor in the answer belongs to it, and closes with it.
  TMessage reply;
  return Send(Bus, call.get(), LookTimeoutUsec, reply);
}

}  // namespace vorlane
