#include "cli/JsonReports.h"

#include "cli/CapacityCheck.h"
#include "drives/Platform.h"
#include "drives/ShowableText.h"

namespace vorlane::cli {
namespace {

nlohmann::ordered_json FormatJson(const TWavFormat& format) {
  return {{"formatTag", format.FormatTag},
          {"pcm", format.FormatTag == 1},
          {"channels", format.Channels},
          {"sampleRate", format.SampleRate},
          {"bitsPerSample", format.BitsPerSample}};
}

nlohmann::ordered_json SegmentJson(const TSegmentInfo& segment) {
  nlohmann::ordered_json json = {{"segment", static_cast<int>(segment.Segment)},
                                 {"startSector", StartSectorFor(segment.Segment)},
                                 {"wav", segment.DeclaredLength != 0}};
  if (segment.DeclaredLength == 0) return json;
  const TWavHeader& header = segment.Header;
  json["declaredLength"] = segment.DeclaredLength;
  json["format"] = header.Format ? FormatJson(*header.Format) : nullptr;
  json["dataBytes"] = header.DataBytes ? nlohmann::ordered_json(*header.DataBytes) : nullptr;
  const std::optional<double> seconds = header.DurationSeconds();
  json["durationSeconds"] = seconds ? nlohmann::ordered_json(*seconds) : nullptr;
  json["headerProblem"] = header.Problem.empty() ? nullptr : nlohmann::ordered_json(header.Problem);
  json["paddingIntact"] = segment.PaddingIntact;
  return json;
}

}  // namespace

// Only cards whose registers the kernel shows (a built-in slot) have an identity.
nlohmann::ordered_json CardIdentityJson(const TCardIdentity& card) {
  if (card.Cid.empty() && card.Serial.empty()) return nullptr;
  return {{"cid", ShowableText(card.Cid)},
          {"serial", ShowableText(card.Serial)},
          {"manfid", ShowableText(card.ManufacturerId)},
          {"oemid", ShowableText(card.OemId)},
          {"name", ShowableText(card.Name)},
          {"date", ShowableText(card.Date)}};
}

nlohmann::ordered_json DriveListJson(const std::vector<TDriveDetails>& drives) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const TDriveDetails& drive : drives)
    list.push_back({{"entry", drive.Entry},
                    {"volumePath", VolumePathFor(drive.Entry)},
                    {"sizeBytes", drive.SizeBytes},
                    {"vendor", ShowableText(drive.Vendor)},
                    {"model", ShowableText(drive.Model)},
                    {"slot", ShowableText(drive.Slot)},
                    {"card", CardIdentityJson(drive.Card)}});
  return list;
}

nlohmann::ordered_json CardReportJson(const TTarget& target, std::uint64_t sizeBytes,
                                      const TCardReading& reading, const std::string& failure) {
  nlohmann::ordered_json json = {{"drive", target.Name},
                                 {"volumePath", target.VolumePath},
                                 {"removable", target.IsDrive},
                                 {"sizeBytes", sizeBytes},
                                 {"card", CardIdentityJson(target.Details.Card)}};
  if (!failure.empty()) {
    json["error"] = failure;
    return json;
  }
  json["testPattern"] = reading.Info.TestPattern;
  json["foldSuspected"] = reading.Info.FoldSuspected();
  const std::optional<TProofSeal>& proof = reading.Info.Proof;
  json["capacityProof"] = nullptr;
  if (proof && proof->Covers(sizeBytes))
    json["capacityProof"] = {{"time", ProofTime(*proof)}, {"cacheBytes", proof->CacheBytes}};
  json["segments"] = nlohmann::ordered_json::array();
  for (const TSegmentInfo& segment : reading.Info.Segments)
    json["segments"].push_back(SegmentJson(segment));
  return json;
}

std::string JsonText(const nlohmann::ordered_json& json) {
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace vorlane::cli
