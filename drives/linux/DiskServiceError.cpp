#include "drives/linux/DiskServiceError.h"

#include <algorithm>
#include <array>

namespace vorlane {
namespace {

struct TNamedAnswer {
  std::string_view Prefix;
  TDiskServiceAnswer Answer;
};

// Prefixes, as UDisks2 has several NotAuthorized variants (CanObtain, Dismissed) and the bus
// several ways of failing to start a service (Spawn.ExecFailed, Spawn.ChildExited, ...).
constexpr std::array<TNamedAnswer, 13> KnownErrors{{
    {"org.freedesktop.UDisks2.Error.NotAuthorized", TDiskServiceAnswer::NotAuthorized},
    {"org.freedesktop.DBus.Error.AccessDenied", TDiskServiceAnswer::NotAuthorized},
    {"org.freedesktop.UDisks2.Error.DeviceBusy", TDiskServiceAnswer::Busy},
    {"org.freedesktop.UDisks2.Error.NotMounted", TDiskServiceAnswer::NotMounted},
    {"org.freedesktop.UDisks2.Error.NotFound", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.UnknownObject", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.UnknownInterface", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.UnknownMethod", TDiskServiceAnswer::NoSuchDevice},
    {"org.freedesktop.DBus.Error.ServiceUnknown", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.NameHasNoOwner", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.NoServer", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.Disconnected", TDiskServiceAnswer::ServiceMissing},
    {"org.freedesktop.DBus.Error.Spawn.", TDiskServiceAnswer::ServiceMissing},
}};

// The answer is kept one above its number: an error_code of 0 would read as success.
int ValueOf(TDiskServiceAnswer answer) {
  return static_cast<int>(answer) + 1;
}

TDiskServiceAnswer AnswerOfValue(int value) {
  return static_cast<TDiskServiceAnswer>(value - 1);
}

// The log line takes the service's own words from the failure; these only name the kind.
const char* AnswerText(TDiskServiceAnswer answer) {
  switch (answer) {
    case TDiskServiceAnswer::NotAuthorized:
      return "not authorized by the disk service";
    case TDiskServiceAnswer::Busy:
      return "the disk service found the device busy";
    case TDiskServiceAnswer::NoSuchDevice:
      return "the disk service knows no such device";
    case TDiskServiceAnswer::ServiceMissing:
      return "no disk service";
    case TDiskServiceAnswer::NotMounted:
      return "not mounted";
    case TDiskServiceAnswer::Other:
      break;
  }
  return "disk service error";
}

class TDiskServiceCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "disk service"; }
  std::string message(int value) const override { return AnswerText(AnswerOfValue(value)); }
  std::error_condition default_error_condition(int value) const noexcept override {
    switch (AnswerOfValue(value)) {
      case TDiskServiceAnswer::NotAuthorized:
        return std::errc::permission_denied;
      case TDiskServiceAnswer::Busy:
        return std::errc::device_or_resource_busy;
      case TDiskServiceAnswer::NoSuchDevice:
        return std::errc::no_such_device;
      default:
        return {value, *this};
    }
  }
};

}  // namespace

TDiskServiceAnswer ClassifyDBusError(std::string_view errorName) {
  for (const TNamedAnswer& known : KnownErrors)
    if (errorName.starts_with(known.Prefix)) return known.Answer;
  return TDiskServiceAnswer::Other;
}

const std::error_category& DiskServiceCategory() {
  static const TDiskServiceCategory category;
  return category;
}

TServiceFailure MakeDiskServiceError(std::string_view errorName, std::string_view errorMessage) {
  std::string text(errorName);
  if (!errorMessage.empty()) text += ": " + std::string(errorMessage);
  return {{ValueOf(ClassifyDBusError(errorName)), DiskServiceCategory()}, std::move(text)};
}

TDiskServiceAnswer AnswerOf(std::error_code error) {
  if (error.category() != DiskServiceCategory()) return TDiskServiceAnswer::Other;
  return AnswerOfValue(error.value());
}

}  // namespace vorlane
